#include "store/intake.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/fs.h"
#include "platform/host.h"
#include "platform/text.h"
#include "reference/bulletin.h"
#include "reference/reference_tables.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::store {
namespace {

// Last ids keyed like the subscription records: "R" + region text, trade codes, public.
class FixedLimits : public AcceptanceLimits {
  public:
    std::map<std::string, int> regions;  // by whole region text
    std::map<std::string, int> trades;
    int publicMax = 0;

    std::optional<int> RegionMax(std::string_view regionText) const override {
        auto it = regions.find(std::string(regionText));
        if (it == regions.end()) return std::nullopt;
        return it->second;
    }
    int TradeMax(std::string_view tradeText) const override {
        int best = 0;
        for (const auto& [code, max] : trades) {
            if (std::string(tradeText).find(code + "|") != std::string::npos)
                best = std::max(best, max);
        }
        return best;
    }
    int PublicMax() const override { return publicMax; }
};

NewsItem Item(int id, std::string region, std::string trade) {
    NewsItem item;
    item.newsId = id;
    item.region = std::move(region);
    item.trade = std::move(trade);
    return item;
}

TEST(Acceptance, PublicGroupChecksRegionThenTrade) {
    FixedLimits limits;
    limits.regions["11|"] = 100;
    limits.trades["05"] = 200;
    limits.publicMax = 1000;  // never consulted for the public group
    const auto pub = PublicGroup();
    EXPECT_FALSE(AlreadyReceived(Item(50, "", ""), pub, limits));
    EXPECT_TRUE(AlreadyReceived(Item(100, "11|", ""), pub, limits));
    EXPECT_FALSE(AlreadyReceived(Item(101, "11|", ""), pub, limits));
    // A region without a record accepts at once, whatever the trade says.
    EXPECT_FALSE(AlreadyReceived(Item(5, "99|", "05|"), pub, limits));
    EXPECT_TRUE(AlreadyReceived(Item(150, "11|", "05|"), pub, limits));
    EXPECT_TRUE(AlreadyReceived(Item(150, "", "05|"), pub, limits));
    EXPECT_FALSE(AlreadyReceived(Item(201, "", "05|"), pub, limits));
}

TEST(Acceptance, RegionGroupChecksTradeAndPublic) {
    FixedLimits limits;
    limits.trades["05"] = 200;
    limits.publicMax = 300;
    const auto region = RegionGroup();
    EXPECT_FALSE(AlreadyReceived(Item(1, "11|", ""), region, limits));
    EXPECT_TRUE(AlreadyReceived(Item(250, "11|", "05|"), region, limits));  // public max
    EXPECT_TRUE(AlreadyReceived(Item(150, "11|", "07|"), region, limits));  // trade 0, public
    EXPECT_FALSE(AlreadyReceived(Item(301, "11|", "05|"), region, limits));
}

TEST(Acceptance, TradeGroupAndOtherGroups) {
    FixedLimits limits;
    limits.regions["11|"] = 100;
    limits.trades["05"] = 200;
    limits.publicMax = 300;
    const auto trade = TradeGroup();
    EXPECT_TRUE(AlreadyReceived(Item(200, "", "05|"), trade, limits));
    EXPECT_FALSE(AlreadyReceived(Item(201, "", "05|"), trade, limits));
    EXPECT_FALSE(AlreadyReceived(Item(1, "99|", "05|"), trade, limits));  // no region record
    EXPECT_TRUE(AlreadyReceived(Item(90, "11|", ""), trade, limits));
    EXPECT_TRUE(AlreadyReceived(Item(250, "11|", "05|"), trade, limits));  // public max
    EXPECT_FALSE(AlreadyReceived(Item(301, "11|", "05|"), trade, limits));
    EXPECT_FALSE(AlreadyReceived(Item(1, "11|", "05|"), "other", limits));
}

TEST(Filing, TargetsByKindStocksAndKeywords) {
    NewsItem item;
    item.receptionKind = std::string(RegionGroup());
    item.region = " a | b |  |c";
    item.relatedStocks = "600001|000002, ";
    item.content = "alpha beta gamma beta";
    FolderList folders = {
        {1, "", {"beta", "gamma"}}, {2, "", {}}, {3, "", {"delta"}}, {4, "", {"alpha"}}};
    auto targets = FilingTargets(item, folders);
    std::vector<std::string> bases;
    for (const auto& t : targets) bases.push_back(std::to_string(t.folderKind) + ":" + t.base);
    EXPECT_EQ(bases, (std::vector<std::string>{"11:a", "11:b", "11:c", "2:600001", "2:000002",
                                               "9:1", "9:4"}));
    EXPECT_EQ(targets[0].content, item.content);
    // Both keywords marked at their first occurrence; each folder starts from the plain text.
    EXPECT_EQ(targets[5].content,
              "alpha \x04"
              "beta\x05 \x04gamma\x05 beta");
    EXPECT_EQ(targets[6].content,
              "\x04"
              "alpha\x05 beta gamma beta");

    item.receptionKind = std::string(TradeGroup());
    item.category = "  05 ";
    item.relatedStocks.clear();
    targets = FilingTargets(item, {});
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0].base, "05");
    item.category = "   ";
    EXPECT_TRUE(FilingTargets(item, {}).empty());
    item.receptionKind = "other";
    EXPECT_TRUE(FilingTargets(item, {}).empty());
}

