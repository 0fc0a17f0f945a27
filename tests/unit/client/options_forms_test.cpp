// The options pages' form objects against a temporary program folder: what they show, what
// they refuse with which message and focus, and what they store and hand over.
#include "client/options_forms.h"

#include <gtest/gtest.h>

#include "net/subscription_lists.h"
#include "platform/fs.h"
#include "reference/bulletin.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::client {
namespace {

using namespace settings::keys;

class OptionsFormsTest : public test::TempHomeTest {};

TEST_F(OptionsFormsTest, HistoryCountsOutsideTheRangeAreRefusedInOrderAndNothingIsStored) {
    HistoryOptions page("", nullptr);
    page.Load();
    EXPECT_EQ(page.regionRemain, 1000);  // never stored
    EXPECT_EQ(page.peopleRemain, 5);

    page.regionRemain = 49;
    page.tradeRemain = 5001;
    ApplyResult r = page.Apply();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->messages.size(), 1u);
    EXPECT_EQ(r->messages[0].text, "保留最近新闻的条数:50 —— 5000");
    EXPECT_EQ(r->messages[0].title, "Brevio提示");
    EXPECT_EQ(r->messages[0].icon, platform::MessageBoxSink::kWarning);
    EXPECT_EQ(r->focus, OptionsField::kRegionRemain);

    page.regionRemain = 5000;
    r = page.Apply();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->focus, OptionsField::kTradeRemain);
    page.tradeRemain = 50;
    page.stockRemain = 5001;
    EXPECT_EQ(page.Apply()->focus, OptionsField::kStockRemain);
    page.stockRemain = 700;
    page.peopleRemain = 0;
    r = page.Apply();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->messages[0].text, "保留最近新闻的天数应大于1");
    EXPECT_EQ(r->focus, OptionsField::kPeopleRemain);
    EXPECT_EQ(settings::ReadInt(kRegionRemain, -7), 0);  // nothing stored by a refusal

    page.peopleRemain = 9;
    page.whenCleanup = 2;
    EXPECT_FALSE(page.Apply());
    HistoryOptions again("", nullptr);
    again.Load();
    EXPECT_EQ(settings::ReadInt(kTradeRemain, 0), 50);
    EXPECT_EQ(again.tradeRemain, 1000);  // 50 is stored but shown as 1000
    EXPECT_EQ(again.regionRemain, 5000);
    EXPECT_EQ(again.stockRemain, 700);
    EXPECT_EQ(again.peopleRemain, 9);
    EXPECT_EQ(again.whenCleanup, 2);
}

TEST_F(OptionsFormsTest, HistoryDaysGoIntoEveryPublicCategoryAndTheBulletinFlagIsWrittenAtOnce) {
    reference::RefList publics, trades, regions;
    publics.push_back({"101", "国内"});
    publics.push_back({"102", "国际"});
    trades.push_back({"T1", "银行"});
    net::SubscriptionLists lists;
    ASSERT_GT(lists.Build(publics, trades, regions, Home() + "Category.dat"), 0);

    std::string bulletinFile = Home() + "Bullient.tab";
    reference::Bulletin b{"标题", "2026-12-01", "公告", 0, "内容"};
    ASSERT_EQ(reference::WriteBulletin(bulletinFile, b, 0), 0);

    HistoryOptions page(bulletinFile, &lists);
    page.Load();
    EXPECT_FALSE(page.bulletinAtStart);
    page.peopleRemain = 1;
    ASSERT_FALSE(page.Apply());
    for (const net::SubscriptionRecord& r : lists.Records(net::Group::kPublic)) {
        EXPECT_EQ(r.remainDays, 1);
        EXPECT_TRUE(r.changed);
    }
    for (const net::SubscriptionRecord& r : lists.Records(net::Group::kTrade)) {
        EXPECT_NE(r.remainDays, 1);
    }
    EXPECT_EQ(settings::ReadInt(kPeopleRemain, 0), 1);

    ASSERT_TRUE(page.SetBulletinFlag(true));
    reference::Bulletin read;
    reference::ReadBulletin(bulletinFile, read);
    EXPECT_EQ(read.showAtStart, 1);
    EXPECT_EQ(read.title, "标题");
    EXPECT_EQ(read.content, "内容");
    HistoryOptions reopened(bulletinFile, nullptr);
    reopened.Load();
    EXPECT_TRUE(reopened.bulletinAtStart);
}

