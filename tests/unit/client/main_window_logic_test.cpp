// The main window's decisions without a window: exit checks, refresh codes, status lines and
// portal addresses.
#include "client/main_window_logic.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace brevio::client {
namespace {

using platform::MessageBoxSink;

// Records every box and answers with the next scripted answer (Yes when none is left); an
// optional action runs when a box is shown, standing for time passing while the user reads.
class RecordingBoxes : public MessageBoxSink {
  public:
    struct Box {
        std::string text, title;
        Icon icon;
        Buttons buttons;
    };
    std::vector<Box> shown;
    std::vector<int> answers;
    std::function<void()> whileShown;

    int Show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override {
        shown.push_back({std::string(text), std::string(title), icon, buttons});
        if (whileShown) whileShown();
        if (answers.empty()) return buttons == kYesNo ? kYes : kOk;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

// ---- exit ----

TEST(ExitChecks, QuestionWhileReceivingElseRefusalWhileItemsWait) {
    for (std::size_t pending : {0u, 7u}) {
        const ExitCheck check = FirstExitCheck(2, pending);
        EXPECT_EQ(check.action, ExitAction::kAsk);
        EXPECT_EQ(check.text, "正在接收新闻!\r\n\r\n你真的想退出吗?");
        EXPECT_EQ(check.title, "Brevio提示");
        EXPECT_EQ(check.icon, MessageBoxSink::kQuestion);
        EXPECT_EQ(check.buttons, MessageBoxSink::kYesNo);
    }
    const ExitCheck refusal = FirstExitCheck(0, 12);
    EXPECT_EQ(refusal.action, ExitAction::kRefuse);
    EXPECT_EQ(refusal.text, "还有12条新闻尚未保存到磁盘,请稍后退出!");
    EXPECT_EQ(refusal.title, "Brevio提示");
    EXPECT_EQ(FirstExitCheck(0, 0).action, ExitAction::kProceed);
    EXPECT_EQ(PendingExitCheck(0).action, ExitAction::kProceed);
}

TEST(ExitChecks, NoToTheQuestionCancelsWithoutLookingAtTheQueue) {
    RecordingBoxes boxes;
    boxes.answers = {MessageBoxSink::kNo};
    bool queueRead = false;
    EXPECT_FALSE(ConfirmExit(
        1, [&] { return queueRead = true, std::size_t{3}; }, boxes));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].buttons, MessageBoxSink::kYesNo);
    EXPECT_FALSE(queueRead);
}

TEST(ExitChecks, YesThenWaitingItemsRefuses) {
    RecordingBoxes boxes;
    boxes.answers = {MessageBoxSink::kYes};
    EXPECT_FALSE(ConfirmExit(
        1, [] { return std::size_t{3}; }, boxes));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "正在接收新闻!\r\n\r\n你真的想退出吗?");
    EXPECT_EQ(boxes.shown[1].text, "还有3条新闻尚未保存到磁盘,请稍后退出!");
}

TEST(ExitChecks, TheQueueIsCountedAfterTheAnswer) {
    // While the question is open the store writer empties the queue: the exit goes on.
    std::size_t pending = 4;
    RecordingBoxes boxes;
    boxes.whileShown = [&] { pending = 0; };
    EXPECT_TRUE(ConfirmExit(
        1, [&] { return pending; }, boxes));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST(ExitChecks, NothingRunningNothingWaitingExitsSilently) {
    RecordingBoxes boxes;
    EXPECT_TRUE(ConfirmExit(
        0, [] { return std::size_t{0}; }, boxes));
    EXPECT_TRUE(boxes.shown.empty());

    // Without reception only the refusal can stop the exit; no question is asked.
    EXPECT_FALSE(ConfirmExit(
        0, [] { return std::size_t{2}; }, boxes));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "还有2条新闻尚未保存到磁盘,请稍后退出!");
}

// ---- refresh codes ----

