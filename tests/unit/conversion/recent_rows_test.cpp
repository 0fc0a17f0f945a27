// The recent-news index page (order, limit, slots, content pages and folders) and the rows
// the news list shows for a category, converted or not.
#include <gtest/gtest.h>

#include "conversion/converted_rows.h"
#include "conversion/output_layout.h"
#include "conversion/recent_index.h"
#include "conversion/stored_conversion.h"
#include "conversion_fixture.h"

namespace brevio::conversion {
namespace {

using test_support::ConversionTest;

RecentItem At(std::int32_t id, const std::string& time) {
    return {id, "Title " + std::to_string(id), "http://u/" + std::to_string(id), time,
            "content " + std::to_string(id)};
}

std::vector<std::int32_t> Ids(const RecentNewsIndex& index) {
    std::vector<std::int32_t> ids;
    for (const RecentItem& item : index.Items()) ids.push_back(item.id);
    return ids;
}

TEST(RecentNewsIndexTest, NewestFirstWithinTheLimit) {
    RecentNewsIndex index;
    index.AddRecentItem(At(1, "2026-12-09 10:00:00"), 3);
    index.AddRecentItem(At(2, "2026-12-09 12:00:00"), 3);
    index.AddRecentItem(At(3, "2026-12-09 11:00:00"), 3);
    EXPECT_EQ(Ids(index), (std::vector<std::int32_t>{2, 3, 1}));
    // Full, and older than every entry: not taken.
    index.AddRecentItem(At(4, "2026-12-09 09:00:00"), 3);
    EXPECT_EQ(Ids(index), (std::vector<std::int32_t>{2, 3, 1}));
    // Equal to an entry: after it. Newer: in front, the oldest drops out.
    index.AddRecentItem(At(5, "2026-12-09 11:00:00"), 3);
    EXPECT_EQ(Ids(index), (std::vector<std::int32_t>{2, 3, 5}));
    index.AddRecentItem(At(6, "2026-12-10 00:00:00"), 3);
    EXPECT_EQ(Ids(index), (std::vector<std::int32_t>{6, 2, 3}));
    // A smaller limit cuts the list.
    index.AddRecentItem(At(7, "2026-12-10 00:00:01"), 2);
    EXPECT_EQ(Ids(index), (std::vector<std::int32_t>{7, 6}));

    EXPECT_EQ(StampOf("2026-12-09 08:05:03"), (RecentStamp{20261209, 80503}));
    EXPECT_LT(StampOf("2026-12-09 23:59:59"), StampOf("2026-12-10 00:00:00"));
    EXPECT_EQ(RecentPageFolder("/a/"), "/a");
    EXPECT_EQ(RecentPageFolder("/ab/"), "/ab");
    EXPECT_EQ(RecentPageFolder("/abcd"), "/abcd");
}

class RecentPageTest : public ConversionTest {
  protected:
    void SetUp() override {
        ConversionTest::SetUp();
        settings_.recentNewsNum = 3;
        settings_.titleFilePath = Home() + "recent";
        settings_.htmlTitle =
            "*Title1*=*LinkPoint1*;*Title2*=*LinkPoint2*;*Title3*=*LinkPoint3*\r\n";
    }
    std::string F() const { return Home() + "recent"; }
};

TEST_F(RecentPageTest, EntriesLinkToLocalContentPagesByDefault) {
    RecentNewsIndex index;
    index.AddRecentItem(At(1, "2026-12-09 10:00:00"), 3);
    index.AddRecentItem(At(2, "2026-12-09 12:00:00"), 3);
    test::WriteFileBytes(F() + "/IndexAuto.html", "stale");
    const std::string page = index.WriteRecentIndex(settings_);
    EXPECT_EQ(page, F() + "/IndexHand.html");
    EXPECT_FALSE(platform::PathExists(F() + "/IndexAuto.html"));
    const std::string content = F() + "/HandContent/";
    EXPECT_EQ(FileBytes(page),
              "Title 2=" + content + "Title 2.html;Title 1=" + content + "Title 1.html; = <br>");
    EXPECT_EQ(FileBytes(content + "Title 1.html"), "content 1");

    settings_.autoTrans = 1;
    settings_.titleLinkPoint = 1;
    ASSERT_TRUE(platform::RemoveTree(content));
    ASSERT_TRUE(platform::CreateFolders(content));
    EXPECT_EQ(index.WriteRecentIndex(settings_), F() + "/IndexAuto.html");
    EXPECT_EQ(FileBytes(F() + "/IndexAuto.html"), "Title 2=http://u/2;Title 1=http://u/1; = <br>");
    EXPECT_TRUE(platform::FolderExists(F() + "/AutoContent"));
    EXPECT_FALSE(platform::PathExists(content));  // removed while empty

    settings_.titleFilePath.clear();
    EXPECT_EQ(index.WriteRecentIndex(settings_), "");
}

class CategoryRowsTest : public ConversionTest {
  protected:
    std::string Content() const { return Home() + "content/"; }
    void Append(std::int32_t id, const std::string& time, bool hidden = false) {
        store::NewsItem item = Item(id, "Row " + std::to_string(id), time);
        store::NewsRecord record = store::BuildRecord(item, "Site");
        record.isRead = id % 2;
        if (hidden) record.SetHideMark("hidden");
        ASSERT_GT(
            store::AppendRecord(
                store::BasePath(store::ResolveFolder(Content(), store::kFolderPublic), "09001"),
                record, item.content),
            0);
    }
};

TEST_F(CategoryRowsTest, NewsRowsUntilTheGroupIndexExistsThenConvertedRows) {
    ASSERT_TRUE(platform::CreateFolders(Content() + "News/"));
    Append(1, "2026-12-9 8:0:0");
    Append(2, "2026-12-9 10:0:0");
    Append(3, "2026-12-9 9:0:0", true);
    Append(4, "2026-12-8 23:0:0");

    CategoryRows rows =
        RowsForCategory(settings_, Content(), store::kFolderPublic, "09001", OutputForm::kText);
    EXPECT_FALSE(rows.converted);
    ASSERT_EQ(rows.result, 3);
    std::vector<std::int32_t> ids;
    for (const NewsListRow& r : rows.rows) ids.push_back(r.newsId);
    EXPECT_EQ(ids, (std::vector<std::int32_t>{2, 1, 4}));
    EXPECT_EQ(rows.rows[1].icon, kIconRead);
    EXPECT_EQ(rows.rows[1].itemValue, 1);
    EXPECT_EQ(rows.rows[0].icon, kIconUnread);
    EXPECT_EQ(rows.rows[0].locator, "0,09001");
    EXPECT_EQ(rows.rows[0].timeText, "2026-12-09 10:00:00");
    EXPECT_EQ(
        RowsForCategory(settings_, Content(), store::kFolderPublic, "77777", OutputForm::kText)
            .result,
        store::kCannotOpen);

    StoredConversion done = ConvertStoredItems(settings_, tables_, Content(), store::kFolderPublic,
                                               "09001", {2, 4, 99}, kFormatText);
    EXPECT_EQ(done.converted, 2);
    EXPECT_EQ(done.missing, (std::vector<std::int32_t>{99}));
    EXPECT_EQ(ConvertedCountText(done.converted), "共有2条新闻转换成功!");

    rows = RowsForCategory(settings_, Content(), store::kFolderPublic, "09001", OutputForm::kText);
    EXPECT_TRUE(rows.converted);
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[0].newsId, 2);  // file order
    EXPECT_EQ(rows.rows[0].icon, kIconText);
    EXPECT_EQ(rows.rows[0].itemValue, kConvertedRowValue);
    EXPECT_EQ(rows.rows[0].locator, "0,9001");
    EXPECT_EQ(rows.rows[0].fileBase, "Row 2");
    EXPECT_EQ(rows.rows[1].timeText, "2026-12-08 23:00:00");
    // Another code of the group has no converted rows; the web form has no index yet.
    EXPECT_TRUE(
        RowsForCategory(settings_, Content(), store::kFolderPublic, "10001", OutputForm::kText)
            .rows.empty());
    EXPECT_FALSE(
        RowsForCategory(settings_, Content(), store::kFolderPublic, "09001", OutputForm::kHtml)
            .converted);
}

TEST_F(CategoryRowsTest, DeletingAConvertedRowRemovesItsRecordAndFile) {
    ASSERT_TRUE(platform::CreateFolders(Content() + "News/"));
    Append(5, "2026-12-9 8:0:0");
    ConvertStoredItems(settings_, tables_, Content(), store::kFolderPublic, "09001", {5},
                       kFormatTextAndHtml);
    const std::string text = settings_.convertPath + "文本格式/20261209/今日要闻/Row 5.txt";
    ASSERT_TRUE(platform::FileExists(text));
    const std::string index = GroupIndexBase(settings_.convertPath, kKindPublic, OutputForm::kText);
    std::string removed;
    bool marked = false;
    EXPECT_EQ(DeleteConvertedRow(settings_, tables_, index, kKindPublic, OutputForm::kText, 5,
                                 &removed, &marked),
              0);
    EXPECT_TRUE(marked);
    EXPECT_EQ(removed, text);
    EXPECT_FALSE(platform::FileExists(text));
    EXPECT_TRUE(Records(index).empty());
    // The web page and its index are another matter.
    EXPECT_TRUE(
        platform::FileExists(settings_.convertPath + "网页格式/20261209/今日要闻/Row 5.htm"));
    EXPECT_EQ(Records(GroupIndexBase(settings_.convertPath, kKindPublic, OutputForm::kHtml)).size(),
              1u);
    EXPECT_EQ(DeleteConvertedRow(settings_, tables_, index, kKindPublic, OutputForm::kText, 5,
                                 &removed, &marked),
              0);
    EXPECT_FALSE(marked);
    EXPECT_EQ(removed, "");
}

}  // namespace
}  // namespace brevio::conversion
