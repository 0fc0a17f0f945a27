// Random and damaged input through the readers of the platform layer: nothing may crash or
// write outside a buffer (this file runs in the sanitizer build too).
#include <gtest/gtest.h>

#include <random>

#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/temp_home.h"

namespace brevio::platform {
namespace {

std::string RandomBytes(std::mt19937& rng, std::size_t maxLen, std::string_view alphabet = {}) {
    std::uniform_int_distribution<std::size_t> len(0, maxLen);
    std::string s(len(rng), '\0');
    for (char& c : s) {
        c = alphabet.empty() ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
    }
    return s;
}

TEST(Fuzz, GbkConversionOfRandomBytes) {
    std::mt19937 rng(12345);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes = RandomBytes(rng, 64);
        std::string utf8 = GbkToUtf8(bytes);
        std::string back = Utf8ToGbk(utf8);
        std::string again = Utf8ToGbk(bytes);
        // Output is never shorter than the ASCII it held.
        EXPECT_GE(utf8.size(),
                  static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(), [](char c) {
                      return static_cast<unsigned char>(c) < 0x80;
                  })));
        char field[7];
        CopyToField(field, sizeof field, bytes);
        EXPECT_EQ(field[6], '\0');
        EXPECT_LE(DbcsPrefix(bytes, 5).size(), 5u);
        (void)back;
        (void)again;
    }
}

class FuzzFiles : public test::TempHomeTest {};

TEST_F(FuzzFiles, ProfileReaderOnRandomFiles) {
    std::mt19937 rng(777);
    const std::string alphabet = std::string("[]=;\"' \t\r\nabAB01\xD6\xD0\x80\xFF", 20) + '\0';
    std::string path = Home() + "fuzz.ini";
    for (int i = 0; i < 400; ++i) {
        std::string text = RandomBytes(rng, 600, i % 2 ? alphabet : std::string_view{});
        WriteFileAtomic(path, text);
        for (const auto& name : ProfileGetSectionNames(path)) {
            for (const auto& line : ProfileGetSection(path, name, 64)) EXPECT_LT(line.size(), 64u);
            EXPECT_LE(ProfileGetString(path, name, "a", "", 8).size(), 7u);
            ProfileGetInt(path, name, "b", 0);
            unsigned char buf[3];
            ProfileGetStruct(path, name, "a", buf, sizeof buf);
        }
        // A write into a damaged file keeps it readable.
        ASSERT_TRUE(ProfileWriteString(path, "S", "k", "v"));
        EXPECT_EQ(ProfileGetString(path, "s", "K", ""), "v");
    }
}

TEST_F(FuzzFiles, RegistryParserOnRandomText) {
    std::mt19937 rng(4242);
    const std::string alphabet = "\"=\\xdword:0123456789abcdef\r\n \xD6\xD0";
    for (int i = 0; i < 2000; ++i) {
        std::string text = RandomBytes(rng, 200, i % 2 ? alphabet : std::string_view{});
        auto values = Registry::Parse(text);
        // Whatever was parsed renders and parses back the same.
        EXPECT_EQ(Registry::Parse(Registry::Render(values)), values);
    }
}

TEST_F(FuzzFiles, LineReaderPiecesAddUpToTheFile) {
    std::mt19937 rng(99);
    std::string path = Home() + "lines.bin";
    for (int i = 0; i < 300; ++i) {
        std::string text = RandomBytes(rng, 5000, "ab\n\r");
        test::WriteFileBytes(path, text);
        LineReader reader(1 + rng() % 64);
        ASSERT_TRUE(reader.Open(path));
        std::string joined, piece;
        while (reader.Next(piece)) joined += piece;
        EXPECT_EQ(joined, text);
    }
}

}  // namespace
}  // namespace brevio::platform