TEST(RefreshCodes, EachCodeRebuildsItsPartsInOrder) {
    using P = NavigationPart;
    EXPECT_EQ(PartsToRebuild(0), std::vector<P>{P::kRadarFolder});
    EXPECT_EQ(PartsToRebuild(1), std::vector<P>{P::kMyNewsFolder});
    EXPECT_EQ(PartsToRebuild(2), std::vector<P>{P::kMyStockFolder});
    EXPECT_EQ(PartsToRebuild(8),
              (std::vector<P>{P::kFavoritesFolder, P::kSubscriptionFolder, P::kRadarFolder}));
    EXPECT_EQ(PartsToRebuild(9), (std::vector<P>{P::kSubscriptionFolder, P::kRadarFolder}));
    EXPECT_EQ(PartsToRebuild(10), std::vector<P>{P::kPublicTree});
    EXPECT_EQ(PartsToRebuild(11), std::vector<P>{P::kRegionTree});
    EXPECT_EQ(PartsToRebuild(12), std::vector<P>{P::kTradeTree});
}

TEST(RefreshCodes, OtherCodesRebuildNothing) {
    for (int code : {-1, 3, 4, 5, 6, 7, 13, 14, 104, 1000}) {
        EXPECT_TRUE(PartsToRebuild(code).empty()) << code;
    }
}

// ---- status line ----

TEST(StatusLine, EveryNodeKindHasItsText) {
    EXPECT_EQ(FavoritesFolderStatus("我的收藏", 5), "收藏夹:我的收藏 \t 共有5条");
    EXPECT_EQ(PersonalSubscriptionStatus("汽车", 17), "个性化订阅:汽车 \t 共有17条");
    EXPECT_EQ(NewsCategoryStatus("新闻快递", 300), "新闻类别:新闻快递 \t 共有300条");
    EXPECT_EQ(NewsCategoryStatus("综合新闻", "新闻快递", 3, "2024-05-01 08:30:00"),
              "新闻类别:综合新闻->新闻快递 \t 共有3条 \t 最后更新时间:2024-05-01 08:30:00");
    EXPECT_EQ(RegionCategoryStatus("北京", 2), "地区类别:北京 \t 共有2条");
    EXPECT_EQ(TradeCategoryStatus("银行", 9), "行业类别:银行 \t 共有9条");
    EXPECT_EQ(RelatedStockStatus("华岳银行", "600101", 4),
              "个股信息->相关信息:华岳银行(600101) \t 共有4条");
}

TEST(StatusLine, NegativeCountsShowAsZeroAndNamesAreText) {
    EXPECT_EQ(FavoritesFolderStatus("100%s%d", 1), "收藏夹:100%s%d \t 共有1条");
    EXPECT_EQ(FavoritesFolderStatus("a", -1), "收藏夹:a \t 共有0条");
    EXPECT_EQ(NewsCategoryStatus("g", "c", -20, "t"), "新闻类别:g->c \t 共有0条 \t 最后更新时间:t");
    EXPECT_EQ(TradeCategoryStatus("t", -5), "行业类别:t \t 共有0条");
    EXPECT_EQ(StockTradeInfoStatus("s", "1", {"x"}, -3).statusLine,
              "个股信息->行业信息:s(1)  所属行业:x\t共0条");
}

TEST(StatusLine, StockTradeInfoListsTheTrades) {
    const StockTradeStatus status = StockTradeInfoStatus("锦城汽车", "600108", {"汽车", "机械"}, 8);
    EXPECT_TRUE(status.tradeKnown);
    EXPECT_EQ(status.statusLine, "个股信息->行业信息:锦城汽车(600108)  所属行业:汽车 机械\t共8条");
    EXPECT_TRUE(status.message.empty());

    EXPECT_EQ(StockTradeInfoStatus("a", "b", {"银行"}, 1).statusLine,
              "个股信息->行业信息:a(b)  所属行业:银行\t共1条");
}

TEST(StatusLine, StockWithoutTradeGivesTheUnknownMessage) {
    const StockTradeStatus status = StockTradeInfoStatus("青岚钢铁", "600157", {}, 8);
    EXPECT_FALSE(status.tradeKnown);
    EXPECT_TRUE(status.statusLine.empty());
    EXPECT_EQ(status.message, "青岚钢铁(600157)所属的行业未知!");
    EXPECT_EQ(MessageTitle(), "Brevio提示");
}

// ---- portal addresses ----

