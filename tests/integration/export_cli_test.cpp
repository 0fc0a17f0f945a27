// brevio-cli's update, transfer and db commands and the conversions of `receive`, against the
// demo server, a scripted news server, a pty pair made by socat and a PostgreSQL made by the
// test. The command line speaks UTF-8; this file is GBK, so outputs are converted first.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "conversion/export_settings.h"
#include "conversion/transfer_files.h"
#include "conversion/transfer_record.h"
#include "integration/demo_process.h"
#include "integration/export_peers.h"
#include "net/exchange.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "reference/list_update.h"
#include "reference/tab_files.h"
#include "settings/app_settings.h"
#include "settings/password.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"
#include "unit/net_protocol/loopback.h"

namespace brevio::test {
namespace {

namespace keys = conversion::keys;
const std::string kCli = BREVIO_CLI;
const std::string kDataDir = BREVIO_DEMO_DATA;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

ProgramRun RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), kCli);
    ProgramRun run = RunProgram(args, 120000);
    run.out = platform::Utf8ToGbk(run.out);
    run.err = platform::Utf8ToGbk(run.err);
    return run;
}

// The news ids of the serial records in `bytes`, in order.
std::vector<int> SerialIds(const std::string& bytes) {
    std::vector<int> ids;
    for (std::size_t at = bytes.find("2NID"); at != std::string::npos; at = bytes.find("2NID", at + 4)) {
        ids.push_back(std::atoi(bytes.c_str() + at + 4));
    }
    return ids;
}

class ExportCliTest : public TempHomeTest {
  protected:
    // Points the program folder at a news server and stores the demo user.
    void UseServer(int port) {
        settings::WriteInt("ServerPort", port);
        settings::WriteString("PemloUserID", "demo");
        settings::WriteString("PemloPasswd", settings::ScramblePassword("demo123"));
        app_ = settings::LoadAppSettings();
        settings::CreateDataFolders(app_);
        platform::CreateFolders(app_.DataFolder());
    }
    // The demo server; with `tables`, the reference tables its lists come from are put into
    // the content folder first (in the client's GBK), as a refresh would.
    void StartDemo(bool tables = true) {
        ASSERT_TRUE(demo_.Start({}));
        UseServer(demo_.NspPort());
        settings::WriteString("PortalAddress", "http://127.0.0.1:" + std::to_string(demo_.HttpPort()));
        if (!tables) return;
        for (const char* table :
             {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab", "websites.tab",
              "WebsiteNews.tab", "WebsiteTrade.tab", "WebsiteRegion.tab", "stocktbl.tab"}) {
            WriteFileBytes(Data(table), platform::Utf8ToGbk(ReadFileBytes(kDataDir + "/" + table)));
        }
    }
    // Logs in (the selection of categories) and receives everything; the number accepted.
    int LoginAndReceive() {
        ProgramRun login = RunCli({"login", "demo", "demo123"});
        EXPECT_EQ(login.exitCode, 0) << login.err;
        ProgramRun receive = RunCli({"receive", "--all", "--quiet"});
        EXPECT_EQ(receive.exitCode, 0) << receive.err;
        int total = 0;
        for (const std::string& line : Lines(receive.out)) {
            auto f = platform::Split(line, '\t');
            if (f.size() == 4) total += std::atoi(f[3].c_str());
        }
        return total;
    }
    std::map<std::string, std::vector<std::string>> UpdateRows(const ProgramRun& run) {
        std::map<std::string, std::vector<std::string>> rows;
        for (const std::string& line : Lines(run.out)) {
            auto f = platform::Split(line, '\t');
            if (f.size() == 5 && f[0] != "list") rows[f[1]] = f;
        }
        return rows;
    }
    std::string Data(const std::string& file) const { return app_.DataFolder() + file; }

    DemoServer demo_;
    settings::AppSettings app_;
};

// ---- update -------------------------------------------------------------------------------

