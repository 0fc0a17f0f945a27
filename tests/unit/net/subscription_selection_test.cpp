#include "net/subscription_selection.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/temp_home.h"

namespace brevio::net {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(ItemValues, EncodeAndDecodeEachGroup) {
    struct Case {
        Group group;
        const char* code;
        long long value;
        const char* decoded;
    } cases[] = {
        {Group::kPublic, "10001", 10001, "10001"}, {Group::kPublic, "01234", 1234, "01234"},
        {Group::kPublic, "1234", 1234, "01234"},   {Group::kPublic, "99999", 99999, "99999"},
        {Group::kPublic, "1001", 1001, "01001"},   {Group::kTrade, "5", 205, "05"},
        {Group::kTrade, "05", 205, "05"},          {Group::kTrade, "32", 232, "32"},
        {Group::kTrade, "0", 200, "00"},           {Group::kTrade, "799", 999, "799"},
        {Group::kRegion, "17", 100017, "17"},      {Group::kRegion, "1", 100001, "1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeItemValue(c.group, c.code), c.value) << c.code;
        std::optional<ChosenCategory> d = DecodeItemValue(c.value);
        ASSERT_TRUE(d) << c.value;
        EXPECT_EQ(d->group, c.group) << c.value;
        EXPECT_EQ(d->code, c.decoded) << c.value;
        EXPECT_EQ(DecodeItemValue(std::to_string(c.value)), d);
    }
}

TEST(ItemValues, ValuesAndCodesOutsideTheRangesNameNothing) {
    // Public ids up to 1000 would read as trades, trades from 800 as public ids.
    for (const char* code : {"00000", "1000", "100000"}) {
        EXPECT_FALSE(EncodeItemValue(Group::kPublic, code)) << code;
    }
    for (const char* code : {"800", "", "-5"}) EXPECT_FALSE(EncodeItemValue(Group::kTrade, code));
    for (const char* code : {"0", "R17", "2147483647"}) {
        EXPECT_FALSE(EncodeItemValue(Group::kRegion, code)) << code;
    }
    for (long long v : {-1ll, 0ll, 5ll, 199ll, 1000ll, 100000ll, 5000000000ll}) {
        EXPECT_FALSE(DecodeItemValue(v)) << v;
    }
    for (const char* text : {"abc", "", "-205"})
        EXPECT_FALSE(DecodeItemValue(std::string_view(text)));
    EXPECT_EQ(DecodeItemValue(std::string_view(" 205 ")), (ChosenCategory{Group::kTrade, "05"}));
}

class VantoryTest : public test::TempHomeTest {
  protected:
    std::string File() const { return VantoryFilePath(Home()); }
};

TEST_F(VantoryTest, SelectionRoundTripsAndSetsMyFolderCount) {
    std::vector<CategoryChoice> choices = {
        {"10001", "要闻"}, {"205", " 银行 "}, {"100017", "北京"}};
    ASSERT_TRUE(WriteSelection(File(), choices));
    EXPECT_EQ(platform::Registry::Default().GetDword("MyFolderCount"), 3u);
    std::string text = ReadFileBytes(File());
    EXPECT_NE(text.find("[0]\r\nCategoryID=10001\r\nCategoryName=要闻\r\n"), std::string::npos);
    EXPECT_EQ(ReadSelection(File()), choices);

    // A shorter selection leaves nothing of the longer one behind.
    ASSERT_TRUE(WriteSelection(File(), {{"232", "钢铁"}}));
    EXPECT_EQ(ReadSelection(File()), (std::vector<CategoryChoice>{{"232", "钢铁"}}));
    EXPECT_EQ(platform::Registry::Default().GetDword("MyFolderCount"), 1u);

    std::vector<CategoryChoice> many(200, {"10001", "x"});
    ASSERT_TRUE(WriteSelection(File(), many));
    EXPECT_EQ(ReadSelection(File()).size(), 128u);
    EXPECT_EQ(platform::Registry::Default().GetDword("MyFolderCount"), 128u);
}

TEST_F(VantoryTest, ReadingStopsAtTheFirstSectionWithoutIdAndCutsSafely) {
    // 15 Chinese characters are 30 bytes: the 29-byte limit keeps 14 of them.
    std::string longName = "一二三四五六七八九十甲乙丙丁戊";
    ASSERT_EQ(longName.size(), 30u);
    WriteFileBytes(File(),
                   "[0]\r\nCategoryID=123456789012345678901234\r\nCategoryName=" + longName +
                       "\r\n[1]\r\ncategoryid=205\r\n[2]\r\nCategoryName=x\r\n"
                       "[3]\r\nCategoryID=232\r\n");
    std::vector<CategoryChoice> read = ReadSelection(File());
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].categoryId, "1234567890123456789");
    EXPECT_EQ(read[0].categoryName, longName.substr(0, 28));
    EXPECT_EQ(read[1], (CategoryChoice{"205", ""}));
}

}  // namespace
}  // namespace brevio::net