TEST(PortalAddresses, SettingsPagesCarryUserAndPassword) {
    const struct {
        SettingsPage page;
        const char* path;
    } pages[] = {
        {SettingsPage::kRadar, "/radarSet1.aspx"},  {SettingsPage::kMyNews, "/myNewsSet.aspx"},
        {SettingsPage::kMyStock, "/stockSet.aspx"}, {SettingsPage::kMyWeb, "/myweb.aspx"},
        {SettingsPage::kMyBlog, "/myBLOG.aspx"},    {SettingsPage::kMyEmail, "/myemail.aspx"},
    };
    for (const auto& [page, path] : pages) {
        EXPECT_EQ(SettingsPageAddress(page, "http://portal.test", "demo", "demo123"),
                  std::string("http://portal.test") + path + "?userid=demo&userpw=demo123");
    }
}

TEST(PortalAddresses, PortalAddressIsNormalised) {
    EXPECT_EQ(PortalBase("127.0.0.1:8080/"), "http://127.0.0.1:8080");
    EXPECT_EQ(PortalBase("http://p.test//"), "http://p.test");
    EXPECT_EQ(SettingsPageAddress(SettingsPage::kMyNews, "p.test/", "u", "p"),
              "http://p.test/myNewsSet.aspx?userid=u&userpw=p");
    EXPECT_EQ(ConfigurationAddress("http://p.test/", "demo"),
              "http://p.test/getTree.aspx?userid=demo");
}

TEST(PortalAddresses, ValuesThatWouldCutTheQueryAreEscaped) {
    EXPECT_EQ(QueryValue("a&b=c+d%e#f g"), "a%26b%3Dc%2Bd%25e%23f%20g");
    EXPECT_EQ(QueryValue("line\r\n"), "line%0D%0A");
    // GBK bytes and ordinary punctuation go as they are.
    EXPECT_EQ(QueryValue("用户_1.x"), "用户_1.x");
    EXPECT_EQ(SettingsPageAddress(SettingsPage::kMyStock, "http://p", "me", "p&w"),
              "http://p/stockSet.aspx?userid=me&userpw=p%26w");
}

TEST(PortalAddresses, PublishingRegistrationAndOthers) {
    EXPECT_EQ(PublishingAddress("http://p.test", "demo", "demo123"),
              "http://p.test//publish.aspx?userid=demo&userpw=demo123");
    EXPECT_EQ(RegistrationAddress("http://p.test/"), "http://p.test/login.aspx");
    EXPECT_EQ(ConfigurationAddress("http://p.test", "a b"),
              "http://p.test/getTree.aspx?userid=a%20b");
    EXPECT_EQ(HomePageAddress("p.test"), "http://p.test/");
    EXPECT_EQ(ForumAddress("http://p.test").rfind("http://p.test/", 0), 0u);
    EXPECT_EQ(HelpFilePath("/opt/brevio/"), "/opt/brevio/help.chm");
}

TEST(SettingsPages, CommandsCaptionsSectionsAndReloadIndices) {
    const struct {
        int command;
        SettingsPage page;
        const char* caption;
        portal::Section section;
        int reloadIndex;
        int kind;
    } rows[] = {
        {32980, SettingsPage::kRadar, "设置信息雷达", portal::Section::kRadar, 0, 3},
        {32840, SettingsPage::kMyNews, "设置自选新闻", portal::Section::kMyNews, 1, 2},
        {32813, SettingsPage::kMyStock, "设置自选股票", portal::Section::kMyStock, 2, 4},
        {32863, SettingsPage::kMyWeb, "设置我的网站", portal::Section::kMyWeb, 3, 5},
        {32866, SettingsPage::kMyBlog, "设置我的博客", portal::Section::kMyBlog, 4, 0},
        {32865, SettingsPage::kMyEmail, "设置我的E-mail", portal::Section::kMyEmail, 5, 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SettingsPageForCommand(row.command), row.page) << row.command;
        EXPECT_EQ(SettingsPageCaption(row.page), row.caption);
        EXPECT_EQ(PageInfo(row.page).section, row.section);
        EXPECT_EQ(PageInfo(row.page).dialogKind, row.kind);
        EXPECT_EQ(SettingsPageForReloadIndex(row.reloadIndex), row.page);
        EXPECT_EQ(SectionForReloadIndex(row.reloadIndex), row.section);
    }
    EXPECT_FALSE(SettingsPageForCommand(32862).has_value());  // publishing has no settings page
    EXPECT_FALSE(SectionForReloadIndex(-1).has_value());
    EXPECT_FALSE(SectionForReloadIndex(6).has_value());
}

}  // namespace
}  // namespace brevio::client