TEST_F(ExportCliTest, ScriptedServerSeesTheRequestOfEveryList) {
    net::test::Received received;
    std::atomic<int> requests{0};
    net::test::LoopbackServer server([&](int fd) {
        received.Add(net::test::ReadUntil(fd, "\r\n\r\n") + "#");
        ++requests;
        net::test::WriteAll(fd, platform::Utf8ToGbk("201,暂无更新\r\n"));
    });
    UseServer(server.Port());
    ProgramRun run = RunCli({"update", "kinds", "trade", "region", "websites", "stocks", "catwebsites"});
    EXPECT_EQ(run.exitCode, 0) << run.err;

    std::vector<std::string> sent = platform::Split(received.Get(), '#');
    sent.pop_back();
    ASSERT_EQ(sent.size(), 9u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Kind", ""},     {"Classify", ""},    {"trade", ""},
        {"region", ""},   {"websites", ""},    {"stock", ""},
        {"catwebsites", "classify"}, {"catwebsites", "trade"}, {"catwebsites", "Region"}};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::string& r = sent[i];
        EXPECT_EQ(r.rfind("UPDATE_CATEGORY NSP/0.2\r\nAUTHORIZATION:", 0), 0u) << r;
        EXPECT_NE(r.find("\r\nUSERID:demo\r\nTYPE:" + expected[i].first +
                         "\r\nLASTUPDATE:2001-8-13 0:0:0\r\n"),
                  std::string::npos)
            << r;
        if (!expected[i].second.empty()) {
            EXPECT_NE(r.find("\r\nCAT:" + expected[i].second + "\r\n\r\n"), std::string::npos) << r;
        }
        EXPECT_EQ(r.find("CATID:"), std::string::npos) << r;
        EXPECT_EQ(r.find("PRODUCTID"), std::string::npos) << r;
    }
    // Nothing new: every row says so and no last-update value is stored.
    auto rows = UpdateRows(run);
    ASSERT_EQ(rows.size(), 9u);
    for (const auto& [exchange, f] : rows) {
        EXPECT_EQ(f[3], "nothing new") << exchange;
        EXPECT_EQ(f[4], "暂无更新!") << exchange;
    }
    EXPECT_TRUE(platform::ProfileGetSection(app_.pemloIni, "UPDATELIST").empty());
}

