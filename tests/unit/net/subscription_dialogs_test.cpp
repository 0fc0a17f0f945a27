// The subscription dialogs, the bulletin window and the find bar as form objects: what they
// show, their checks with their messages, and what OK leaves in the records and files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "net/auto_search_form.h"
#include "net/bulletin_form.h"
#include "net/category_selection_form.h"
#include "net/find_bar_form.h"
#include "net/property_view_form.h"
#include "net/website_form.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "reference/file_names.h"
#include "reference/reference_tables.h"
#include "reference/user_websites.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::net {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// 2024-06-01 08:09:10 UTC.
constexpr std::int64_t kJune1 = 1717229350;

const store::FormMessage* Message(const auto& v) {
    return std::get_if<store::FormMessage>(&v);
}

class DialogFormsTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        content_ = Home() + "content/";
        const std::string data = content_ + "Data/";
        WriteFileBytes(data + "NewsKind.tab", "10\t要闻\tF\r\n40\t快讯\tF\r\n01\t早报\tF\r\n");
        WriteFileBytes(data + "NewsClassify.tab",
                       "10001\t国内\tF\r\n10002\t国际\tF\r\n40005\t公告\tF\r\n"
                       "40006\t新闻快递\tF\r\n40007\t快讯要闻\tF\r\n30001\t无类\tF\r\n"
                       "01234\t早间\tF\r\n");
        WriteFileBytes(data + "Trade.tab", "5\t银行\tF\r\n17\t钢铁\tF\r\n");
        WriteFileBytes(data + "Region.tab", "17\t北京\tF\r\n23\t上海\tF\r\n");
        WriteFileBytes(data + "websites.tab",
                       "1\t新华网\r\n2\t人民网\r\n3\t新浪财经\r\n4\t新华财经\r\n");
        // Categories above 6999 keep their sites in the "Other" file.
        WriteFileBytes(data + "UserWebsite.tabOther", "[10002]\r\nWebsite=2|4|9|\r\n");
        WriteFileBytes(data + "Category.dat",
                       "[10001]\r\nMAXID=3\r\nINTERVALMIN=0\r\nREMAINDAYS=0\r\n"
                       "[10002]\r\nMAXID=4\r\nINTERVALMIN=30\r\nREMAINDAYS=9\r\n");
        tables_.LoadAll(content_);
        lists_.Build(tables_, CategoryFilePath(content_));
    }
    std::string UserWebsitePath() const {
        return reference::DataPath(content_, reference::kUserWebsiteFile);
    }
    std::string OtherSites(const char* section) const {
        return platform::ProfileGetString(UserWebsitePath() + "Other", section, "Website", "-",
                                          100);
    }
    SubscriptionRecord Record(Group group, const char* code) const {
        return *lists_.Get(SubscriptionLists::RefFor(group, code));
    }
    static std::vector<std::string> Names(const std::vector<CategorySelectionForm::Item>& items) {
        std::vector<std::string> names;
        for (const auto& item : items) names.push_back(item.name);
        return names;
    }

    std::string content_;
    reference::ReferenceTables tables_;
    SubscriptionLists lists_;
};

// --- Category selection ------------------------------------------------------------------

TEST_F(DialogFormsTest, CategorySelectionListsEachGroupWithItsItemValues) {
    CategorySelectionForm form(tables_, {});
    EXPECT_EQ(form.ShownGroup(), Group::kPublic);
    // Under their major categories, in the majors' order; the express service above 40000 is
    // left out, a category under no major is not offered.
    EXPECT_EQ(Names(form.Available()),
              (std::vector<std::string>{"国内", "国际", "公告", "快讯要闻", "早间"}));
    EXPECT_EQ(form.Available()[0].value, 10001);
    EXPECT_EQ(form.Available()[4].value, 1234);

    form.ShowGroup(Group::kTrade);
    ASSERT_EQ(form.Available().size(), 2u);
    EXPECT_EQ(form.Available()[0], (CategorySelectionForm::Item{"银行", 205}));
    form.ShowGroup(Group::kRegion);
    EXPECT_EQ(form.Available()[0], (CategorySelectionForm::Item{"北京", 100017}));
    EXPECT_EQ(CategorySelectionForm::Groups().front(), Group::kPublic);
}

