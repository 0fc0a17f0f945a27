#include "store/news_search.h"

#include <gtest/gtest.h>

#include "reference/reference_tables.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/intake.h"
#include "unit/store/store_fixture.h"

namespace brevio::store {
namespace {

using test_support::MakeItem;

class NewsSearchTest : public test_support::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        test::WriteFileBytes(content_ + "Data/NewsClassify.tab",
                             "10001\t国内经济\tF\r\n10002\t国际经济\tF\r\n");
        test::WriteFileBytes(content_ + "Data/Trade.tab", "01\t银行\tF\r\n05\t钢铁\tF\r\n");
        test::WriteFileBytes(content_ + "Data/Region.tab", "110\t北京\tF\r\n");
        tables_.LoadAll(content_);
    }
    // Files an item the way the store writer thread does.
    void File(const std::string& kind, std::int32_t id, const std::string& code,
              const std::string& title, const std::string& time = "2024-6-1 8:0:0",
              const std::string& body = "正文") {
        NewsIntake::Options options;
        options.contentFolder = content_;
        NewsIntake intake(options, tables_, limits_);
        NewsItem item = MakeItem(id, time, body, title);
        item.receptionKind = kind;
        (kind == std::string(RegionGroup()) ? item.region : item.category) = code;
        intake.FileItem(item);
    }
    LocalSearchResult Search(std::string_view keyword, std::vector<SearchScopeEntry> scope) {
        return SearchLocal(keyword, scope, tables_, content_);
    }
    static std::vector<std::int32_t> Ids(const LocalSearchResult& r) {
        std::vector<std::int32_t> ids;
        for (const SearchHit& h : r.hits) ids.push_back(h.record.newsId);
        return ids;
    }

    reference::ReferenceTables tables_;
    NoAcceptanceLimits limits_;
};

TEST_F(NewsSearchTest, HitsOfEveryEntryAreListedNewestFirstWithTheirCount) {
    File(std::string(PublicGroup()), 1, "10001", "央行降息 国内", "2024-6-1 8:0:0");
    File(std::string(PublicGroup()), 2, "10001", "股市平稳", "2024-6-3 8:0:0");
    File(std::string(TradeGroup()), 3, "05", "钢铁企业获央行贷款", "2024-6-2 9:0:0");
    File(std::string(RegionGroup()), 4, "110", "北京央行分行", "2024-6-2 9:0:0");

    LocalSearchResult r =
        Search(" 央行 ", {{"国内经济", 10001}, {"钢铁", 5}, {"北京", 100110}, {"国际经济", 10002}});
    EXPECT_EQ(r.result, 3);
    EXPECT_EQ(r.keyword, "央行");
    // Newest first; the two of the same time keep the order of the category box.
    EXPECT_EQ(Ids(r), (std::vector<std::int32_t>{3, 4, 1}));
    ASSERT_EQ(r.hits.size(), 3u);
    EXPECT_EQ(r.hits[0].kind, kFolderTrade);
    EXPECT_EQ(r.hits[0].base, "05");
    EXPECT_EQ(r.hits[1].kind, kFolderRegion);
    EXPECT_EQ(r.hits[1].base, "110");
    EXPECT_EQ(r.hits[2].kind, kPublicCategoryKind);
    EXPECT_EQ(r.hits[2].base, "10001");
    EXPECT_EQ(r.statusText, "包含\"央行\"的新闻共有3条.");
    EXPECT_FALSE(r.message);
}

TEST_F(NewsSearchTest, OnlyTitlesOfRecordsNotDeletedAreSearchedByteForByte) {
    File(std::string(TradeGroup()), 1, "01", "Bank rates", "2024-6-1 8:0:0", "央行 in content");
    File(std::string(TradeGroup()), 2, "01", "bank 央行", "2024-6-1 8:0:0");
    File(std::string(TradeGroup()), 3, "01", "央行 deleted", "2024-6-1 8:0:0");
    ASSERT_EQ(MarkDeleted(Folder(kFolderTrade), "01", 3, true), kWritten);

    EXPECT_EQ(Ids(Search("央行", {{"银行", 1}})), (std::vector<std::int32_t>{2}));
    EXPECT_EQ(Ids(Search("Bank", {{"银行", 1}})), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(Ids(Search("ank", {{"银行", 1}})), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(SearchNewsFile(Folder(kFolderTrade), "01", "deleted", nullptr), 0);
}

TEST_F(NewsSearchTest, EmptyKeywordsNoHitsAndUnusableEntries) {
    File(std::string(TradeGroup()), 1, "01", "央行", "2024-6-1 8:0:0");

    LocalSearchResult blank = Search(" \t ", {{"银行", 1}});
    EXPECT_EQ(blank.result, kSearchNoKeyword);
    ASSERT_TRUE(blank.message);
    EXPECT_EQ(blank.message->text, "请输入您想查找的关键字!");
    EXPECT_EQ(blank.message->title, "新闻查找");
    EXPECT_EQ(blank.message->icon, platform::MessageBoxSink::kWarning);

    // 1000 and 100000 belong to no range; an unknown name and a missing file give nothing.
    LocalSearchResult none = Search(
        "央行", {{"银行", 1000}, {"银行", 100000}, {"保险", 3}, {"国际经济", 10002}, {"钢铁", 5}});
    EXPECT_EQ(none.result, 0);
    EXPECT_TRUE(none.hits.empty());
    EXPECT_TRUE(none.statusText.empty());
    ASSERT_TRUE(none.message);
    EXPECT_EQ(none.message->text, "没找到包含\"央行\"的新闻!");
    EXPECT_EQ(none.message->icon, platform::MessageBoxSink::kInformation);
    EXPECT_EQ(Search("央行", {}).result, 0);

    EXPECT_EQ(SearchScopeKind(-5), kFolderTrade);
    EXPECT_EQ(SearchScopeKind(999), kFolderTrade);
    EXPECT_EQ(SearchScopeKind(1001), kPublicCategoryKind);
    EXPECT_EQ(SearchScopeKind(99999), kPublicCategoryKind);
    EXPECT_EQ(SearchScopeKind(100001), kFolderRegion);
}

TEST_F(NewsSearchTest, TheDefaultScopeNamesEveryCategoryTradeAndRegion) {
    std::vector<SearchScopeEntry> expected = {
        {"国内经济", 10001}, {"国际经济", 10002}, {"银行", 1}, {"钢铁", 5}, {"北京", 100110}};
    EXPECT_EQ(DefaultSearchScope(tables_), expected);
    File(std::string(RegionGroup()), 9, "110", "北京新闻");
    EXPECT_EQ(Search("北京", DefaultSearchScope(tables_)).result, 1);
}

TEST_F(NewsSearchTest, WebSearchAddressesTheEngineWithTheKeyword) {
    WebSearchResult r = SearchWeb("  股市 ");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.address, std::string(settings::keys::kSearchEngineDefault) + "word=股市");
    settings::WriteString(settings::keys::kSearchEngine, "http://127.0.0.1:8080/s?");
    EXPECT_EQ(SearchWeb("a b&c").address, "http://127.0.0.1:8080/s?word=a%20b%26c");
    WebSearchResult empty = SearchWeb(" ");
    EXPECT_EQ(empty.result, kSearchNoKeyword);
    EXPECT_TRUE(empty.address.empty());
    ASSERT_TRUE(empty.message);
}

}  // namespace
}  // namespace brevio::store
