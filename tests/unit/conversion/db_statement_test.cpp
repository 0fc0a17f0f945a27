// The two procedure calls of the database export: quoting, argument order, size limit.
#include <gtest/gtest.h>

#include "conversion/db_export.h"

namespace brevio::conversion {
namespace {

TEST(SqlQuoting, EverySingleQuoteIsDoubled) {
    EXPECT_EQ(QuoteSqlText("it's"), "it''s");
    EXPECT_EQ(QuoteSqlText("''"), "''''");
    EXPECT_EQ(QuoteSqlText("'); drop table news; --"), "''); drop table news; --");
    EXPECT_EQ(QuoteSqlText("股票\"A\""), "股票\"A\"");
}

TEST(SaveNewsCall, NumbersBareTextsQuotedInTheirOrder) {
    store::NewsItem item;
    item.newsId = 12;
    item.websiteId = 3;
    item.url = "u";
    item.title = "Tom's";
    item.timeText = "t";
    item.category = "c";
    item.region = "r";
    item.trade = "d";
    item.content = "x";
    item.relatedStocks = "s";
    EXPECT_EQ(SaveNewsStatement(item).value(),
              "{CALL spSaveClientNews(12,'u','Tom''s','t',3,'c','r','d','x','s')}");
}

TEST(SaveNewsCall, StatementLongerThanTheLimitIsRefused) {
    store::NewsItem item;
    item.newsId = 1;
    const std::string empty = SaveNewsStatement(item).value();
    item.content = std::string(kMaxStatementBytes - empty.size(), 'a');
    ASSERT_TRUE(SaveNewsStatement(item).has_value());
    EXPECT_EQ(SaveNewsStatement(item)->size(), kMaxStatementBytes);
    item.content += "a";
    EXPECT_FALSE(SaveNewsStatement(item).has_value());
    // Doubled quotes count.
    item.content = std::string((kMaxStatementBytes - empty.size()) / 2 + 1, '\'');
    EXPECT_FALSE(SaveNewsStatement(item).has_value());
}

TEST(StockNameCall, TradeComesBeforeTheAliases) {
    EXPECT_EQ(UpdateStockStatement("600101", "华岳银行", "01", "HYYH,华岳").value(),
              "{CALL spUpdateStockNameID('600101','华岳银行','01','HYYH,华岳')}");
    EXPECT_EQ(UpdateStockStatement("1", "O'Neil", "", "").value(),
              "{CALL spUpdateStockNameID('1','O''Neil','','')}");
}

}  // namespace
}  // namespace brevio::conversion