TEST_F(DialogFormsTest, CategorySelectionRefusesTheSeventeenthAndARepeatedName) {
    std::vector<CategoryChoice> current;
    for (int i = 0; i < 15; ++i)
        current.push_back({std::to_string(100100 + i), "地" + std::to_string(i)});
    CategorySelectionForm form(tables_, current);
    EXPECT_FALSE(form.ChosenSelection());

    EXPECT_FALSE(form.Add(std::nullopt));  // nothing selected: nothing happens
    EXPECT_FALSE(form.Add(0));             // the sixteenth
    EXPECT_EQ(form.Chosen().size(), 16u);
    EXPECT_EQ(form.ChosenSelection(), 15u);

    std::optional<store::FormMessage> full = form.Add(1);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->text, "您只能选择16种类别!!");
    EXPECT_EQ(full->title, "Brevio提示");
    EXPECT_EQ(form.Chosen().size(), 16u);

    form.Remove(0);
    std::optional<store::FormMessage> again = form.Add(0);  // "国内" is chosen already
    ASSERT_TRUE(again);
    EXPECT_EQ(again->text, "此类别已经添加啦!!");
    EXPECT_EQ(form.Chosen().size(), 15u);
}

TEST_F(DialogFormsTest, CategorySelectionRemoveSelectsTheNeighbour) {
    CategorySelectionForm form(tables_, {{"10001", "国内"}, {"205", "银行"}, {"100017", "北京"}});
    form.Remove(1);
    EXPECT_EQ(Names(form.Chosen()), (std::vector<std::string>{"国内", "北京"}));
    EXPECT_EQ(form.ChosenSelection(), 1u);  // the entry now at that place
    form.Remove(1);
    EXPECT_EQ(form.ChosenSelection(), 0u);  // the last went: the one before it
    form.Remove(std::nullopt);
    form.Remove(5);
    EXPECT_EQ(form.Chosen().size(), 1u);
    form.Remove(0);
    EXPECT_FALSE(form.ChosenSelection());
}

TEST_F(DialogFormsTest, CategorySelectionOkWritesTheFileAndTheCount) {
    const std::string file = VantoryFilePath(Home());
    WriteSelection(file, {{"10001", "国内"}, {"10002", "国际"}, {"x7", "旧的"}});
    CategorySelectionForm form(tables_, ReadSelection(file));
    form.Remove(1);
    form.ShowGroup(Group::kTrade);
    ASSERT_FALSE(form.Add(0));
    form.ShowGroup(Group::kRegion);
    ASSERT_FALSE(form.Add(0));
    form.ShowGroup(Group::kPublic);
    ASSERT_FALSE(form.Add(4));
    ASSERT_TRUE(form.Ok(file));

    const std::vector<CategoryChoice> written = ReadSelection(file);
    EXPECT_EQ(written, (std::vector<CategoryChoice>{{"10001", "国内"},
                                                    {"x7", "旧的"},  // kept as it was read
                                                    {"205", "银行"},
                                                    {"100017", "北京"},
                                                    {"1234", "早间"}}));
    EXPECT_EQ(settings::ReadInt(settings::keys::kMyFolderCount, 0), 5);
    // Read back as the conversion lists read them: trade "05", public "01234", region "17".
    EXPECT_EQ(DecodeItemValue(written[2].categoryId), (ChosenCategory{Group::kTrade, "05"}));
    EXPECT_EQ(DecodeItemValue(written[4].categoryId), (ChosenCategory{Group::kPublic, "01234"}));
    EXPECT_EQ(DecodeItemValue(written[3].categoryId), (ChosenCategory{Group::kRegion, "17"}));
    // No section of the longer earlier file is left behind.
    EXPECT_EQ(ReadFileBytes(file).find("[5]"), std::string::npos);
}

TEST_F(DialogFormsTest, CategorySelectionWebsitesNeedALeftEntry) {
    CategorySelectionForm form(tables_, {});
    auto none = form.Websites(std::nullopt);
    ASSERT_TRUE(Message(none));
    EXPECT_EQ(Message(none)->text, "请先在右侧窗口选择新闻类别");
    form.ShowGroup(Group::kTrade);
    // The record of the category as the trade list spells its code.
    auto ref = form.Websites(0);
    ASSERT_TRUE(std::holds_alternative<RecordRef>(ref));
    EXPECT_EQ(std::get<RecordRef>(ref), (RecordRef{Group::kTrade, "5"}));
    EXPECT_TRUE(lists_.Get(std::get<RecordRef>(ref)));
    form.ShowGroup(Group::kRegion);
    EXPECT_EQ(std::get<RecordRef>(form.Websites(1)), (RecordRef{Group::kRegion, "R23"}));
}

