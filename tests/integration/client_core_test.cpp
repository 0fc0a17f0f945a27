// The client core's start-up and exit against the demo server and portal: the running state,
// and each failure of start-up that can be produced here with its message and outcome.
#include "client/client_core.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "integration/demo_process.h"
#include "unit/net_protocol/loopback.h"
#include "net/login.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::client {
namespace {

const std::string kDataDir = BREVIO_DEMO_DATA;

class RecordingObserver : public ClientObserver {
  public:
    void SplashText(std::string_view text) override { Add("splash:" + std::string(text)); }
    void Message(std::string_view text, std::string_view, int) override {
        Add("message:" + std::string(text));
    }
    void StatusText(int pane, std::string_view text) override {
        if (pane == 2) Add("written:" + std::string(text));
    }
    bool Saw(const std::string& entry) const {
        std::lock_guard lock(mutex_);
        for (const std::string& e : entries_) {
            if (e == entry) return true;
        }
        return false;
    }
    std::vector<std::string> Entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

  private:
    void Add(std::string entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(std::move(entry));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

class ClientCoreTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start({}));
        PointAt(server_.HttpPort());
        settings::WriteInt(settings::keys::kServerPort, server_.NspPort());
        settings::WriteInt(settings::keys::kDiskInterval, 1);
        content_ = Home() + "CONTENT/";
        for (const char* table : {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab",
                                  "websites.tab", "stocktbl.tab"}) {
            test::WriteFileBytes(content_ + "Data/" + table,
                                 platform::Utf8ToGbk(test::ReadFileBytes(kDataDir + "/" + table)));
        }
    }
    void PointAt(int httpPort) {
        settings::WriteString(settings::keys::kPortalAddress,
                              "http://127.0.0.1:" + std::to_string(httpPort));
    }
    std::unique_ptr<ClientCore> Start(StartOptions options, StartResult& result) {
        return ClientCore::Start(options, observer_, result);
    }

    test::DemoServer server_;
    std::string content_;
    RecordingObserver observer_;
};

TEST_F(ClientCoreTest, StartUpReachesTheRunningStateAndReceptionFilesNews) {
    net::StoreLoginValues("demo", "demo123", true);
    StartResult result;
    std::unique_ptr<ClientCore> core = Start({}, result);
    ASSERT_TRUE(core) << result.message;
    EXPECT_TRUE(result.Ok());
    EXPECT_TRUE(core->OwnsProgramFolder());
    // The splash texts in order, the configuration document downloaded, its radar section read.
    std::vector<std::string> entries = observer_.Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0], "splash:正在初始化...");
    EXPECT_EQ(entries[1], "splash:正在初始化系统数据...");
    EXPECT_TRUE(platform::FileExists(platform::UserConfigPath()));
    EXPECT_GT(core->RadarList().Size(), 0u);

    core->Reception().ReceiveAllSelected();
    ASSERT_TRUE(core->Reception().WaitIdle(60000));
    ASSERT_FALSE(core->Reception().Results().empty());
    for (const auto& f : core->Reception().Results()) EXPECT_GE(f.result, 0) << f.job.categoryId;
    core->Stop();
    EXPECT_EQ(core->ItemsWaiting(), 0u);
    std::vector<std::int32_t> ids;
    store::ListRecords(store::ResolveFolder(content_, store::kFolderPublic), "10001",
                       [&](const store::NewsRecord& r) { ids.push_back(r.newsId); });
    EXPECT_FALSE(ids.empty());
}

TEST_F(ClientCoreTest, AWrongStoredPasswordAsksTheLoginDialogUntilItSucceedsOrIsCancelled) {
    net::StoreLoginValues("demo", "wrong", true);
    std::vector<std::string> problems;
    StartOptions options;
    options.loginDialog = [&](const LoginValues& current, std::string_view problem)
        -> std::optional<LoginValues> {
        problems.emplace_back(problem);
        EXPECT_EQ(current.userId, "demo");
        if (problems.size() == 1) return LoginValues{"demo", "still wrong", true};
        return LoginValues{"demo", "demo123", true};
    };
    StartResult result;
    std::unique_ptr<ClientCore> core = Start(options, result);
    ASSERT_TRUE(core) << result.message;
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], net::LoginRejectedText());
    EXPECT_EQ(problems[1], net::LoginRejectedText());
    EXPECT_EQ(core->Settings().userId, "demo");
    core.reset();

    // Cancel ends the start without a message.
    net::StoreLoginValues("demo", "wrong", true);
    options.loginDialog = [](const LoginValues&, std::string_view) -> std::optional<LoginValues> {
        return std::nullopt;
    };
    core = Start(options, result);
    EXPECT_FALSE(core);
    EXPECT_EQ(result.failed, StartStep::kLogin);
    EXPECT_EQ(result.message, "");
}

