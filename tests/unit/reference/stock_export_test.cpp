#include "reference/stock_export.h"

#include <gtest/gtest.h>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "support/temp_home.h"

namespace brevio::reference {
namespace {

using test::ReadFileBytes;

class StockExportTest : public test::TempHomeTest {
  protected:
    std::string Folder() const { return Home() + "F10/name/"; }
};

TEST_F(StockExportTest, WritesTradesAndOneFilePerStock) {
    RefList trades;
    trades.push_back({"01", "银行", 'F'});
    trades.push_back({"02", "地产", 'T'});
    StockTable stocks{{"600000", "浦发银行", "", {}, "银行", ','},
                      {"000002", "万科", "", {}, "", ','}};
    StockExportResult r = ExportStockNames(Home() + "F10/", trades, stocks);
    EXPECT_TRUE(r.folderReady);
    EXPECT_TRUE(r.tradesWritten);
    EXPECT_EQ(r.stocksWritten, 2);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(ReadFileBytes(Folder() + "trade.txt"), "01,银行\r\n02,地产\r\n");
    EXPECT_EQ(ReadFileBytes(Folder() + "600000.txt"), "浦发银行\r\n银行\r\n");
    EXPECT_EQ(ReadFileBytes(Folder() + "000002.txt"), "万科\r\n\r\n");
}

TEST_F(StockExportTest, FailuresAreLoggedAndSkipped) {
    ASSERT_TRUE(platform::CreateFolders(Folder() + "000001.txt/"));  // cannot become a file
    StockTable stocks{{"000001", "平安", "", {}, "", ','},
                      {"../../escape", "x", "", {}, "", ','},
                      {"", "y", "", {}, "", ','},
                      {"600000", "浦发银行", "", {}, "", ','}};
    StockExportResult r = ExportStockNames(Home() + "F10", RefList{}, stocks);
    EXPECT_EQ(r.stocksWritten, 1);
    EXPECT_EQ(r.failed, 3);
    EXPECT_TRUE(platform::FileExists(Folder() + "600000.txt"));
    EXPECT_FALSE(platform::FileExists(Home() + "escape.txt"));
    EXPECT_EQ(ReadFileBytes(Folder() + "trade.txt"), "");
    std::string log = ReadFileBytes(platform::FileErrorLogPath());
    EXPECT_NE(log.find("000001.txt"), std::string::npos);
}

TEST_F(StockExportTest, NoFolderNoFiles) {
    test::WriteFileBytes(Home() + "F10", "a file where the folder should be");
    StockExportResult r = ExportStockNames(Home() + "F10/", RefList{}, StockTable(1));
    EXPECT_FALSE(r.folderReady);
    EXPECT_EQ(r.stocksWritten, 0);
}

}  // namespace
}  // namespace brevio::reference