// --- Web sites ---------------------------------------------------------------------------

TEST_F(DialogFormsTest, WebsiteDialogShowsTheCategoryAndItsStoredSites) {
    lists_.SetTimeUpdate(SubscriptionLists::RefFor(Group::kPublic, "10002"), kJune1);
    WebsiteForm form(Record(Group::kPublic, "10002"), *tables_.Websites(), UserWebsitePath());
    EXPECT_EQ(form.Caption(), "定制网站 —— 国际");
    EXPECT_EQ(form.InfoLine(), "大众->国际(10002) 最后更新时间:2024-6-1 8:9:10");
    ASSERT_EQ(form.Sites().Size(), 4u);
    EXPECT_EQ(form.Sites().At(1).name, "人民网");
    // Sites 2 and 4 are stored; 9 is no longer listed.
    EXPECT_EQ(form.Sites().TickedCodes(), (std::vector<std::string>{"2", "4"}));
    EXPECT_EQ(form.Sites().CountLine(), "共4个,已选择2个");

    form.Sites().SetTicked(0, true);
    form.Sites().SetTicked(9, true);  // no such row
    EXPECT_EQ(form.Sites().CountLine(), "共4个,已选择3个");
    form.Sites().ClearAll();
    EXPECT_EQ(form.Sites().CountLine(), "共4个,已选择0个");
    form.Sites().TickAll();
    EXPECT_EQ(form.Sites().CountLine(), "共4个,已选择4个");

    // A region is shown under its reference code; no last update shows "0:0".
    WebsiteForm region(Record(Group::kRegion, "17"), *tables_.Websites(), UserWebsitePath());
    EXPECT_EQ(region.InfoLine(), "地区->北京(17) 最后更新时间:0:0");
    EXPECT_EQ(region.Sites().TickedCount(), 0u);
    EXPECT_EQ(NoCategoryMessage(), (store::FormMessage{"请选择一新闻类别", "Vantory",
                                                       platform::MessageBoxSink::kWarning}));
}

TEST_F(DialogFormsTest, WebsiteFindWalksFromHitToHitAndStartsAgainAfterAMiss) {
    WebsiteForm form(Record(Group::kPublic, "10001"), *tables_.Websites(), UserWebsitePath());
    auto empty = form.Find("  ");
    ASSERT_TRUE(Message(empty));
    EXPECT_EQ(Message(empty)->text, "请输入需查询的股票关键字");
    EXPECT_EQ(Message(empty)->title, "Brevio提示");

    EXPECT_EQ(std::get<std::size_t>(form.Find(" 新华 ")), 0u);
    EXPECT_EQ(std::get<std::size_t>(form.Find("新华")), 3u);  // after the last hit
    auto miss = form.Find("新华");
    ASSERT_TRUE(Message(miss));
    EXPECT_EQ(Message(miss)->text, "没找到包含\"新华\"的网站!\n可进入添加网站进行添加.");
    EXPECT_EQ(std::get<std::size_t>(form.Find("新华")), 0u);  // from the top after a miss

    EXPECT_EQ(std::get<std::size_t>(form.Find("财经")), 2u);
    form.FindTextEdited();
    EXPECT_EQ(std::get<std::size_t>(form.Find("财经")), 2u);  // from the top after an edit
    EXPECT_EQ(std::get<std::size_t>(form.Find("财经")), 3u);
}

TEST_F(DialogFormsTest, WebsiteOkStoresTheTickedSitesForOneOrEveryPublicCategory) {
    WebsiteForm form(Record(Group::kPublic, "10001"), *tables_.Websites(), UserWebsitePath());
    form.Sites().SetTicked(2, true);
    form.Sites().SetTicked(0, true);
    EXPECT_EQ(form.Ok(false, lists_), 1);
    SubscriptionRecord record = Record(Group::kPublic, "10001");
    EXPECT_EQ(record.websites, "1|3|");
    EXPECT_TRUE(record.changed);
    EXPECT_FALSE(Record(Group::kPublic, "10002").changed);
    EXPECT_EQ(OtherSites("10001"), "1|3|");
    EXPECT_EQ(OtherSites("10002"), "2|4|9|");

    // "All categories": every public record, none of the trades.
    WebsiteForm all(Record(Group::kPublic, "40005"), *tables_.Websites(), UserWebsitePath());
    all.Sites().SetTicked(3, true);
    EXPECT_EQ(all.Ok(true, lists_), static_cast<int>(lists_.Size(Group::kPublic)));
    EXPECT_EQ(Record(Group::kPublic, "10002").websites, "4|");
    EXPECT_EQ(Record(Group::kTrade, "5").websites, "");
    EXPECT_EQ(OtherSites("10002"), "4|");
    EXPECT_EQ(OtherSites("10001"), "4|");
    EXPECT_EQ(platform::ProfileGetString(UserWebsitePath(), "01234", "Website", "", 100), "4|");

    // No tick: all sites, stored as an empty list.
    WebsiteForm none(Record(Group::kPublic, "01234"), *tables_.Websites(), UserWebsitePath());
    none.Sites().ClearAll();
    EXPECT_EQ(none.Ok(false, lists_), 1);
    EXPECT_EQ(Record(Group::kPublic, "01234").websites, "");
    // Category 1234 is below 7000: the first file.
    EXPECT_EQ(platform::ProfileGetString(UserWebsitePath(), "01234", "Website", "-", 100), "");
    EXPECT_EQ(OtherSites("01234"), "-");
}