TEST_F(OptionsFormsTest, TuningShowsStartUpValuesUntilStoredAndHandsAppliedValuesOver) {
    settings::WriteInt(kSocketInterval, -4);
    TuningOptions page;
    page.Load();
    EXPECT_EQ(page.threads, 3);
    EXPECT_EQ(page.socketInterval, 10);
    page.SetThreads(9);
    page.SetSocketInterval(0);
    page.SetDiskInterval(1001);
    EXPECT_EQ(page.threads, 5);
    EXPECT_EQ(page.socketInterval, 1);
    EXPECT_EQ(page.diskInterval, 1000);

    int got[3] = {};
    OptionsTargets targets;
    targets.tuning = [&](int t, int s, int d) { got[0] = t, got[1] = s, got[2] = d; };
    ASSERT_FALSE(page.Apply(targets));
    EXPECT_EQ(got[0], 5);
    EXPECT_EQ(got[1], 1);
    EXPECT_EQ(got[2], 1000);
    TuningOptions reopened;
    reopened.Load();
    EXPECT_EQ(reopened.diskInterval, 1000);

    reopened.Defaults();  // "默认值"
    EXPECT_EQ(reopened.threads, 3);
    EXPECT_EQ(reopened.socketInterval, 10);
    EXPECT_EQ(reopened.diskInterval, 10);
}

TEST_F(OptionsFormsTest, ReadingStoresSizesByPositionAndHandsTheMarkingOver) {
    settings::WriteInt(kTitleFontSize, 16);
    settings::WriteInt(kMarkSeconds, 99);
    ReadingOptions page;
    page.Load();
    EXPECT_EQ(page.titleSizePosition, 2);
    EXPECT_EQ(page.contentSizePosition, 1);  // default 14
    EXPECT_EQ(page.markSeconds, 60);
    EXPECT_EQ(page.readColor, 102);
    EXPECT_TRUE(page.SecondsEnabled());

    page.autoMark = false;
    page.SetMarkSeconds(0);
    page.contentSizePosition = 0;
    page.readColor = 0x123456;
    bool handed = false;
    OptionsTargets targets;
    targets.reading = [&](bool autoMark, int seconds, int color) {
        handed = true;
        EXPECT_FALSE(autoMark);
        EXPECT_EQ(seconds, 0);
        EXPECT_EQ(color, 0x123456);
    };
    ASSERT_FALSE(page.Apply(targets));
    EXPECT_TRUE(handed);
    EXPECT_EQ(settings::ReadInt(kContentFontSize, 0), 12);
    EXPECT_EQ(settings::ReadInt(kIsAutoMark, 1), 0);
    ReadingOptions reopened;
    reopened.Load();
    EXPECT_FALSE(reopened.SecondsEnabled());
}

TEST_F(OptionsFormsTest, PathCreatesTheFolderTreeOrRefusesAndKeepsTheOldFolder) {
    std::string chosen;
    OptionsTargets targets;
    targets.contentFolder = [&](const std::string& f) { chosen = f; };

    PathOptions page;
    page.Load(Home() + "old/");
    page.path = Home() + "newcontent";
    ASSERT_FALSE(page.Apply(targets));
    EXPECT_EQ(chosen, Home() + "newcontent/");
    EXPECT_EQ(settings::ReadString(kContentPath, ""), Home() + "newcontent/");
    for (const char* sub : {"News/", "Favorite/", "News/Stock/", "News/Trade/", "News/Region/"}) {
        EXPECT_TRUE(platform::FolderExists(Home() + "newcontent/" + sub)) << sub;
    }

    chosen.clear();
    page.path = Home() + "missing/deeper/";  // one level only: the parent does not exist
    ApplyResult r = page.Apply(targets);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->messages.size(), 2u);
    EXPECT_EQ(r->messages[1].text, "非法路径!");
    EXPECT_EQ(r->messages[1].title, "新闻路径存放路径错误");
    EXPECT_EQ(r->focus, OptionsField::kContentPath);
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(settings::ReadString(kContentPath, ""), Home() + "newcontent/");

    EXPECT_FALSE(page.Choose(Home() + "local"));  // a local disc
    EXPECT_EQ(page.path, Home() + "local/");
}

TEST_F(OptionsFormsTest, UpdateSwitchesRoundTripThroughTheProfile) {
    std::string ini = Home() + "Pemlo.ini";
    UpdateOptions page(ini);
    page.Load();
    EXPECT_FALSE(page.stock);
    page.region = true;
    page.stock = true;
    ASSERT_FALSE(page.Apply());
    UpdateOptions reopened(ini);
    reopened.Load();
    EXPECT_TRUE(reopened.region);
    EXPECT_TRUE(reopened.stock);
    EXPECT_FALSE(reopened.classify);
    EXPECT_FALSE(reopened.trade);
}

}  // namespace
}  // namespace brevio::client
