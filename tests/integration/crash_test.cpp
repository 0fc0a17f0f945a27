// Crashes at any moment: receptions from the demo server and compactions are killed at random
// points, then the store must check clean and a last reception must leave exactly the records
// the server holds (a reference program folder that received once, without kills), each once.
// The seed is printed; BREVIO_CRASH_SEED repeats a run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <random>
#include <string>
#include <vector>

#include "integration/demo_process.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/compaction.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::test {
namespace {

const std::string kCli = BREVIO_CLI;
const std::string kDataDir = BREVIO_DEMO_DATA;
constexpr int kKills = 30;

// Every news file of a content folder: folder kind and base name to the ids it lists.
using StoreIds = std::map<std::string, std::multiset<std::int32_t>>;

StoreIds ReadStore(const std::string& contentFolder) {
    StoreIds ids;
    for (store::FolderKind kind : {store::kFolderPublic, store::kFolderRegion, store::kFolderTrade,
                                   store::kFolderStock, store::kFolderSubscription}) {
        const std::string folder = store::ResolveFolder(contentFolder, kind);
        for (const std::string& name : platform::ListFolder(folder)) {
            if (name.size() <= 4 || name.substr(name.size() - 4) != ".idx") continue;
            const std::string base = name.substr(0, name.size() - 4);
            auto& set = ids[std::to_string(kind) + "/" + base];
            store::ListRecords(folder, base,
                               [&](const store::NewsRecord& r) { set.insert(r.newsId); });
        }
    }
    return ids;
}

class CrashTest : public TempHomeTest {
  protected:
    ProgramRun Cli(const std::string& home, std::vector<std::string> args, int timeoutMs = 120000) {
        args.insert(args.begin(), {kCli, "--home", home});
        return RunProgram(args, timeoutMs);
    }
    // A program folder pointed at the demo server, logged in as the demo user, filing fast.
    std::string Prepare(const std::string& home) {
        EXPECT_TRUE(platform::CreateFolders(home));
        auto set = [&](std::vector<std::string> a) {
            a.insert(a.begin(), "settings");
            ProgramRun r = Cli(home, a);
            EXPECT_EQ(r.exitCode, 0) << r.err;
        };
        set({"set", "ServerPort", std::to_string(server_.NspPort()), "--int"});
        set({"set", "PortalAddress", "http://127.0.0.1:" + std::to_string(server_.HttpPort())});
        set({"set", "DiskInterval", "1", "--int"});
        set({"set", "SocketInterval", "0", "--int"});
        set({"load"});
        std::string content(platform::TrimRight(Cli(home, {"settings", "get", "ContentPath"}).out));
        if (!content.empty() && content.back() != '/') content += '/';
        for (const char* table :
             {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab", "websites.tab",
              "WebsiteNews.tab", "WebsiteTrade.tab", "WebsiteRegion.tab", "stocktbl.tab"}) {
            WriteFileBytes(content + "Data/" + table,
                           platform::Utf8ToGbk(ReadFileBytes(kDataDir + "/" + table)));
        }
        ProgramRun login = Cli(home, {"login", "demo", "demo123"});
        EXPECT_EQ(login.exitCode, 0) << login.err;
        return content;
    }
    std::vector<std::string> Receive(const std::string& home) {
        return {kCli, "--home", home, "receive", "--all", "--quiet"};
    }