class RecordingWindow : public platform::MainWindowSink {
  public:
    std::mutex mutex;
    std::map<int, std::string> lastStatus;
    std::string bulletinTitle;
    void StatusText(int pane, std::string_view text) override {
        std::lock_guard lock(mutex);
        lastStatus[pane] = std::string(text);
    }
    void ShowBulletin(std::string_view title, std::string_view, std::string_view,
                      std::string_view) override {
        std::lock_guard lock(mutex);
        bulletinTitle = std::string(title);
    }
};

class IntakeTest : public test::TempHomeTest {
  protected:
    IntakeTest() {
        content_ = Home() + "CONTENT/";
        test::WriteFileBytes(content_ + "Data/websites.tab", "7\t新华网\r\n");
        // The folders start-up creates under the content folder.
        for (const char* sub : {"News/Stock/", "News/Trade/", "News/Region/", "Favorite/"}) {
            platform::CreateFolders(content_ + sub);
        }
        tables_.LoadAll(content_);
    }

    NewsIntake::Options Options() {
        NewsIntake::Options o;
        o.contentFolder = content_;
        o.window = &window_;
        o.diskIntervalMs = 1;
        o.keywordFolders = [this] { return folders_; };
        return o;
    }

    std::vector<std::int32_t> Listed(int kind, const std::string& base) {
        std::vector<std::int32_t> ids;
        ListRecords(ResolveFolder(content_, kind), base,
                    [&](const NewsRecord& r) { ids.push_back(r.newsId); });
        return ids;
    }

    RecordingWindow window_;
    std::string content_;
    reference::ReferenceTables tables_;
    FixedLimits limits_;
    KeywordFolders folders_ = std::make_shared<const FolderList>(FolderList{{12, "", {"央行"}}});
};

std::string Block(int id, const std::string& category, const std::string& extra,
                  const std::string& content) {
    return "200,OK\r\nID:" + std::to_string(id) + "\nTITLE:标题" + std::to_string(id) +
           "\nCATEGORY:" + category + "\nWEBSITE:7\nTIME:2026-12-8 9:30:05\n" + extra +
           "CONTENT:" + content + "\x80\x80";
}

TEST_F(IntakeTest, AcceptedRecordsAreFiledWithWebsiteNamesAndMarkedCopies) {
    NewsIntake intake(Options(), tables_, limits_);
    intake.StartWriter();
    EXPECT_EQ(intake.AcceptRecord(Block(501, "10001", "", "今天央行宣布"), PublicGroup()), 501);
    EXPECT_EQ(intake.AcceptRecord(Block(502, "05", "REGION:11|12|\n", "无关"), RegionGroup()), 502);
    ASSERT_TRUE(intake.WaitUntilDrained(5000));
    intake.StopWriter();

    EXPECT_EQ(Listed(kFolderPublic, "10001"), (std::vector<std::int32_t>{501}));
    EXPECT_EQ(Listed(kFolderRegion, "11"), (std::vector<std::int32_t>{502}));
    EXPECT_EQ(Listed(kFolderRegion, "12"), (std::vector<std::int32_t>{502}));
    EXPECT_EQ(Listed(kFolderSubscription, "12"), (std::vector<std::int32_t>{501}));

    NewsRecord record;
    std::string text;
    ASSERT_GT(ReadItem(ResolveFolder(content_, kFolderPublic), "10001", 501, record, text), 0);
    EXPECT_EQ(text, "今天央行宣布");
    EXPECT_EQ(platform::FieldText(record.webSite.data(), record.webSite.size()), "新华网");
    ASSERT_GT(ReadItem(ResolveFolder(content_, kFolderSubscription), "12", 501, record, text), 0);
    EXPECT_EQ(text, "今天\x04央行\x05宣布");

    EXPECT_EQ(intake.ReceivedCount(), 2);
    EXPECT_EQ(intake.WrittenCount(), 2);
    EXPECT_EQ(window_.lastStatus[1], "共接收2条新闻    ");
    EXPECT_EQ(window_.lastStatus[2], "写入2");
}