// --- Automatic search --------------------------------------------------------------------

TEST_F(DialogFormsTest, AutoSearchShowsTheFirstPublicRecord) {
    lists_.Update(SubscriptionLists::RefFor(Group::kPublic, "10001"), [](SubscriptionRecord& r) {
        r.autoSearch = true;
        r.timeStart = kJune1;
        r.timeUpdate = kJune1 + 3600;
    });
    AutoSearchForm form(lists_);
    EXPECT_EQ(form.InfoLine(), " 最后更新时间:2024-6-1 9:9:10");
    EXPECT_TRUE(form.AutoSearch());
    EXPECT_EQ(form.StartTime(), (TimeOfDay{8, 9, 10}));
    EXPECT_EQ(form.EndTime(), (TimeOfDay{0, 0, 0}));  // not set
    EXPECT_EQ(form.Interval(), 15);                   // stored 0
    EXPECT_TRUE(AutoSearchForm::TimesEnabled(true));
    EXPECT_FALSE(AutoSearchForm::TimesEnabled(false));
    EXPECT_EQ(AutoSearchForm::Caption(), "自动搜索设置 ");

    SubscriptionLists empty;
    EXPECT_EQ(AutoSearchForm(empty).InfoLine(), " 最后更新时间:0:0");
}

TEST_F(DialogFormsTest, AutoSearchIntervalTextRules) {
    EXPECT_EQ(AutoSearchForm::ParseInterval("30"), 30);
    EXPECT_EQ(AutoSearchForm::ParseInterval(" 20"), 20);
    EXPECT_EQ(AutoSearchForm::ParseInterval("45分钟"), 45);
    EXPECT_EQ(AutoSearchForm::ParseInterval("abc"), 15);
    EXPECT_EQ(AutoSearchForm::ParseInterval("0"), 15);
    EXPECT_EQ(AutoSearchForm::ParseInterval("-3"), 15);
    EXPECT_EQ(AutoSearchForm::ParseInterval(""), 15);
    EXPECT_EQ(AutoSearchForm::ParseInterval("1234567890"), 12345678);  // eight characters
}

TEST_F(DialogFormsTest, AutoSearchOkGivesTheValuesToEveryPublicRecord) {
    lists_.Update(SubscriptionLists::RefFor(Group::kPublic, "10001"),
                  [](SubscriptionRecord& r) { r.timeStart = kJune1; });
    AutoSearchForm form(lists_);
    const int changed = form.Ok(true, {6, 30, 0}, {22, 0, 5}, "40", lists_);
    EXPECT_EQ(changed, static_cast<int>(lists_.Size(Group::kPublic)));
    for (const SubscriptionRecord& r : lists_.Records(Group::kPublic)) {
        EXPECT_TRUE(r.autoSearch);
        EXPECT_TRUE(r.changed);
        EXPECT_EQ(r.intervalMinutes, 40);
        // The start keeps the date it had; the end, not set before, takes today's.
        EXPECT_EQ(r.timeStart, kJune1 - (8 * 3600 + 9 * 60 + 10) + 6 * 3600 + 30 * 60);
        EXPECT_EQ(LocalTimeOfDay(r.timeEnd), (TimeOfDay{22, 0, 5}));
        EXPECT_LE(std::abs(r.timeEnd - std::time(nullptr)), 86400);
    }
    EXPECT_FALSE(Record(Group::kTrade, "5").autoSearch);
    EXPECT_FALSE(Record(Group::kTrade, "5").changed);

    AutoSearchForm(lists_).Ok(false, {6, 30, 0}, {22, 0, 5}, "x", lists_);
    EXPECT_FALSE(Record(Group::kPublic, "10002").autoSearch);
    EXPECT_EQ(Record(Group::kPublic, "10002").intervalMinutes, 15);
}

