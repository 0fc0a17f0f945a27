#include "store/news_item.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "platform/clock.h"
#include "platform/text.h"
#include "store/news_file.h"

namespace brevio::store {
namespace {

std::string Repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// True when `s` does not end inside a double-byte character.
bool EndsOnCharacter(std::string_view s) {
    return platform::DbcsPrefix(std::string(s) + "x", s.size()).size() == s.size();
}

TEST(NewsBlockTest, KeysAreFoundAnywhereAndValuesKeepTheirCarriageReturn) {
    const std::string block =
        "CONTENT:第一段\r\n第二段\x80\x80"
        "WEBSITE:17x\r\nTITLE:  头条\r\nURL: http://a.cn/1\n"
        "ID:123456\r\nCATEGORY:05001\r\nREGION:11|12|\r\nTRADE:T01|\r\n"
        "TIME:2007-3-15 9:30:5\r\nRELSTOCKS:600000|000001\r\n";
    NewsItem item = ParseNewsBlock(block);
    EXPECT_EQ(item.newsId, 123456);
    EXPECT_EQ(item.websiteId, 17);
    EXPECT_EQ(item.title, "  头条\r");
    EXPECT_EQ(item.url, " http://a.cn/1");  // no blank is skipped after the colon
    EXPECT_EQ(item.category, "05001\r");
    EXPECT_EQ(item.region, "11|12|\r");
    EXPECT_EQ(item.trade, "T01|\r");
    EXPECT_EQ(item.timeText, "2007-3-15 9:30:5\r");
    EXPECT_EQ(item.relatedStocks, "600000|000001\r");
    EXPECT_EQ(item.content, "第一段\r\n第二段");
    EXPECT_TRUE(item.receptionKind.empty());
}

TEST(NewsBlockTest, MissingKeysAndTerminatorsLeaveValuesEmpty) {
    platform::LocalTime before = platform::Now();
    NewsItem item = ParseNewsBlock("ID:abc\nTITLE:no line end");
    platform::LocalTime after = platform::Now();
    EXPECT_EQ(item.newsId, 0);
    EXPECT_EQ(item.websiteId, 0);
    EXPECT_TRUE(item.title.empty());
    EXPECT_TRUE(item.url.empty());
    EXPECT_TRUE(item.content.empty());
    // No TIME entry: today's date without padding.
    EXPECT_TRUE(item.timeText ==
                    platform::Format("%d-%d-%d", before.year, before.month, before.day) ||
                item.timeText == platform::Format("%d-%d-%d", after.year, after.month, after.day))
        << item.timeText;

    // A content without its end mark is empty, even across line ends.
    EXPECT_TRUE(ParseNewsBlock("CONTENT:body\nmore\x80").content.empty());
    // A TIME entry that is present but unterminated is empty, not today.
    EXPECT_TRUE(ParseNewsBlock("TIME:2007-1-1").timeText.empty());
}

TEST(NewsBlockTest, OverlongValuesAreCutWithoutSplittingACharacter) {
    // "a" shifts the double-byte characters so that each kept length falls inside one.
    const std::string wide = "a" + Repeat("中", 3500);
    NewsItem item = ParseNewsBlock("TITLE:" + wide + "\nURL:" + wide + "\nCATEGORY:" + wide +
                                   "\nRELSTOCKS:" + wide + "\nCONTENT:" + wide + "\x80\x80");
    EXPECT_EQ(item.title, "a" + Repeat("中", 255));  // 511 bytes
    EXPECT_EQ(item.url, item.title);
    EXPECT_EQ(item.category, "a" + Repeat("中", 5));         // 11 bytes
    EXPECT_EQ(item.relatedStocks, "a" + Repeat("中", 379));  // 759 bytes
    EXPECT_EQ(item.content, "a" + Repeat("中", 2999));       // 5999 bytes

    const std::string even = Repeat("中", 3500);
    EXPECT_EQ(ParseNewsBlock("TITLE:" + even + "\n").title.size(), 510u);
    EXPECT_EQ(ParseNewsBlock("CONTENT:" + even + "\x80\x80").content.size(), 5998u);

    // Numbers beyond 32 bits stay at the limit instead of wrapping.
    EXPECT_EQ(ParseNewsBlock("ID:99999999999999999999\n").newsId, INT_MAX);
    EXPECT_EQ(ParseNewsBlock("WEBSITE:-99999999999\n").websiteId, INT_MIN);
}

TEST(NewsBlockTest, IdsOutsideOneToBelowTheLimitAreNotValid) {
    for (const char* block : {"ID:1\n", "ID:2147483646\n", "ID:12abc\n", "ID: 7\n"})
        EXPECT_TRUE(IsValidNewsId(ParseNewsBlock(block).newsId)) << block;
    // Beyond 32 bits the id is read as the limit, which is refused like the limit itself.
    for (const char* block : {"ID:2147483647\n", "ID:99999999999999999999\n", "ID:0\n", "ID:-5\n",
                              "ID:abc\n", "ID:\n", "TITLE:no id\n"})
        EXPECT_FALSE(IsValidNewsId(ParseNewsBlock(block).newsId)) << block;
}

// Random bytes with keys and end marks sprinkled in: every value stays within its kept
// length and ends on a character boundary when it was cut, and the record built from it is
// sound.
TEST(NewsBlockTest, RandomBlocksNeverBreakTheLimits) {
    static const char* const kKeys[] = {
        "ID:",    "TITLE:", "URL:",       "CATEGORY:", "WEBSITE:", "REGION:",
        "TRADE:", "TIME:",  "RELSTOCKS:", "CONTENT:",  "\x80\x80", "\n"};
    std::mt19937 rng(20070315);
    for (int round = 0; round < 4000; ++round) {
        std::string block;
        std::size_t length = rng() % 9000;
        while (block.size() < length) {
            if (rng() % 40 == 0) {
                block += kKeys[rng() % std::size(kKeys)];
            } else if (rng() % 3 == 0) {
                block += static_cast<char>('0' + rng() % 10);
            } else {
                block += static_cast<char>(rng());
            }
        }
        NewsItem item = ParseNewsBlock(block);
        ASSERT_LE(item.title.size(), kept::kTitle);
        ASSERT_LE(item.url.size(), kept::kUrl);
        ASSERT_LE(item.category.size(), kept::kCategory);
        ASSERT_LE(item.region.size(), kept::kRegion);
        ASSERT_LE(item.trade.size(), kept::kTrade);
        ASSERT_LE(item.timeText.size(), kept::kTime);
        ASSERT_LE(item.relatedStocks.size(), kept::kRelatedStocks);
        ASSERT_LE(item.content.size(), kept::kContent);
        std::string_view whole = BlockValue(block, "CONTENT:");
        ASSERT_EQ(whole.substr(0, item.content.size()), item.content);
        if (whole.size() > kept::kContent) {
            ASSERT_TRUE(EndsOnCharacter(item.content));
            ASSERT_GE(item.content.size(), kept::kContent - 1);
        }
        NewsRecord r = BuildRecord(item, item.category);
        ASSERT_LE(r.Title().size(), kTitleMax);
        ASSERT_LE(r.Url().size(), kUrlMax);
        ASSERT_EQ(r.title.back(), '\0');
        ASSERT_EQ(r.url.back(), '\0');
    }
}

}  // namespace
}  // namespace brevio::store