TEST_F(ExportCliTest, StopDuringTheExchangeEndsWithCancelAndStoresNothing) {
    std::atomic<bool> asked{false}, stopped{false};
    net::test::LoopbackServer server([&](int fd) {
        net::test::ReadUntil(fd, "\r\n\r\n");
        asked = true;
        for (int i = 0; i < 500 && !stopped; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        net::test::WriteAll(fd, "200,OK\r\nID:999\nNAME:new\n\x80\x80");
    });
    UseServer(server.Port());
    WriteFileBytes(Data("Region.tab"), "110\t北京\tF\r\n");
    net::ServerEndpoint endpoint("127.0.0.1", server.Port());
    reference::ListUpdateContext c;
    c.contentFolder = app_.contentFolder;
    c.pemloIni = app_.pemloIni;
    c.exchange = reference::ServerListExchange(endpoint, {"demo", "demo123"});
    c.runDialog = reference::HeadlessDialogRunner([&] {
        if (!asked) return false;
        stopped = true;
        return true;
    });
    reference::ListUpdater updater(c);
    EXPECT_EQ(updater.Refresh(reference::RefreshList::kRegions), 0);
    EXPECT_EQ(updater.Exchanges().at(0).result, reference::DialogResult::kCancel);
    EXPECT_EQ(updater.Exchanges().at(0).status, "用户终止更新!");
    EXPECT_EQ(ReadFileBytes(Data("Region.tab")), "110\t北京\tF\r\n");
    EXPECT_FALSE(platform::ProfileHasKey(app_.pemloIni, "UPDATELIST", "Region_LastUpdate"));
}

TEST_F(ExportCliTest, DemoServerRefreshesEveryListAndThenHasNothingNew) {
    StartDemo(false);
    settings::WriteString(keys::kConvertPath, Home() + "conv/");
    ProgramRun run = RunCli({"update", "kinds", "trade", "region", "websites", "stocks", "catwebsites"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    auto rows = UpdateRows(run);
    ASSERT_EQ(rows.size(), 9u) << run.out;
    for (const auto& [exchange, f] : rows) EXPECT_EQ(f[3], "ok") << exchange;
    EXPECT_EQ(rows["stock"][2], "50");

    // Each table now holds the server's list (the demo's files, in GBK).
    auto demoList = [&](const std::string& file, bool flags) {
        reference::RefList list;
        const std::string gbk = Home() + "demo-" + file;
        WriteFileBytes(gbk, platform::Utf8ToGbk(ReadFileBytes(kDataDir + "/" + file)));
        reference::LoadRefList(gbk, flags, list);
        return list;
    };
    for (const char* file : {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab"}) {
        reference::RefList got;
        EXPECT_GT(reference::LoadRefList(Data(file), true, got), 0) << file;
        EXPECT_EQ(got, demoList(file, true)) << file;
    }
    reference::RefList sites;
    reference::LoadRefList(Data("websites.tab"), false, sites);
    EXPECT_EQ(sites, demoList("websites.tab", false));
    for (const char* file : {"WebsiteNews.tab", "WebsiteTrade.tab", "WebsiteRegion.tab"}) {
        reference::SiteCategoryList got, want;
        reference::LoadSiteCategoryList(Data(file), got);
        WriteFileBytes(Home() + "demo-" + file, ReadFileBytes(kDataDir + "/" + file));
        reference::LoadSiteCategoryList(Home() + "demo-" + file, want);
        EXPECT_EQ(got, want) << file;
        EXPECT_FALSE(got.empty());
        EXPECT_TRUE(platform::FileExists(Home() + "conv/文本格式/Data/" + file)) << file;
    }
    reference::StockTable stocks, demoStocks;
    reference::LoadStockTable(Data("stocktbl.tab"), stocks);
    WriteFileBytes(Home() + "demo-stocktbl.tab",
                   platform::Utf8ToGbk(ReadFileBytes(kDataDir + "/stocktbl.tab")));
    reference::LoadStockTable(Home() + "demo-stocktbl.tab", demoStocks);
    EXPECT_EQ(stocks, demoStocks);
    EXPECT_EQ(ReadFileBytes(platform::NativePath(Home() + "conv/文本格式/Data/stocktbl.tab")),
              ReadFileBytes(Data("stocktbl.tab")));
    // The stock names for the terminals.
    EXPECT_TRUE(platform::FileExists(app_.transPath + "name/" + stocks[0].code + ".txt"));

    // A second refresh: the server has nothing new, the values stay.
    const std::vector<std::string> before = platform::ProfileGetSection(app_.pemloIni, "UPDATELIST");
    EXPECT_EQ(before.size(), 8u);  // Classify, trade, region, websites, stocks, three site tables
    const std::string trade = ReadFileBytes(Data("Trade.tab"));
    ProgramRun again = RunCli({"update", "kinds", "trade", "region", "websites", "stocks", "catwebsites"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    for (const auto& [exchange, f] : UpdateRows(again)) EXPECT_EQ(f[3], "nothing new") << exchange;
    EXPECT_EQ(platform::ProfileGetSection(app_.pemloIni, "UPDATELIST"), before);
    EXPECT_EQ(ReadFileBytes(Data("Trade.tab")), trade);
}

TEST_F(ExportCliTest, TemporaryThatCannotBeCreatedLeavesTheStockTable) {
    StartDemo();
    WriteFileBytes(Data("stocktbl.tab"), "1\told\t\"\"\t\"\"\r\n");
    std::filesystem::create_directories(Data("stocktbl.~ab"));
    ProgramRun run = RunCli({"update", "stocks"});
    EXPECT_EQ(run.exitCode, 1);
    auto rows = UpdateRows(run);
    ASSERT_EQ(rows.count("stock"), 1u) << run.out;
    EXPECT_EQ(rows["stock"][2], "-13");
    EXPECT_EQ(ReadFileBytes(Data("stocktbl.tab")), "1\told\t\"\"\t\"\"\r\n");
    EXPECT_FALSE(platform::ProfileHasKey(app_.pemloIni, "UPDATELIST", "Stocks_LastUpdate"));
}

// ---- special conversion of received news --------------------------------------------------

// Reads the peer end of the line on a thread of its own for as long as it lives, so that the
// sender never waits for the test.
class PeerReader {
  public:
    explicit PeerReader(PtyPair& pty) : pty_(pty), thread_([this] { Run(); }) {}
    ~PeerReader() { Stop(); }
    // Everything that arrived, once the line was quiet for a moment.
    std::string Stop() {
        if (thread_.joinable()) {
            done_ = true;
            thread_.join();
        }
        return Bytes();
    }
    std::string Bytes() {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    // Waits until `count` records arrived (at most timeoutMs).
    bool WaitForRecords(std::size_t count, int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            if (SerialIds(Bytes()).size() >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

  private:
    void Run() {
        while (!done_) Append(pty_.ReadFor(50));
        Append(pty_.ReadFor(300));
    }
    void Append(const std::string& more) {
        std::lock_guard lock(mutex_);
        bytes_ += more;
    }
    PtyPair& pty_;
    std::mutex mutex_;
    std::string bytes_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

class SerialCliTest : public ExportCliTest {
  protected:
    void SetUp() override {
        if (!PtyPair::Available()) GTEST_SKIP() << "socat is not installed";
        std::string error;
        ASSERT_TRUE(pty_.Start(Home(), error)) << error;
        setenv("BREVIO_COM1", pty_.LinePath().c_str(), 1);
    }
    void TearDown() override { unsetenv("BREVIO_COM1"); }
    PtyPair pty_;
};

TEST_F(SerialCliTest, ReceiveSendsEveryItemOverTheLineBeforeItEnds) {
    StartDemo();
    settings::WriteInt(keys::kEspeTransAuto, 1);
    PeerReader peer(pty_);
    const int received = LoginAndReceive();
    const std::string got = peer.Stop();
    ASSERT_GT(received, 0);
    const std::vector<int> ids = SerialIds(got);
    // One record per accepted item (an item that came through two subscriptions counts twice).
    EXPECT_EQ(static_cast<int>(ids.size()), received);
    for (int id : ids) EXPECT_TRUE(store::IsValidNewsId(id)) << id;
    EXPECT_EQ(got.size() >= 5 ? got.substr(got.size() - 5) : got, "NENDN");
    // The special conversion takes the items alone: nothing went to the hand transfer's file.
    EXPECT_FALSE(platform::PathExists(app_.programFolder + std::string(conversion::kHandTransferFile)));
}

TEST_F(SerialCliTest, HandTransferFromTheCommandLinePausesAndResumes) {
    StartDemo();
    settings::WriteInt(keys::kEspeTransAuto, 1);
    settings::WriteInt(keys::kEspeTransHand, 1);
    const int received = LoginAndReceive();
    ASSERT_GT(received, 20);
    EXPECT_EQ(RunCli({"transfer", "status"}).out,
              "pxEspeTransNum\twaiting\trunning\n0\t" + std::to_string(received) + "\tno\n");

    // Started in the background, paused once some records went over the line.
    PeerReader peer(pty_);
    ProgramRun start;
    std::thread starter([&] { start = RunCli({"transfer", "start"}); });
    EXPECT_TRUE(peer.WaitForRecords(5, 20000));
    ProgramRun pause = RunCli({"transfer", "pause"});
    starter.join();
    const std::string first = peer.Stop();
    EXPECT_EQ(pause.exitCode, 0) << pause.err;
    EXPECT_EQ(start.exitCode, 0) << start.err;
    EXPECT_NE(start.out.find("hand transfer paused"), std::string::npos) << start.out;
    const int next = settings::ReadInt(keys::kEspeTransNum, -1);
    EXPECT_GE(next, 5);
    EXPECT_LT(next, received);
    EXPECT_EQ(static_cast<int>(SerialIds(first).size()), next);  // every record counted was sent

    // The rest, from the first record not yet sent, to the end.
    PeerReader rest(pty_);
    ProgramRun finish = RunCli({"transfer", "start"});
    const std::vector<int> restIds = SerialIds(rest.Stop());
    EXPECT_EQ(finish.exitCode, 0) << finish.err;
    EXPECT_NE(finish.out.find("hand transfer finished; pxEspeTransNum 0"), std::string::npos)
        << finish.out;
    EXPECT_EQ(static_cast<int>(restIds.size()), received - next);
    std::vector<int> all = SerialIds(first);
    all.insert(all.end(), restIds.begin(), restIds.end());
    EXPECT_EQ(static_cast<int>(all.size()), received);
    EXPECT_FALSE(platform::PathExists(app_.programFolder + std::string(conversion::kHandTransferFile)));
    EXPECT_EQ(RunCli({"transfer", "status"}).out, "pxEspeTransNum\twaiting\trunning\n0\t0\tno\n");
}

TEST_F(ExportCliTest, ReceiveWritesOneUsbFilePerItem) {
    StartDemo();
    const std::string folder = Home() + "usb/";
    std::filesystem::create_directories(folder);
    settings::WriteInt(keys::kEspeTransAuto, 1);
    settings::WriteInt(keys::kEspeTransSelect, 1);
    settings::WriteString(keys::kEspeTransPath, folder);
    settings::WriteInt(keys::kUsbFileNum, 3);
    const int received = LoginAndReceive();
    ASSERT_GT(received, 0);
    EXPECT_EQ(settings::ReadInt(keys::kUsbFileNum, -1), 3 + received);
    std::set<int> ids;
    for (int n = 3; n < 3 + received; ++n) {
        const std::string bytes = ReadFileBytes(folder + std::to_string(n) + ".usb");
        ASSERT_EQ(bytes.size(), conversion::kTransferRecordSize) << n;
        const store::NewsItem item = conversion::DecodeTransferRecord(
            std::span<const char, conversion::kTransferRecordSize>(bytes.data(), bytes.size()));
        EXPECT_TRUE(store::IsValidNewsId(item.newsId));
        EXPECT_FALSE(item.title.empty());
        ids.insert(item.newsId);
    }
    EXPECT_GT(ids.size(), 1u);
    EXPECT_FALSE(platform::FileExists(folder + std::to_string(3 + received) + ".usb"));
}

// ---- database -----------------------------------------------------------------------------

class DatabaseCliTest : public ExportCliTest {
  protected:
    void SetUp() override {
        if (PostgresServer::BinFolder().empty()) GTEST_SKIP() << "PostgreSQL is not installed";
        if (PostgresServer::OdbcDriver().empty()) GTEST_SKIP() << "psqlODBC is not installed";
        std::string error;
        ASSERT_TRUE(pg_.Start(error)) << error;
        ASSERT_TRUE(pg_.Sql(R"(
            create table news (id integer, title text, content text);
            create function spSaveClientNews(integer, text, text, text, integer, text, text,
                                             text, text, text)
              returns void language sql as 'insert into news values ($1, $3, $9)';
            create table stocks (seq serial, code text, name text, trade text, aliases text);
            create function spUpdateStockNameID(text, text, text, text) returns void
              language sql as 'insert into stocks (code, name, trade, aliases)
                               values ($1, $2, $3, $4)';)",
                            nullptr, &error))
            << error;
        ASSERT_TRUE(pg_.DefineDataSource("BrevioCli", error)) << error;
        settings::WriteString(keys::kDataResource, "BrevioCli");
        settings::WriteString(keys::kDataUserName, "postgres");
        settings::WriteString(keys::kDataPassWord, "");
    }
    std::vector<std::string> Rows(const std::string& sql) {
        std::string out, error;
        EXPECT_TRUE(pg_.Sql(sql, &out, &error)) << error;
        std::vector<std::string> rows;
        for (const std::string& l : Lines(platform::Utf8ToGbk(out))) {
            if (!l.empty()) rows.push_back(l);
        }
        return rows;
    }
    PostgresServer pg_;
};

TEST_F(DatabaseCliTest, DataSourceTestReportsBothWays) {
    ProgramRun ok = RunCli({"db", "test"});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, "测试数据源成功!\n");
    settings::WriteString(keys::kDataResource, "Nowhere");
    ProgramRun bad = RunCli({"db", "test"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("测试数据源失败,请重新配置数据源或选择其他转换方式!"), std::string::npos);
}

TEST_F(DatabaseCliTest, ReceivedNewsBecomesRowsAndStockNamesFollowARefresh) {
    StartDemo();
    settings::WriteInt(keys::kConvertAuto, 1);
    settings::WriteInt(keys::kConvertFormat, conversion::kFormatDatabase);
    const int received = LoginAndReceive();
    ASSERT_GT(received, 0);
    EXPECT_EQ(Rows("select count(*) from news"), std::vector<std::string>{std::to_string(received)});

    ProgramRun update = RunCli({"update", "stocks"});
    EXPECT_EQ(update.exitCode, 0) << update.err;
    const auto stocks = Rows("select code, name, trade, aliases from stocks order by seq");
    ASSERT_EQ(stocks.size(), 50u);
    reference::StockTable table;
    reference::LoadStockTable(Data("stocktbl.tab"), table);
    ASSERT_EQ(table.size(), 50u);
    EXPECT_EQ(stocks[0], table[0].code + "\t" + table[0].name + "\t" + table[0].trade + "\t" +
                             table[0].aliases);

    // One stored item saved again by hand.
    ASSERT_TRUE(pg_.Sql("delete from news"));
    std::vector<std::string> listed = Lines(RunCli({"list", "public", "09001"}).out);
    ASSERT_GE(listed.size(), 2u);
    const std::string id = platform::Split(listed[1], '\t')[0];
    ProgramRun save = RunCli({"db", "save", "public", "09001", id, "999999"});
    EXPECT_EQ(save.exitCode, 1);  // the second id is not stored
    EXPECT_NE(save.out.find("saved 1 of 2"), std::string::npos) << save.out;
    EXPECT_EQ(Rows("select id from news"), std::vector<std::string>{id});
}

}  // namespace
}  // namespace brevio::test