// --- Property view -----------------------------------------------------------------------

TEST_F(DialogFormsTest, PropertyViewShowsTheRecordWithItsDefaultsForZeros) {
    PropertyViewForm zeros(Record(Group::kPublic, "10001"), *tables_.Websites(), UserWebsitePath());
    EXPECT_EQ(zeros.Caption(), "属性 —— 国内");
    EXPECT_EQ(zeros.Interval(), 15);   // stored 0
    EXPECT_EQ(zeros.RemainDays(), 7);  // stored 0
    EXPECT_EQ(zeros.Sites().CountLine(), "共4个,已选择0个");
    EXPECT_FALSE(zeros.AutoSearch());

    lists_.Update(SubscriptionLists::RefFor(Group::kPublic, "10002"), [](SubscriptionRecord& r) {
        r.autoSearch = true;
        r.timeEnd = kJune1;
    });
    PropertyViewForm stored(Record(Group::kPublic, "10002"), *tables_.Websites(),
                            UserWebsitePath());
    EXPECT_EQ(stored.Interval(), 30);
    EXPECT_EQ(stored.RemainDays(), 9);
    EXPECT_EQ(stored.Sites().TickedCodes(), (std::vector<std::string>{"2", "4"}));
    EXPECT_TRUE(stored.AutoSearch());
    EXPECT_EQ(stored.EndTime(), (TimeOfDay{8, 9, 10}));
    EXPECT_EQ(stored.InfoLine(), "大众->国际(10002) 最后更新时间:0:0");

    // A section without INTERVALMIN reads 15, a negative days value shows 7.
    SubscriptionRecord r = Record(Group::kTrade, "17");
    r.remainDays = -2;
    PropertyViewForm trade(r, *tables_.Websites(), UserWebsitePath());
    EXPECT_EQ(trade.Interval(), 15);
    EXPECT_EQ(trade.RemainDays(), 7);
}

// --- Bulletin window ---------------------------------------------------------------------

TEST_F(DialogFormsTest, BulletinColoursAreTheWindowsValuesAsHtml) {
    EXPECT_EQ(HtmlColour(BulletinWindowForm::kTimeColour), "#000000");
    EXPECT_EQ(HtmlColour(BulletinWindowForm::kCategoryColour), "#0000FF");
    EXPECT_EQ(HtmlColour(BulletinWindowForm::kContentColour), "#FF0000");
    EXPECT_EQ(HtmlColour(0x00563412), "#123456");
}

TEST_F(DialogFormsTest, BulletinShownOnArrivalWithItsCategoryName) {
    const std::string path = BulletinWindowForm::FilePath(content_);
    EXPECT_EQ(path, content_ + "Data/Bullient.tab");
    reference::Bulletin item{"系统公告", "2024-6-1 8:0:0", "40005", 1, "第一行\r\n第二行"};
    ASSERT_EQ(reference::WriteBulletin(path, item, 1), 0);

    BulletinWindowForm form(path);
    form.Show(item, lists_);
    EXPECT_EQ(form.Caption(), "系统公告");
    EXPECT_EQ(form.TimeText(), "2024-6-1 8:0:0");
    EXPECT_EQ(form.CategoryName(), "公告");  // the public record of "40005"
    EXPECT_EQ(form.Content(), "第一行\r\n第二行");
    EXPECT_TRUE(form.ShowAtStart());

    // Unticking rewrites only the flag line.
    const std::string before = ReadFileBytes(path);
    EXPECT_EQ(form.SetShowAtStart(false), 0);
    EXPECT_FALSE(form.ShowAtStart());
    std::string expected = before;
    expected.replace(expected.find("\"1\""), 3, "\"0\"");
    EXPECT_EQ(ReadFileBytes(path), expected);

    // An unknown category shows no name; the flag comes from the file.
    BulletinWindowForm other(path);
    other.Show({"t", "", "99999", 1, "c"}, lists_);
    EXPECT_EQ(other.CategoryName(), "");
    EXPECT_FALSE(other.ShowAtStart());
}

