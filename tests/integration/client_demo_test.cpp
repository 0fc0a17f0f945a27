// brevio-cli against the demo news server and portal, as a user on a fresh machine meets
// them: login, reception of every selected category, a second reception, news that keeps
// arriving, keyword subscriptions, the web fetch and a site proposal. The command line speaks
// UTF-8; this file is GBK, so every output is converted before it is compared.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "integration/demo_process.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "store/folder_list.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::test {
namespace {

const std::string kCli = BREVIO_CLI;
const std::string kDataDir = BREVIO_DEMO_DATA;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    return platform::Split(line, '\t');
}

// Runs brevio-cli on the program folder of the test; its output comes back in GBK.
ProgramRun RunCli(std::vector<std::string> args) {
    args.insert(args.begin(), kCli);
    ProgramRun run = RunProgram(args, 120000);
    run.out = platform::Utf8ToGbk(run.out);
    run.err = platform::Utf8ToGbk(run.err);
    return run;
}

// One line of the reception summary: group, key, name, count or failure text.
struct Received {
    std::string group, key, name, result;
};

class ClientDemoTest : public TempHomeTest {
  protected:
    // Starts a server (extra arguments as given) and points the program folder at it.
    void StartServer(std::vector<std::string> args = {}) {
        ASSERT_TRUE(server_.Start(std::move(args)));
        ASSERT_EQ(Cli({"settings", "set", "ServerPort", std::to_string(server_.NspPort()), "--int"})
                      .exitCode,
                  0);
        ASSERT_EQ(Cli({"settings", "set", "PortalAddress",
                       "http://127.0.0.1:" + std::to_string(server_.HttpPort())})
                      .exitCode,
                  0);
        ASSERT_EQ(Cli({"settings", "load"}).exitCode, 0);
        app_ = settings::LoadAppSettings();
        // The reference tables the server's lists come from, in the client's GBK form.
        for (const char* table :
             {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab", "websites.tab",
              "WebsiteNews.tab", "WebsiteTrade.tab", "WebsiteRegion.tab", "stocktbl.tab"}) {
            WriteFileBytes(app_.contentFolder + "Data/" + table,
                           platform::Utf8ToGbk(ReadFileBytes(kDataDir + "/" + table)));
        }
    }

    ProgramRun Cli(std::vector<std::string> args) { return RunCli(std::move(args)); }