TEST_F(ClientCoreTest, NoPortalOrNoConfigurationDocumentEndsTheStartWithItsMessage) {
    net::StoreLoginValues("demo", "demo123", true);
    PointAt(net::test::FreePort());
    StartResult result;
    EXPECT_FALSE(Start({}, result));
    EXPECT_EQ(result.failed, StartStep::kLogin);
    EXPECT_FALSE(result.message.empty());

    // Logged in as a user the portal has no document for.
    PointAt(server_.HttpPort());
    net::StoreLoginValues("nobody", "x", false);
    StartOptions noLogin;
    noLogin.logIn = false;
    EXPECT_FALSE(Start(noLogin, result));
    EXPECT_EQ(result.failed, StartStep::kConfiguration);
    EXPECT_EQ(result.message, "加载用户配置信息失败!");
    // The program folder is free again for the next client.
    noLogin.loadConfiguration = false;
    EXPECT_TRUE(Start(noLogin, result)) << result.message;
}

TEST_F(ClientCoreTest, ContentFolderProblemsAreReportedAndStartUpGoesOn) {
    net::StoreLoginValues("demo", "demo123", true);
    // A content folder without its "Data" folder is replaced by the program folder's.
    settings::WriteString(settings::keys::kContentPath, Home() + "elsewhere/");
    StartOptions options;
    options.logIn = false;
    options.loadConfiguration = false;
    StartResult result;
    std::unique_ptr<ClientCore> core = Start(options, result);
    ASSERT_TRUE(core) << result.message;
    EXPECT_EQ(core->Settings().contentFolder, content_);
    EXPECT_EQ(settings::ReadString(settings::keys::kContentPath, ""), content_);
    EXPECT_TRUE(platform::FolderExists(content_ + "News/Trade/"));
    core.reset();

    // A content folder that cannot be created (a file stands where it should be): the
    // message, and the start goes on.
    ASSERT_TRUE(platform::RemoveTree(content_));
    test::WriteFileBytes(Home() + "CONTENT", "a file where the folder should be");
    core = Start(options, result);
    ASSERT_TRUE(core) << result.message;
    EXPECT_TRUE(observer_.Saw("message:" + settings::ContentFolderErrorText()))
        << observer_.Entries().size();
}

TEST_F(ClientCoreTest, ASecondOwnerIsRefusedAndAGuestMayFileBesideIt) {
    net::StoreLoginValues("demo", "demo123", false);
    StartOptions options;
    options.logIn = false;
    options.loadConfiguration = false;
    options.frontEnd = "brevio";
    StartResult result;
    std::unique_ptr<ClientCore> owner = Start(options, result);
    ASSERT_TRUE(owner);
    options.frontEnd = "brevio-cli run";
    options.instanceWaitMs = 0;
    EXPECT_FALSE(Start(options, result));
    EXPECT_EQ(result.failed, StartStep::kProgramFolder);
    EXPECT_NE(result.message.find("brevio, "), std::string::npos) << result.message;
    options.guest = true;
    std::unique_ptr<ClientCore> guest = Start(options, result);
    ASSERT_TRUE(guest);
    EXPECT_FALSE(guest->OwnsProgramFolder());
}

TEST_F(ClientCoreTest, AChangedContentFolderAndTuningTakeEffectInTheRunningClient) {
    net::StoreLoginValues("demo", "demo123", true);
    StartResult result;
    std::unique_ptr<ClientCore> core = Start({}, result);
    ASSERT_TRUE(core) << result.message;

    // The options' path page: the new folder is made, then the running client files into it.
    settings::AppSettings moved = core->Settings();
    moved.contentFolder = Home() + "MOVED/";
    ASSERT_TRUE(settings::CreateDataFolders(moved));
    core->ChangeContentFolder(moved.contentFolder);
    EXPECT_EQ(core->Settings().newsFolder, moved.contentFolder + "News/");
    EXPECT_EQ(core->Intake().ContentFolder(), moved.contentFolder);
    // The new folder has the lists (the next start takes a content folder only with Data/),
    // and they are read from there; the radar keeps the folder of this run.
    EXPECT_EQ(test::ReadFileBytes(moved.contentFolder + "Data/Trade.tab"),
              test::ReadFileBytes(content_ + "Data/Trade.tab"));
    EXPECT_EQ(core->Tables().ContentFolder(), moved.contentFolder);
    EXPECT_EQ(core->RadarFolder(), content_);

    core->ApplyTuning(1, 2, 1);
    EXPECT_EQ(core->Reception().ThreadLimit(), 1);
    EXPECT_EQ(core->Reception().SocketInterval(), 2);
    EXPECT_EQ(core->Settings().searchThreads, 1);

    core->Reception().ReceiveAllSelected();
    ASSERT_TRUE(core->Reception().WaitIdle(60000));
    core->Stop();
    // The subscription records with the ids received in this run reach the new folder.
    EXPECT_EQ(test::ReadFileBytes(moved.contentFolder + "Data/Category.dat"),
              test::ReadFileBytes(content_ + "Data/Category.dat"));
    std::size_t movedCount = 0, oldCount = 0;
    store::ListRecords(store::ResolveFolder(moved.contentFolder, store::kFolderPublic), "10001",
                       [&](const store::NewsRecord&) { ++movedCount; });
    store::ListRecords(store::ResolveFolder(content_, store::kFolderPublic), "10001",
                       [&](const store::NewsRecord&) { ++oldCount; });
    EXPECT_GT(movedCount, 0u);
    EXPECT_EQ(oldCount, 0u);
}

}  // namespace
}  // namespace brevio::client