TEST_F(DialogFormsTest, BulletinAtStartOnlyWhenTheFileSaysSo) {
    const std::string path = BulletinWindowForm::FilePath(content_);
    BulletinWindowForm form(path);
    EXPECT_FALSE(form.LoadAtStart(lists_));  // no file
    EXPECT_EQ(form.SetShowAtStart(true), reference::kBulletinMissing);
    EXPECT_FALSE(form.ShowAtStart());

    ASSERT_EQ(reference::WriteBulletin(path, {"标题", "t", "10001", 0, "c"}, 0), 0);
    EXPECT_FALSE(form.LoadAtStart(lists_));
    ASSERT_EQ(reference::SetBulletinFlag(path, 1), 0);
    ASSERT_TRUE(form.LoadAtStart(lists_));
    EXPECT_EQ(form.Caption(), "标题");
    EXPECT_EQ(form.CategoryName(), "国内");
    EXPECT_TRUE(form.ShowAtStart());

    // An empty title is no bulletin, whatever the flag line holds.
    WriteFileBytes(path, "\"\"\r\n\"t\"\r\n\"10001\"\r\n\"1\"\r\n\"c\"\r\n");
    EXPECT_FALSE(form.LoadAtStart(lists_));
    EXPECT_EQ(form.Caption(), "");
}

// --- Find bar ----------------------------------------------------------------------------

TEST_F(DialogFormsTest, FindBarChecksTheKeywordAndDropsOvertakenSearches) {
    FindBarForm bar(store::DefaultSearchScope(tables_));
    ASSERT_EQ(bar.Scope().size(), 7u + 2u + 2u);
    EXPECT_EQ(bar.Scope()[7], (store::SearchScopeEntry{"银行", 5}));
    EXPECT_EQ(bar.Scope()[9], (store::SearchScopeEntry{"北京", 100017}));

    auto blank = bar.BeginLocal(" \t ");
    ASSERT_TRUE(Message(blank));
    // The scan itself refuses an empty keyword with the same message.
    EXPECT_EQ(*Message(blank), *store::SearchLocal("", {}, tables_, content_).message);
    EXPECT_EQ(Message(blank)->title, "新闻查找");

    auto first = std::get<FindBarForm::Request>(bar.BeginLocal(" 央行 "));
    EXPECT_EQ(first.keyword, "央行");
    EXPECT_EQ(first.scope, bar.Scope());
    EXPECT_TRUE(bar.IsCurrent(first));
    auto second = std::get<FindBarForm::Request>(bar.BeginLocal("股市"));
    EXPECT_FALSE(bar.IsCurrent(first));
    EXPECT_TRUE(bar.IsCurrent(second));
    bar.Abandon();
    EXPECT_FALSE(bar.IsCurrent(second));

    EXPECT_EQ(FindBarForm::ListPaneHeightForLocal(50), 250);
    EXPECT_EQ(FindBarForm::ListPaneHeightForLocal(51), 51);
    EXPECT_EQ(FindBarForm::kListPaneHeightForWeb, 20);
    EXPECT_EQ(FindBarForm::Web("  ").result, store::kSearchNoKeyword);
}

TEST_F(DialogFormsTest, FindBarSearchRunsOverTheStoredTitlesOfItsScope) {
    const std::string trades = store::ResolveFolder(content_, store::kFolderTrade);
    const std::string pub = store::ResolveFolder(content_, store::kPublicCategoryKind);
    store::NewsItem a;
    a.newsId = 7;
    a.title = "央行降准";
    a.timeText = "2024-6-1 8:0:0";
    store::NewsItem b = a;
    b.newsId = 8;
    b.title = "银行央行新规";
    b.timeText = "2024-6-2 8:0:0";
    ASSERT_TRUE(platform::CreateFolders(pub));
    ASSERT_TRUE(platform::CreateFolders(trades));
    ASSERT_GE(store::AppendItem(pub, "10001", a, ""), 0);
    ASSERT_GE(store::AppendItem(trades, "5", b, ""), 0);

    FindBarForm bar(store::DefaultSearchScope(tables_));
    auto request = std::get<FindBarForm::Request>(bar.BeginLocal("央行"));
    store::LocalSearchResult result = FindBarForm::Run(request, tables_, content_);
    ASSERT_EQ(result.result, 2);
    EXPECT_EQ(result.hits[0].record.newsId, 8);  // newest first
    EXPECT_EQ(result.hits[0].kind, store::kFolderTrade);
    EXPECT_EQ(result.hits[0].base, "5");
    EXPECT_EQ(result.statusText, "包含\"央行\"的新闻共有2条.");
}

}  // namespace
}  // namespace brevio::net