TEST_F(IntakeTest, RejectedRecordsAreNotQueued) {
    limits_.trades["05"] = 900;
    NewsIntake intake(Options(), tables_, limits_);
    EXPECT_EQ(intake.AcceptRecord(Block(800, "05", "TRADE:05|\n", "x"), TradeGroup()), 0);
    EXPECT_EQ(intake.Pending(), 0u);
    EXPECT_EQ(intake.ReceivedCount(), 0);
}

TEST_F(IntakeTest, BulletinIsWrittenShownAndStillFiled) {
    NewsIntake intake(Options(), tables_, limits_);
    EXPECT_EQ(intake.AcceptRecord(Block(7, "40005", "", "系统维护通知"), PublicGroup()), 7);
    reference::Bulletin bulletin;
    ASSERT_EQ(reference::ReadBulletin(content_ + "Data/Bullient.tab", bulletin), 0);
    EXPECT_EQ(bulletin.title, "标题7");
    EXPECT_EQ(bulletin.showAtStart, 1);
    EXPECT_EQ(bulletin.content, "系统维护通知");
    EXPECT_EQ(window_.bulletinTitle, "标题7");
    EXPECT_EQ(intake.Pending(), 1u);
    // The same category through the trade group is no bulletin.
    EXPECT_EQ(intake.AcceptRecord(Block(8, "40005", "", "x"), TradeGroup()), 8);
    ASSERT_EQ(reference::ReadBulletin(content_ + "Data/Bullient.tab", bulletin), 0);
    EXPECT_EQ(bulletin.title, "标题7");
}

TEST_F(IntakeTest, HostileCodesNeverLeaveTheirFolder) {
    NewsIntake intake(Options(), tables_, limits_);
    NewsItem item = ParseNewsBlock(Block(9, "../../evil", "REGION:11|../x|..|12\n", "c"));
    item.receptionKind = std::string(RegionGroup());
    intake.FileItem(item);
    item.receptionKind = std::string(PublicGroup());
    intake.FileItem(item);
    EXPECT_EQ(Listed(kFolderRegion, "11"), (std::vector<std::int32_t>{9}));
    EXPECT_EQ(Listed(kFolderRegion, "12"), (std::vector<std::int32_t>{9}));
    EXPECT_FALSE(platform::PathExists(Home() + "evil.idx"));
    EXPECT_FALSE(platform::PathExists(content_ + "evil.idx"));
    EXPECT_FALSE(platform::PathExists(content_ + "News/x.idx"));
}

TEST_F(IntakeTest, DrainingAtExitFilesEveryItemWithoutThePausesAndReportsFailures) {
    NewsIntake::Options options = Options();
    options.diskIntervalMs = 1000;  // the slowest setting: 40 items would take 40 seconds
    std::vector<std::int32_t> filed;
    options.onFiled = [&](const NewsItem& item) { filed.push_back(item.newsId); };
    NewsIntake intake(options, tables_, limits_);
    for (int id = 1; id <= 40; ++id) {
        ASSERT_EQ(intake.AcceptRecord(Block(id, "10001", "", "c"), PublicGroup(), "10001"), id);
    }
    // An item whose category cannot be a file name is refused by the store.
    ASSERT_EQ(intake.AcceptRecord(Block(41, "../x", "", "c"), PublicGroup(), "10001"), 41);
    intake.StartWriter();
    auto start = std::chrono::steady_clock::now();
    intake.DrainAndStop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(intake.Pending(), 0u);
    EXPECT_EQ(intake.WrittenCount(), 40);
    EXPECT_EQ(intake.FailedCount(), 1);
    EXPECT_EQ(Listed(kFolderPublic, "10001").size(), 40u);
    // Only filed items are reported as filed, in order: what moves "received up to here".
    ASSERT_EQ(filed.size(), 40u);
    EXPECT_EQ(filed.front(), 1);
    EXPECT_EQ(filed.back(), 40);
}

}  // namespace
}  // namespace brevio::store
