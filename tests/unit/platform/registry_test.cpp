#include "platform/registry.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/fs.h"
#include "support/temp_home.h"

namespace brevio::platform {
namespace {

class RegistryTest : public test::TempHomeTest {};

TEST_F(RegistryTest, TypedValuesSurviveAReopen) {
    {
        Registry reg(Home() + "Quorvel.reg");
        ASSERT_TRUE(reg.SetDword("ServerPort", 5001));
        ASSERT_TRUE(reg.SetString("ServerHost", "news.example"));
    }
    Registry reg(Home() + "Quorvel.reg");
    EXPECT_EQ(reg.GetDword("ServerPort"), 5001u);
    EXPECT_EQ(reg.GetString("ServerHost"), "news.example");
    // A value read with the other type counts as missing.
    EXPECT_FALSE(reg.GetString("ServerPort"));
    EXPECT_FALSE(reg.GetDword("Missing"));
    std::string text = test::ReadFileBytes(Home() + "Quorvel.reg");
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(text.find("\"ServerPort\"=dword:00001389\n"), std::string::npos);
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndAWriteReplaces) {
    Registry reg(Home() + "Quorvel.reg");
    reg.SetDword("AutoLogin", 1);
    reg.SetDword("autologin", 0);
    EXPECT_EQ(reg.GetDword("AUTOLOGIN"), 0u);
    EXPECT_EQ(reg.All().size(), 1u);
}

TEST_F(RegistryTest, GbkBackslashTrailBytesQuotesAndControlsRoundTrip) {
    // 0x5C is a valid GBK trail byte ("\x95\x5C"); it must not be taken for an escape.
    std::string tricky = std::string("\x95\x5C\"\\x\r\n\t", 9) + "\xD6\xD0\"";
    Registry::Values values;
    values.emplace("Tricky", tricky);
    values.emplace("Word", std::uint32_t{0xFFFFFFFF});
    auto parsed = Registry::Parse(Registry::Render(values));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(std::get<std::string>(parsed.at("Tricky")), tricky);
    EXPECT_EQ(std::get<std::uint32_t>(parsed.at("Word")), 0xFFFFFFFFu);
}

TEST_F(RegistryTest, DamagedLinesAreSkipped) {
    auto parsed = Registry::Parse(
        "REGEDIT4\r\n\"a\"=dword:zz\r\n\"b\"=dword:123456789\r\n\"c\"=\"unterminated\r\n"
        "garbage\r\n\"d\"=dword:0000000a\r\n\"d\"=dword:1\r\n");
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(std::get<std::uint32_t>(parsed.at("d")), 10u);  // first wins
}

TEST_F(RegistryTest, FailedWriteKeepsTheOldValue) {
    // A registry file whose folder is really a plain file cannot be rewritten.
    test::WriteFileBytes(Home() + "blocker", "x");
    Registry reg(Home() + "blocker/Quorvel.reg");
    EXPECT_FALSE(reg.SetDword("A", 1));
    EXPECT_FALSE(reg.GetDword("A"));
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    Registry& reg = Registry::Default();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&reg, t] {
            for (int i = 0; i < 25; ++i) {
                reg.SetDword("T" + std::to_string(t) + "_" + std::to_string(i),
                             static_cast<std::uint32_t>(i));
                reg.GetDword("T0_0");
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(reg.All().size(), 100u);
    EXPECT_EQ(reg.GetDword("T3_24"), 24u);
    // Only the file and its lock file remain.
    EXPECT_EQ(ListFolder(Home()), (std::vector<std::string>{"Quorvel.reg", "Quorvel.reg.lock"}));
}

}  // namespace
}  // namespace brevio::platform