    std::vector<Received> Receive() {
        ProgramRun run = Cli({"receive", "--all", "--quiet"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::vector<Received> got;
        for (const std::string& line : Lines(run.out)) {
            auto f = Fields(line);
            if (f.size() == 4) got.push_back({f[0], f[1], f[2], f[3]});
        }
        return got;
    }

    // The record lines of `list` (its header line left out).
    std::vector<std::string> Listing(const std::string& kind, const std::string& base) {
        std::vector<std::string> lines = Lines(Cli({"list", kind, base}).out);
        if (!lines.empty()) {
            EXPECT_EQ(lines.front(), "id\ttime\twebsite\tread\ttitle");
            lines.erase(lines.begin());
        }
        return lines;
    }

    // The ids listed for a news file.
    std::vector<std::string> ListedIds(const std::string& kind, const std::string& base) {
        std::vector<std::string> ids;
        for (const std::string& line : Listing(kind, base)) {
            auto f = Fields(line);
            if (!f.empty()) ids.push_back(f[0]);
        }
        return ids;
    }

    std::set<std::string> SiteNames() {
        std::set<std::string> names;
        for (const std::string& line : Lines(ReadFileBytes(kDataDir + "/websites.tab"))) {
            auto f = Fields(platform::Utf8ToGbk(line));
            if (f.size() >= 2) names.insert(std::string(platform::TrimRight(f[1])));
        }
        return names;
    }

    DemoServer server_;
    settings::AppSettings app_;
};

TEST_F(ClientDemoTest, LoginAndReceptionFileEverySelectedCategoryOnce) {
    StartServer();
    ProgramRun login = Cli({"login", "demo", "demo123"});
    ASSERT_EQ(login.exitCode, 0) << login.err;
    EXPECT_NE(login.out.find("logged in as demo"), std::string::npos);
    EXPECT_TRUE(platform::FileExists(app_.programFolder + "Vantory.ini"));

    std::vector<Received> first = Receive();
    // The demo user's sixteen subscriptions: eleven public categories, three trades, two
    // regions, each with news.
    ASSERT_EQ(first.size(), 16u);
    std::map<std::string, int> groups;
    for (const Received& r : first) {
        ++groups[r.group];
        EXPECT_GT(std::atoi(r.result.c_str()), 0) << r.key << " " << r.result;
        EXPECT_FALSE(r.name.empty()) << r.key;
    }
    EXPECT_EQ(groups["大众"], 11);
    EXPECT_EQ(groups["行业"], 3);
    EXPECT_EQ(groups["地区"], 2);

    // Items of a public category carry the site names of the site table, newest last.
    const std::set<std::string> sites = SiteNames();
    std::vector<std::string> listing = Listing("public", "09001");
    ASSERT_FALSE(listing.empty());
    int previous = 0;
    for (const std::string& line : listing) {
        auto f = Fields(line);
        ASSERT_EQ(f.size(), 5u) << line;
        EXPECT_EQ(sites.count(f[2]), 1u) << f[2];
        EXPECT_EQ(f[3], "0");
        EXPECT_GT(std::atoi(f[0].c_str()), previous);
        previous = std::atoi(f[0].c_str());
    }
    ProgramRun read = Cli({"read", "public", "09001", Fields(listing.back())[0]});
    EXPECT_EQ(read.exitCode, 0);
    EXPECT_GT(read.out.size(), 20u);

    // Trade items land under their trade code, region items under each region code they name.
    EXPECT_FALSE(ListedIds("trade", "01").empty());
    EXPECT_FALSE(ListedIds("region", "110").empty());

    // A second reception finds nothing new and files nothing.
    const std::size_t before = ListedIds("public", "09001").size();
    std::vector<Received> second = Receive();
    ASSERT_EQ(second.size(), 16u);
    for (const Received& r : second) EXPECT_EQ(r.result, "0") << r.key;
    EXPECT_EQ(ListedIds("public", "09001").size(), before);
}

TEST_F(ClientDemoTest, WrongPasswordLeavesNoSelection) {
    StartServer();
    // Without automatic login the start-up login has to ask.
    EXPECT_NE(Cli({"login"}).exitCode, 0);
    // The typed values are stored before the portal refuses them, so the automatic login
    // tries the wrong password again and fails too.
    ProgramRun login = Cli({"login", "demo", "wrong", "--auto"});
    EXPECT_NE(login.exitCode, 0);
    EXPECT_NE(Cli({"login"}).exitCode, 0);
    EXPECT_FALSE(platform::FileExists(app_.programFolder + "Vantory.ini"));
    // Without a selection nothing is received.
    EXPECT_TRUE(Receive().empty());

    ASSERT_EQ(Cli({"login", "demo", "demo123", "--auto"}).exitCode, 0);
    ASSERT_TRUE(platform::RemoveFile(app_.programFolder + "Vantory.ini"));
    ProgramRun automatic = Cli({"login"});
    EXPECT_EQ(automatic.exitCode, 0) << automatic.err;
    EXPECT_TRUE(platform::FileExists(app_.programFolder + "Vantory.ini"));
}

TEST_F(ClientDemoTest, NewsThatKeepsArrivingIsFiledWithoutRepeats) {
    StartServer({"--batch-every", "1", "--batch-size", "40"});
    ASSERT_EQ(Cli({"login", "demo", "demo123"}).exitCode, 0);
    int firstTotal = 0;
    for (const Received& r : Receive()) firstTotal += std::atoi(r.result.c_str());
    ASSERT_GT(firstTotal, 0);
    sleep(2);
    int secondTotal = 0;
    for (const Received& r : Receive()) secondTotal += std::atoi(r.result.c_str());
    EXPECT_GT(secondTotal, 0);

    // Every news file lists each id once, in rising order.
    for (const auto& [kind, base] : std::vector<std::pair<std::string, std::string>>{
             {"public", "09001"}, {"public", "10001"}, {"public", "11001"}, {"trade", "01"}}) {
        std::vector<std::string> ids = ListedIds(kind, base);
        std::set<std::string> unique(ids.begin(), ids.end());
        EXPECT_EQ(unique.size(), ids.size()) << kind << " " << base;
        for (std::size_t i = 1; i < ids.size(); ++i)
            EXPECT_LT(std::atoi(ids[i - 1].c_str()), std::atoi(ids[i].c_str()));
    }
}

TEST_F(ClientDemoTest, KeywordSubscriptionsGetMarkedCopies) {
    StartServer();
    ASSERT_TRUE(store::SaveFolders(app_.pemlo2Ini, {{7, "银行动态", {"银行"}}}));
    ASSERT_EQ(Cli({"login", "demo", "demo123"}).exitCode, 0);
    Receive();
    std::vector<std::string> ids = ListedIds("subscription", "7");
    ASSERT_FALSE(ids.empty());
    ProgramRun read = Cli({"read", "subscription", "7", ids.front()});
    ASSERT_EQ(read.exitCode, 0);
    EXPECT_NE(read.out.find("\x04银行\x05"), std::string::npos);
}

TEST_F(ClientDemoTest, WebFetchAndSiteProposal) {
    StartServer();
    const std::string portal = "http://127.0.0.1:" + std::to_string(server_.HttpPort());
    const std::string target = Home() + "fetched.txt";
    ProgramRun fetch = Cli({"fetch", portal + "/fetch/accept.txt", target});
    ASSERT_EQ(fetch.exitCode, 0) << fetch.err;
    EXPECT_EQ(ReadFileBytes(target), "Brevio演示门户\n网页抓取测试\n最后一行\n\n");

    // A missing page leaves the earlier copy alone.
    ProgramRun missing = Cli({"fetch", portal + "/no/such/page", target});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(target), "Brevio演示门户\n网页抓取测试\n最后一行\n\n");

    ASSERT_EQ(Cli({"login", "demo", "demo123"}).exitCode, 0);
    ProgramRun add =
        Cli({"addsite", "我的网站", "http://www.example.cn", "10001", "01", "110", "一个新闻网站"});
    EXPECT_EQ(add.exitCode, 0) << add.out << add.err;
    EXPECT_NE(add.out.find("200"), std::string::npos) << add.out;
}

// The headless client ended by SIGTERM while the store writer is far behind (one item a
// second): it writes every item it received before it exits.
TEST_F(ClientDemoTest, TheHeadlessClientWritesEveryQueuedItemBeforeItExits) {
    StartServer();
    ASSERT_EQ(Cli({"login", "demo", "demo123", "--auto"}).exitCode, 0);
    ASSERT_EQ(Cli({"settings", "set", "DiskInterval", "1000", "--int"}).exitCode, 0);
    const std::string output = Home() + "run.out";
    pid_t pid = fork();
    if (pid == 0) {
        FILE* out = std::freopen(output.c_str(), "w", stdout);
        (void)out;
        execl(kCli.c_str(), kCli.c_str(), "run", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    // Wait until a good number of items are received (and mostly not yet written).
    auto received = [&] {
        int most = 0;
        for (const std::string& line : Lines(platform::Utf8ToGbk(ReadFileBytes(output)))) {
            int n = 0;
            if (std::sscanf(line.c_str(), "[1] 共接收%d条新闻", &n) == 1) most = std::max(most, n);
        }
        return most;
    };
    for (int i = 0; i < 300 && received() < 30; ++i) usleep(50 * 1000);
    ASSERT_GE(received(), 30);
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string text = platform::Utf8ToGbk(ReadFileBytes(output));
    int waiting = -1, written = -1;
    for (const std::string& line : Lines(text)) {
        std::sscanf(line.c_str(), "items waiting to be written: %d", &waiting);
        std::sscanf(line.c_str(), "stopped: %d items written", &written);
    }
    EXPECT_EQ(text.find("stopping: signal"), text.find("stopping:")) << text;
    EXPECT_GT(waiting, 10) << "the writer was not behind: the test proves nothing";
    EXPECT_EQ(written, received());
    // What was written is in the news files, and the journal was folded into the records.
    int filed = 0;
    for (const std::string& base : {std::string("09001"), std::string("10001"), std::string("10004"),
                                    std::string("11001"), std::string("11004")}) {
        filed += static_cast<int>(ListedIds("public", base).size());
    }
    EXPECT_GT(filed, 0);
    EXPECT_EQ(ReadFileBytes(app_.contentFolder + "Data/Filed.log"), "");
}

TEST_F(ClientDemoTest, AnUnknownCategoryIsAUsageErrorAndReceivesNothing) {
    StartServer();
    ASSERT_EQ(Cli({"login", "demo", "demo123"}).exitCode, 0);
    ProgramRun unknown = Cli({"receive", "--category", "99999", "--quiet"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("99999"), std::string::npos) << unknown.err;
    // One unknown key among known ones stops the whole command before it receives anything.
    EXPECT_EQ(Cli({"receive", "--category", "09001", "99999", "--quiet"}).exitCode, 2);
    EXPECT_TRUE(ListedIds("public", "09001").empty());
    EXPECT_EQ(Cli({"receive", "--category", "09001", "--category", "--quiet"}).exitCode, 2);

    ProgramRun known = Cli({"receive", "--category", "09001", "--quiet"});
    EXPECT_EQ(known.exitCode, 0) << known.err;
    EXPECT_FALSE(ListedIds("public", "09001").empty());
}

// brevio-cli without a server: argument rules and the store check.
class CliCommandLineTest : public TempHomeTest {
  protected:
    void SetUp() override { content_ = settings::LoadAppSettings().contentFolder; }

    std::string Folder(store::FolderKind kind) const {
        return store::ResolveFolder(content_, kind);
    }
    // brevio-cli with the arguments (GBK here) given as UTF-8, as a terminal gives them.
    static ProgramRun Run(std::vector<std::string> args) {
        for (std::string& a : args) a = platform::GbkToUtf8(a);
        return RunCli(std::move(args));
    }
    void Append(store::FolderKind kind, const std::string& base, std::int32_t id) {
        ASSERT_TRUE(platform::CreateFolders(Folder(kind)));
        store::NewsItem item;
        item.newsId = id;
        item.title = "标题" + std::to_string(id);
        item.timeText = "2024-6-1 8:0:0";
        item.content = Body(id);
        ASSERT_GT(store::AppendItem(Folder(kind), base, item, "网站"), 0);
    }
    static std::string Body(std::int32_t id) { return "正文 " + std::to_string(id); }

    std::string content_;
};

TEST_F(CliCommandLineTest, NumbersAreDecimalOnly) {
    for (std::int32_t id : {8, 10, 16}) Append(store::kFolderPublic, "09001", id);
    Append(store::kFolderTrade, "01", 1);

    ProgramRun ten = Run({"read", "public", "09001", "010"});
    ASSERT_EQ(ten.exitCode, 0) << ten.err;
    EXPECT_EQ(ten.out, Body(10) + "\n");
    EXPECT_EQ(Run({"read", "public", "09001", "-0"}).exitCode, 1) << "no record 0";
    // Not decimal, or beyond a news ID (4294967306 would wrap to 10).
    for (const char* bad : {"0x10", "0X10", "1e1", "+10", " 10", "10 ", "", "-", "4294967306",
                            "99999999999999999999", "０１"}) {
        ProgramRun run = Run({"read", "public", "09001", bad});
        EXPECT_EQ(run.exitCode, 2) << "[" << bad << "] " << run.out;
        EXPECT_TRUE(run.out.empty()) << bad;
    }
    // Folder kinds given as numbers: 012 is the trade folder, 0xC nothing.
    ProgramRun trade = Run({"list", "012", "01"});
    ASSERT_EQ(trade.exitCode, 0) << trade.err;
    EXPECT_NE(trade.out.find("标题1"), std::string::npos) << trade.out;
    EXPECT_EQ(Run({"list", "0xC", "01"}).exitCode, 2);

    ASSERT_EQ(Run({"settings", "set", "Numbers", "010", "--int"}).exitCode, 0);
    EXPECT_EQ(Run({"settings", "get", "Numbers"}).out, "10\n");
    EXPECT_EQ(Run({"settings", "set", "Numbers", "0x10", "--int"}).exitCode, 2);
    EXPECT_EQ(Run({"settings", "set", "Numbers", "4294967296", "--int"}).exitCode, 2);
    EXPECT_EQ(Run({"settings", "get", "Numbers"}).out, "10\n");
    EXPECT_EQ(Run({"radar", "--passes", "0x1"}).exitCode, 2);
    EXPECT_EQ(Run({"search", "标题", "--scope", "a:0x10"}).exitCode, 2);
}

TEST_F(CliCommandLineTest, SurplusArgumentsAreUsageErrorsAndChangeNothing) {
    Append(store::kFolderPublic, "09001", 10);
    const std::vector<std::vector<std::string>> calls = {
        {"list", "public", "09001", "x"},
        {"header", "public", "09001", "x"},
        {"read", "public", "09001", "10", "x"},
        {"delete", "public", "09001", "10", "x"},
        {"restore", "public", "09001", "10", "x"},
        {"mark-read", "public", "09001", "10", "1", "x"},
        {"settings", "load", "x"},
        {"settings", "get", "Surplus", "x"},
        {"settings", "set", "Surplus", "1", "x"},
        {"settings", "set", "Surplus", "1", "--int", "x"},
        {"folders", "list", "favorites", "x"},
        {"folders", "add", "favorites", "名称", "关键词", "x"},
        {"folders", "delete", "favorites", "5", "x"},
        {"folders", "rename", "favorites", "5", "新名", "x"},
        {"folders", "keywords", "subscriptions", "5", "银行", "x"},
        {"favorite", "add", "1", "public", "09001"},
        {"tables", "show", "public", "x"},
        {"cleanup", "--moment", "0", "x"},
        {"search", "标题", "x"},
        {"fetch", "http://127.0.0.1:9/", Home() + "f", "x"},
        {"diff", "a", "b", "c", "d"},
        {"login", "u", "p", "--auto", "x"},
        {"addsite", "1", "2", "3", "4", "5", "6", "7"},
        {"receive", "--quiet", "x"},
        {"radar", "--fast", "x"},
        {"store", "accept", "--group"},
        {"check", "x"},
        {"check", "--repair", "x"},
        {"help", "list", "x"},
        {"help", "nosuchcommand"},
    };
    for (const std::vector<std::string>& args : calls) {
        std::string line;
        for (const std::string& a : args) line += a + " ";
        ProgramRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2) << line << "\n" << run.out << run.err;
        EXPECT_NE(run.err.find("usage"), std::string::npos) << line << "\n" << run.err;
    }
    EXPECT_EQ(Run({"settings", "get", "Surplus"}).exitCode, 1) << "nothing stored";
    EXPECT_EQ(Run({"folders", "list", "favorites"}).out, "id\tname\tkeywords\n");
    ProgramRun listed = Run({"list", "public", "09001"});
    ASSERT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find("\n10\t2024-06-01 08:00:00\t网站\t0\t标题10\n"), std::string::npos)
        << listed.out;
    EXPECT_EQ(Run({"help", "list"}).exitCode, 0);
}

// The TSV lines of a check run: path, finding, repaired / not repaired.
std::vector<std::vector<std::string>> CheckLines(const ProgramRun& run) {
    std::vector<std::vector<std::string>> out;
    for (const std::string& line : Lines(run.out)) out.push_back(Fields(line));
    return out;
}

TEST_F(CliCommandLineTest, CheckReportsRepairsAndThenFindsAHealthyStore) {
    for (std::int32_t id = 1; id <= 3; ++id) Append(store::kFolderPublic, "09001", id);
    for (std::int32_t id = 1; id <= 2; ++id) Append(store::kFolderTrade, "01", id);
    ProgramRun healthy = Run({"check"});
    EXPECT_EQ(healthy.exitCode, 0) << healthy.out << healthy.err;
    EXPECT_EQ(healthy.out, "");
    EXPECT_NE(healthy.err.find("checked 2 news files"), std::string::npos) << healthy.err;

    // A torn record at the end of one index, a compaction leftover beside another.
    const std::string trade = store::BasePath(Folder(store::kFolderTrade), "01");
    std::string idx = ReadFileBytes(store::IndexPath(trade));
    WriteFileBytes(store::IndexPath(trade), idx.substr(0, idx.size() - 200));
    const std::string leftover = store::BasePath(Folder(store::kFolderPublic), "09001") + ".~at";
    WriteFileBytes(leftover, "half");

    ProgramRun found = Run({"check"});
    EXPECT_EQ(found.exitCode, 1);
    const auto lines = CheckLines(found);
    ASSERT_EQ(lines.size(), 3u) << found.out;
    for (const auto& f : lines) {
        ASSERT_EQ(f.size(), 3u);
        EXPECT_EQ(f[2], "not repaired");
    }
    EXPECT_EQ(lines[0][0], leftover);
    EXPECT_EQ(lines[1][0], store::IndexPath(trade));
    EXPECT_EQ(lines[1][1].rfind("torn tail: 312 bytes", 0), 0u) << lines[1][1];
    EXPECT_EQ(lines[2][1].rfind("counts wrong", 0), 0u) << lines[2][1];
    EXPECT_TRUE(platform::FileExists(leftover)) << "a check without --repair changes nothing";

    ProgramRun repaired = Run({"check", "--repair"});
    EXPECT_EQ(repaired.exitCode, 1) << "something was wrong, even though it is repaired now";
    const auto repairedLines = CheckLines(repaired);
    ASSERT_EQ(repairedLines.size(), 3u) << repaired.out;
    for (std::size_t i = 0; i < repairedLines.size(); ++i) {
        EXPECT_EQ(repairedLines[i][0], lines[i][0]);
        EXPECT_EQ(repairedLines[i][2], "repaired");
    }
    EXPECT_NE(repaired.err.find("3 problems, 3 repaired"), std::string::npos) << repaired.err;

    ProgramRun again = Run({"check"});
    EXPECT_EQ(again.exitCode, 0) << again.out;
    EXPECT_EQ(again.out, "");
    std::vector<std::string> listed = Lines(Run({"list", "trade", "01"}).out);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(Fields(listed[1])[0], "1");
    EXPECT_EQ(Run({"read", "trade", "01", "1"}).out, Body(1) + "\n");
}

}  // namespace
}  // namespace brevio::test
