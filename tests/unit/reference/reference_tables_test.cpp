#include "reference/reference_tables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "reference/file_names.h"
#include "reference/tab_files.h"
#include "support/temp_home.h"

namespace brevio::reference {
namespace {

using test::WriteFileBytes;

class ReferenceTablesTest : public test::TempHomeTest {
  protected:
    std::string Content() const { return Home() + "content/"; }
    void Write(std::string_view file, const std::string& text) {
        WriteFileBytes(DataPath(Content(), file), text);
    }
    void WriteSample() {
        Write(kNewsKindFile, "10\t要闻\tT\r\n40\t系统\tF\r\n");
        Write(kNewsClassifyFile, "10001\t国内\tT\r\n10002\t国际\tF\r\n40005\t公告\tF\r\n");
        Write(kRegionFile, "17\t上海\tF\r\n");
        Write(kTradeFile, "01\t银行\tF\r\n02\t地产\tF\r\n");
        Write(kWebsitesFile, "12\t新华网\tT\r\n007\t人民网\r\nx7\t别名\r\n");
        Write(kWebsiteNewsFile, "12\t10001\r\n007\t10001\r\n");
        Write(kStockTableFile, "600000\t浦发银行\t\"浦发\"\t\"银行\"\r\n");
    }
    ReferenceTables tables;
};

TEST_F(ReferenceTablesTest, LoadAllReadsEveryTableFromTheDataFolder) {
    WriteSample();
    LoadCounts counts = tables.LoadAll(Content());
    EXPECT_EQ(counts[Table::kKinds], 2);
    EXPECT_EQ(counts[Table::kPublic], 3);
    EXPECT_EQ(counts[Table::kWebsites], 3);
    EXPECT_EQ(counts[Table::kWebsiteNews], 2);
    EXPECT_EQ(counts[Table::kWebsiteTrade], kTableOpenFailed);
    EXPECT_EQ(counts[Table::kStocks], 1);
    EXPECT_TRUE(tables.WebsiteTrade()->empty());
    EXPECT_EQ(tables.Websites()->FindByCode("12")->flag, 'F');  // web sites carry no flags
    EXPECT_EQ(tables.Kinds()->FindByCode("10")->flag, 'T');
    EXPECT_EQ(tables.Stocks()->at(0).aliasList, std::vector<std::string>{"浦发"});
    EXPECT_EQ(tables.ContentFolder(), Content());
}

TEST_F(ReferenceTablesTest, LookupsByKindAndWebsiteId) {
    WriteSample();
    tables.LoadAll(Content());
    EXPECT_EQ(tables.NameByKind(kKindPublicCategories, "10002"), "国际");
    EXPECT_EQ(tables.NameByKind(kKindRegions, "17"), "上海");
    EXPECT_EQ(tables.NameByKind(kKindTrades, "02"), "地产");
    EXPECT_FALSE(tables.NameByKind(kKindTrades, "2").has_value());
    EXPECT_FALSE(tables.NameByKind(13, "10002").has_value());
    EXPECT_FALSE(tables.NameByKind(kKindRegions, "10002").has_value());

    EXPECT_EQ(tables.WebsiteName(12), "新华网");
    EXPECT_EQ(tables.WebsiteName(7), "人民网");
    EXPECT_EQ(tables.WebsiteName(0), "");
    EXPECT_EQ(tables.WebsiteName(99), "");
}

TEST_F(ReferenceTablesTest, MajorCategoryMembership) {
    WriteSample();
    tables.LoadAll(Content());
    std::vector<RefEntry> news = CategoriesOfMajor(*tables.PublicCategories(), "10");
    ASSERT_EQ(news.size(), 2u);
    EXPECT_EQ(news[1].code, "10002");
    EXPECT_TRUE(CategoriesOfMajor(*tables.PublicCategories(), "1").empty());
    EXPECT_FALSE(BelongsToMajorCategory("1", "1"));
    EXPECT_TRUE(BelongsToMajorCategory("40005", "40"));
}

TEST_F(ReferenceTablesTest, ChangesPublishNewTablesAndLeaveHeldOnesAlone) {
    WriteSample();
    tables.LoadAll(Content());
    std::shared_ptr<const RefList> held = tables.Trades();
    ASSERT_TRUE(tables.SetFlag(Table::kTrades, "02", true));
    EXPECT_FALSE(tables.SetFlag(Table::kTrades, "99", true));
    EXPECT_FALSE(tables.SetFlag(Table::kStocks, "600000", true));
    EXPECT_EQ(held->FindByCode("02")->flag, 'F');
    EXPECT_EQ(tables.Trades()->FindByCode("02")->flag, 'T');

    Write(kTradeFile, "09\t电力\tF\r\n");
    EXPECT_EQ(tables.Reload(Table::kTrades), 1);
    EXPECT_EQ(tables.NameByKind(kKindTrades, "09"), "电力");
    EXPECT_EQ(tables.Regions()->size(), 1u);  // other tables untouched
    EXPECT_EQ(held->size(), 2u);
}

// Readers on several threads while the tables are reloaded and changed: each reader must see
// a whole table, either the old or the new one (the sanitizer builds check the locking).
TEST_F(ReferenceTablesTest, ReadersSeeWholeTablesDuringReloads) {
    std::string small, large;
    for (int i = 0; i < 10; ++i) small += std::to_string(i) + "\tsite\r\n";
    for (int i = 0; i < 500; ++i) large += std::to_string(i) + "\tsite\r\n";
    Write(kWebsitesFile, small);
    Write(kTradeFile, "01\t银行\tF\r\n");
    tables.LoadAll(Content());

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            while (!stop) {
                std::size_t n = tables.Websites()->size();
                if (n != 10 && n != 500) ++torn;
                if (tables.WebsiteName(5) != "site") ++torn;
                if (!tables.NameByKind(kKindTrades, "01")) ++torn;
            }
        });
    }
    for (int i = 0; i < 50; ++i) {
        Write(kWebsitesFile, i % 2 ? small : large);
        tables.Reload(Table::kWebsites);
        tables.SetFlag(Table::kTrades, "01", i % 2);
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace brevio::reference
