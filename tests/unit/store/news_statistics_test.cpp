// Counting the live items of the news files behind a reference list, and the texts of the
// statistics pages.
#include "store/news_statistics.h"

#include <gtest/gtest.h>

#include "store/compaction.h"
#include "store_fixture.h"

namespace brevio::store {
namespace {

using test_support::MakeItem;

reference::RefList List(std::vector<std::pair<std::string, std::string>> entries) {
    reference::RefList list;
    for (auto& [code, name] : entries) list.push_back({code, name});
    return list;
}

class NewsStatisticsTest : public test_support::StoreTest {
  protected:
    // Files `n` items into folder kind/base and deletes the first `deleted` of them.
    void Fill(FolderKind kind, const std::string& base, int n, int deleted = 0) {
        for (int i = 1; i <= n; ++i) {
            ASSERT_GT(
                AppendItem(Folder(kind), base, MakeItem(i, "2026-12-01 10:00:00", "正文内容"), ""),
                0);
        }
        for (int i = 1; i <= deleted; ++i)
            ASSERT_EQ(MarkDeleted(Folder(kind), base, i, true), kWritten);
    }
};

TEST_F(NewsStatisticsTest, PublicCountsLiveItemsAndMissingFilesCountZero) {
    Fill(kFolderPublic, "101", 10, 3);
    Fill(kFolderPublic, "103", 2);
    Statistics s = CountPublic(content_, List({{"101", "国内"}, {"102", "国际"}, {"103", "体育"}}));
    ASSERT_EQ(s.rows.size(), 3u);
    EXPECT_EQ(s.rows[0].count, 7);
    EXPECT_TRUE(s.rows[0].found);
    EXPECT_EQ(s.rows[1].count, 0);
    EXPECT_FALSE(s.rows[1].found);
    EXPECT_EQ(s.rows[2].count, 2);
    EXPECT_EQ(s.total, 9);
    EXPECT_EQ(StatisticsRowText(s.page, s.rows[0]), "        国内 ——        7");
    EXPECT_EQ(StatisticsRowText(s.page, s.rows[1]), "        国际 ——        0");
    EXPECT_EQ(StatisticsTotalText(s), "共有     9条新闻");
}

TEST_F(NewsStatisticsTest, TradesLookInTheTradeFolderOnly) {
    Fill(kFolderTrade, "T01", 4, 1);
    Fill(kFolderPublic, "T02", 5);  // same code, wrong folder: not a trade file
    Statistics s = CountTrades(content_, List({{"T01", "银行"}, {"T02", "钢铁"}}));
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[0].count, 3);
    EXPECT_EQ(s.rows[1].count, 0);
    EXPECT_EQ(s.total, 3);
    EXPECT_EQ(StatisticsRowText(s.page, s.rows[0]), "        银行 -     3");
    EXPECT_EQ(StatisticsTotalText(s), "共有   3条新闻");
}

TEST_F(NewsStatisticsTest, StocksShowNameCodeAndPaddedTotal) {
    Fill(kFolderStock, "600000", 8, 3);
    Fill(kFolderStock, "000001", 7);
    reference::StockTable stocks(3);
    stocks[0].code = "600000", stocks[0].name = "浦发银行";
    stocks[1].code = "000001", stocks[1].name = "平安";
    stocks[2].code = "600519", stocks[2].name = "茅台";
    Statistics s = CountStocks(content_, stocks);
    ASSERT_EQ(s.rows.size(), 3u);
    EXPECT_EQ(s.rows[0].count, 5);
    EXPECT_EQ(s.rows[2].count, 0);
    EXPECT_EQ(s.total, 12);
    EXPECT_EQ(StatisticsRowText(s.page, s.rows[0]), "浦发银行(600000) ——        5");
    EXPECT_EQ(StatisticsRowText(s.page, s.rows[1]), "    平安(000001) ——        7");
    EXPECT_EQ(StatisticsTotalText(s), "现有3支股票,共搜索到  12条相关信息");
}

TEST_F(NewsStatisticsTest, AfterCompactionCountsEqualTheRecordsInEachFile) {
    Fill(kFolderPublic, "101", 10, 3);
    ASSERT_EQ(CompactByCount(BasePath(Folder(kFolderPublic), "101"), 100), kCompactOk);
    EXPECT_EQ(Listed(kFolderPublic, "101").size(), 7u);
    Statistics s = CountPublic(content_, List({{"101", "国内"}}));
    EXPECT_EQ(s.rows[0].count, 7);
    EXPECT_EQ(s.total, 7);
}

TEST_F(NewsStatisticsTest, ShortOrEmptyListsAndHeadersAndUnsafeCodes) {
    // An index cut inside its header: the missing bytes read as zero.
    test::WriteFileBytes(Folder(kFolderStock) + "600001.idx", std::string("Ostra\0\1\1\1\1\5", 11));
    reference::StockTable stocks(2);
    stocks[0].code = "600001", stocks[0].name = "短";
    stocks[1].code = "../101", stocks[1].name = "逃";
    Fill(kFolderPublic, "101", 2);  // reachable only through the unsafe code
    Statistics s = CountStocks(content_, stocks);
    EXPECT_EQ(s.rows[0].count, 5);
    EXPECT_TRUE(s.rows[0].found);
    EXPECT_EQ(s.rows[1].count, 0);
    EXPECT_FALSE(s.rows[1].found);

    Statistics none = CountStocks(content_, {});
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(StatisticsTotalText(none), "现有0支股票,共搜索到   0条相关信息");
    none.total = 123456;
    EXPECT_EQ(StatisticsTotalText(none), "现有0支股票,共搜索到123456条相关信息");
}

}  // namespace
}  // namespace brevio::store