    DemoServer server_;
};

// Compacts every news file again and again, each time as if a day had passed, keeping every
// record: the files are rewritten and replaced all the time, the records stay the same.
[[noreturn]] void CompactForever(const std::string& contentFolder) {
    for (long long day = 1;; ++day) {
        for (store::FolderKind kind : {store::kFolderPublic, store::kFolderTrade,
                                       store::kFolderRegion, store::kFolderStock}) {
            const std::string folder = store::ResolveFolder(contentFolder, kind);
            for (const std::string& name : platform::ListFolder(folder)) {
                if (name.size() <= 4 || name.substr(name.size() - 4) != ".idx") continue;
                store::CompactByDays(folder + name.substr(0, name.size() - 4), 100000,
                                     std::time(nullptr) + day * 86400 * 2);
            }
        }
    }
}

TEST_F(CrashTest, KilledReceptionsAndCompactionsLoseAndRepeatNothing) {
    unsigned seed = std::random_device{}();
    if (const char* fixed = std::getenv("BREVIO_CRASH_SEED")) seed = std::strtoul(fixed, nullptr, 10);
    std::printf("crash test seed: %u (BREVIO_CRASH_SEED=%u repeats it)\n", seed, seed);
    std::mt19937 random(seed);
    ASSERT_TRUE(server_.Start({}));

    // The reference: one reception without interruption, timed.
    const std::string reference = Home() + "reference/";
    const std::string referenceContent = Prepare(reference);
    auto start = std::chrono::steady_clock::now();
    ProgramRun whole = RunProgram(Receive(reference), 300000);
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    const int wholeMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());
    const StoreIds expected = ReadStore(referenceContent);
    ASSERT_FALSE(expected.empty());

    const std::string home = Home() + "crashed/";
    const std::string content = Prepare(home);
    // Short enough that most receptions die part way: the items still to file take about
    // wholeMs in all, spread over the rounds.
    std::uniform_int_distribution<int> receptionKill(10, std::max(2 * wholeMs / kKills, 60));
    std::uniform_int_distribution<int> compactionKill(1, 60);
    int killed = 0;
    for (int round = 0; round < kKills; ++round) {
        // Every other round a compaction runs beside the reception and is killed as well.
        pid_t compactor = 0;
        if (round % 2 == 1) {
            compactor = ::fork();
            if (compactor == 0) CompactForever(content);
        }
        const int at = receptionKill(random);
        if (RunAndKill(Receive(home), at) == -1) ++killed;
        if (compactor > 0) {
            ::usleep(static_cast<useconds_t>(compactionKill(random)) * 1000);
            ::kill(compactor, SIGKILL);
            ::waitpid(compactor, nullptr, 0);
        }
    }
    std::printf("%d of %d receptions killed before their end (a whole one took %d ms)\n", killed,
                kKills, wholeMs);
    EXPECT_GE(killed, kKills / 2);

    // The next client puts right what the kills left (interrupted replacements, counts,
    // temporaries) and receives the rest.
    ProgramRun last = RunProgram(Receive(home), 300000);
    ASSERT_EQ(last.exitCode, 0) << last.err;
    ProgramRun check = Cli(home, {"check"});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;

    // Which files an item lands in may differ between the two folders: an item that several
    // subscriptions deliver is taken by whichever exchange's last id allows it first. What
    // must hold: every item the server holds is stored, none is stored twice in a file, and
    // nothing is stored that the server does not hold.
    const StoreIds got = ReadStore(content);
    std::set<std::int32_t> expectedItems, gotItems;
    for (const auto& [file, ids] : expected) expectedItems.insert(ids.begin(), ids.end());
    for (const auto& [file, ids] : got) {
        for (std::int32_t id : ids) {
            EXPECT_EQ(ids.count(id), 1u) << file << ": item " << id << " stored twice";
            gotItems.insert(id);
        }
    }
    std::vector<std::int32_t> lost, extra;
    std::set_difference(expectedItems.begin(), expectedItems.end(), gotItems.begin(),
                        gotItems.end(), std::back_inserter(lost));
    std::set_difference(gotItems.begin(), gotItems.end(), expectedItems.begin(),
                        expectedItems.end(), std::back_inserter(extra));
    EXPECT_TRUE(lost.empty()) << lost.size() << " items lost, the first " << lost.front();
    EXPECT_TRUE(extra.empty()) << extra.size() << " items the server does not hold";
    EXPECT_EQ(gotItems.size(), expectedItems.size());
}

}  // namespace
}  // namespace brevio::test
