#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace brevio::platform {
namespace {

// "中文" in GBK and UTF-8, spelled in bytes so the test does not depend on the literal charset.
const std::string kZhongWenGbk = "\xD6\xD0\xCE\xC4";
const std::string kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

TEST(GbkConversion, RoundTripsChineseAndAscii) {
    EXPECT_EQ(GbkToUtf8("abc" + kZhongWenGbk), "abc" + kZhongWenUtf8);
    EXPECT_EQ(Utf8ToGbk("abc" + kZhongWenUtf8), "abc" + kZhongWenGbk);
    EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(GbkConversion, SourceLiteralsAreGbkAtRunTime) {
    // The core is compiled so that literals written in UTF-8 are GBK bytes.
    EXPECT_EQ(std::string("中文"), kZhongWenGbk);
    EXPECT_EQ(std::string("共接收%d条新闻    "),
              Utf8ToGbk("\xE5\x85\xB1\xE6\x8E\xA5\xE6\x94\xB6%d"
                        "\xE6\x9D\xA1\xE6\x96\xB0\xE9\x97\xBB    "));
}

TEST(GbkConversion, DamagedInputIsReplacedNotDropped) {
    // A lone lead byte at the end, and an invalid pair in the middle.
    std::string out = GbkToUtf8("a\xD6");
    EXPECT_EQ(out.substr(0, 1), "a");
    EXPECT_EQ(out.substr(1), "\xEF\xBF\xBD");
    std::string mid = GbkToUtf8("x\xFF\xFFy");
    EXPECT_EQ(mid.front(), 'x');
    EXPECT_EQ(mid.back(), 'y');
    // A character outside GBK becomes one question mark; invalid UTF-8 too.
    EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
              "a?b");
    EXPECT_EQ(Utf8ToGbk("a\xC3"
                        "b"),
              "a?b");
}

TEST(DbcsCut, NeverSplitsADoubleByteCharacter) {
    std::string text = "ab" + kZhongWenGbk;  // 2 + 4 bytes
    EXPECT_EQ(DbcsPrefix(text, 3), "ab");
    EXPECT_EQ(DbcsPrefix(text, 4), "ab\xD6\xD0");
    EXPECT_EQ(DbcsPrefix(text, 5), "ab\xD6\xD0");
    EXPECT_EQ(DbcsPrefix(text, 100), text);

    char field[5];
    std::memset(field, 'X', sizeof field);
    CopyToField(field, sizeof field, text);  // room for 4 bytes
    EXPECT_EQ(FieldText(field, sizeof field), "ab\xD6\xD0");
    EXPECT_EQ(field[4], '\0');
    CopyToField(field, sizeof field, "x");
    EXPECT_EQ(std::string(field, 5), std::string("x\0\0\0\0", 5));
}

TEST(DbcsCut, FieldTextStopsAtFieldEnd) {
    char full[3] = {'a', 'b', 'c'};  // no terminator
    EXPECT_EQ(FieldText(full, sizeof full), "abc");
}

TEST(TitleShortening, BlanksTheLastByteWhenAnOddNumberAreHigh) {
    // Three ASCII bytes then a double-byte character: keeping 4 splits it.
    std::string title = "abc" + kZhongWenGbk;
    EXPECT_EQ(ShortenTitle(title, 4), "abc ...");
    EXPECT_EQ(ShortenTitle(title, 5), "abc\xD6\xD0...");
    EXPECT_EQ(ShortenTitle("abcdef", 3), "abc...");
}

TEST(TextHelpers, TrimSplitCaseAndNumbers) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimBlanks("  a\t "), "a\t");
    EXPECT_EQ(Split("a||b", '|'), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(EqualsNoCase("WebSite", "website"));
    EXPECT_FALSE(EqualsNoCase("\xC1\xA1", "\xC1\x81"));
    // The trail bytes 0x41 and 0x61 belong to two different characters.
    EXPECT_FALSE(EqualsNoCase("\x81\x41", "\x81\x61"));
    EXPECT_TRUE(
        EqualsNoCase("\x81\x41"
                     "A",
                     "\x81\x41"
                     "a"));
    EXPECT_EQ(ParseLeadingInt("123abc"), 123);
    EXPECT_EQ(ParseLeadingInt("-7"), -7);
    EXPECT_EQ(ParseLeadingInt("x1"), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999999999999999"),
              ParseLeadingInt("99999999999999999999999"));
    EXPECT_EQ(Format("%d-%s", 5, "x"), "5-x");
}

}  // namespace
}  // namespace brevio::platform
