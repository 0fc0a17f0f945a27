// Several processes on one content folder: the desktop client, the headless client and
// command-line runs file, flag and compact the same news files at once. Each case forks real
// processes, so the locks are exercised across processes and not only across threads.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/process_lock.h"
#include "platform/text.h"
#include "settings/history_cleanup.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/compaction.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::store {
namespace {

NewsItem Item(std::int32_t id) {
    NewsItem item;
    item.newsId = id;
    item.title = "标题" + std::to_string(id);
    item.url = "http://news.example.cn/" + std::to_string(id);
    item.timeText = "2026-12-9 9:30:5";
    item.content = "正文" + std::to_string(id) + std::string(static_cast<std::size_t>(id % 97), 'x');
    return item;
}

// Runs `work` in `count` child processes at once; true when every child exited with 0.
bool InProcesses(int count, const std::function<int(int)>& work) {
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t pid = ::fork();
        if (pid == 0) ::_exit(work(i));
        if (pid < 0) return false;
        children.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return ok;
}

class NewsFileProcessesTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        content_ = Home() + "content/";
        ASSERT_TRUE(platform::CreateFolders(content_ + "News/Trade/"));
        folder_ = ResolveFolder(content_, kFolderTrade);
    }
    // Every listed record with its content, checked against the item it was made from.
    std::map<std::int32_t, int> CheckedRecords(std::string_view base) const {
        std::map<std::int32_t, int> seen;
        ListRecords(folder_, base, [&](const NewsRecord& r) {
            NewsRecord again;
            std::string content;
            ReadItem(folder_, base, r.newsId, again, content);
            EXPECT_EQ(content, Item(r.newsId).content) << "record " << r.newsId;
            ++seen[r.newsId];
        });
        return seen;
    }
    std::string content_;
    std::string folder_;
};

TEST_F(NewsFileProcessesTest, AppendsFromSeveralProcessesAreAllFiledWithRightCounts) {
    constexpr int kProcesses = 3, kEach = 150;
    ASSERT_TRUE(InProcesses(kProcesses, [&](int p) {
        for (int i = 0; i < kEach; ++i) {
            if (AppendItem(folder_, "T01", Item(p * 1000 + i + 1), "") < 0) return 1;
            // Flags are written by other processes meanwhile.
            if (i % 10 == 9 && MarkRead(folder_, "T01", p * 1000 + i, true) != kWritten) return 2;
        }
        return 0;
    }));
    std::map<std::int32_t, int> seen = CheckedRecords("T01");
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kProcesses * kEach));
    for (const auto& [id, times] : seen) EXPECT_EQ(times, 1) << id;
    IndexHeader h;
    ASSERT_EQ(ReadHeader(folder_, "T01", h), 0);
    EXPECT_EQ(h.liveCount, kProcesses * kEach);
    EXPECT_EQ(platform::FileSize(IndexPath(BasePath(folder_, "T01"))),
              static_cast<long long>(kIndexHeaderSize + kProcesses * kEach * kRecordSize));
}

TEST_F(NewsFileProcessesTest, CompactionBesideAppendsLosesNothingItKeeps) {
    // One process compacts by count again and again while two others append and delete: every
    // record appended after the last compaction began must be there, with its own content.
    constexpr int kEach = 120;
    const std::string base = BasePath(folder_, "T02");
    ASSERT_GT(AppendItem(folder_, "T02", Item(1), ""), 0);
    ASSERT_TRUE(InProcesses(3, [&](int p) {
        if (p == 0) {
            for (int i = 0; i < 40; ++i) {
                if (CompactByCount(base, 100000) < 0) return 1;
            }
            return 0;
        }
        for (int i = 0; i < kEach; ++i) {
            const int id = p * 1000 + i + 1;
            if (AppendItem(folder_, "T02", Item(id), "") < 0) return 2;
            if (i % 7 == 0 && MarkDeleted(folder_, "T02", id, true) != kWritten) return 3;
        }
        return 0;
    }));
    std::map<std::int32_t, int> seen = CheckedRecords("T02");
    EXPECT_EQ(seen.count(1), 1u);
    for (int p = 1; p <= 2; ++p) {
        for (int i = 0; i < kEach; ++i) {
            const int id = p * 1000 + i + 1;
            EXPECT_EQ(seen.count(id), i % 7 == 0 ? 0u : 1u) << id;
        }
    }
    IndexHeader h;
    ASSERT_EQ(ReadHeader(folder_, "T02", h), 0);
    EXPECT_EQ(h.liveCount, static_cast<std::int32_t>(seen.size()));
    EXPECT_FALSE(platform::FileExists(base + ".~dx"));
    EXPECT_FALSE(platform::FileExists(base + ".~cm"));
}

TEST_F(NewsFileProcessesTest, TheDailyCleanUpRunsOnceWhateverTheNumberOfProcesses) {
    settings::WriteInt(settings::keys::kWhenCleanup, 0);
    settings::WriteInt(settings::keys::kHandleHistroyTime, 20261208);
    const std::string ran = Home() + "ran/";
    ASSERT_TRUE(platform::CreateFolders(ran));
    ASSERT_TRUE(InProcesses(4, [&](int p) {
        settings::RunHistoryCleanupTrigger(settings::kCleanupAtStart, 20261209, [&] {
            platform::WriteFileAtomic(ran + std::to_string(p), "x");
            ::usleep(200 * 1000);  // a run takes a while; the others start meanwhile
        });
        return 0;
    }));
    EXPECT_EQ(platform::ListFolder(ran).size(), 1u);
}

TEST_F(NewsFileProcessesTest, CountsLeftWrongByAnInterruptedAppendAreRepaired) {
    for (int id = 1; id <= 5; ++id) ASSERT_GT(AppendItem(folder_, "T03", Item(id), ""), 0);
    ASSERT_EQ(MarkDeleted(folder_, "T03", 2, true), kWritten);
    // A kill between the fifth record's write and its count write leaves LiveCount one short.
    const std::string index = IndexPath(BasePath(folder_, "T03"));
    std::string bytes = test::ReadFileBytes(index);
    PutInt32(bytes.data() + header_offset::kLiveCount, 3);
    test::WriteFileBytes(index, bytes);

    IndexHeader h;
    ASSERT_EQ(ReadHeader(folder_, "T03", h), 0);
    EXPECT_EQ(h.liveCount, 4);
    EXPECT_EQ(h.deletedCount, 1);
    // The next write stores counts that add up again.
    ASSERT_GT(AppendItem(folder_, "T03", Item(6), ""), 0);
    bytes = test::ReadFileBytes(index);
    EXPECT_EQ(GetInt32(bytes.data() + header_offset::kLiveCount), 5);
    EXPECT_EQ(GetInt32(bytes.data() + header_offset::kDeletedCount), 1);
    // So does a flag write.
    PutInt32(bytes.data() + header_offset::kLiveCount, 9);
    test::WriteFileBytes(index, bytes);
    ASSERT_EQ(MarkDeleted(folder_, "T03", 3, true), kWritten);
    ASSERT_EQ(ReadHeader(folder_, "T03", h), 0);
    EXPECT_EQ(h.liveCount, 4);
    EXPECT_EQ(h.deletedCount, 2);
}

TEST_F(NewsFileProcessesTest, AnItemFiledAgainAfterAnInterruptionIsStoredOnce) {
    for (int id = 1; id <= 30; ++id) {
        ASSERT_GT(AppendItem(folder_, "T04", Item(id), "", AppendMode::kOnce), 0);
    }
    // The last item comes again (the server resends what was not yet counted as received).
    EXPECT_EQ(AppendItem(folder_, "T04", Item(30), "", AppendMode::kOnce),
              static_cast<int>(Item(30).content.size()));
    EXPECT_EQ(AppendItem(folder_, "T04", Item(29), "", AppendMode::kOnce),
              static_cast<int>(Item(29).content.size()));
    std::map<std::int32_t, int> seen = CheckedRecords("T04");
    EXPECT_EQ(seen.size(), 30u);
    EXPECT_EQ(seen[30], 1);
    // Appending by hand (a favourites copy) still adds what it is given.
    ASSERT_GT(AppendItem(folder_, "T04", Item(30), ""), 0);
    EXPECT_EQ(CheckedRecords("T04")[30], 2);
}

TEST_F(NewsFileProcessesTest, ASecondClientOnOneProgramFolderIsToldWhichOneRuns) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t owner = ::fork();
    if (owner == 0) {
        platform::InstanceLock lock(Home(), "brevio-cli run");
        char c = lock.Held() ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        ::pause();  // until killed: a client that dies never frees the lock by hand
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    platform::InstanceLock second(Home(), "brevio", 100);
    EXPECT_FALSE(second.Held());
    EXPECT_EQ(second.Holder(), platform::Format("brevio-cli run, 进程 %d", static_cast<int>(owner)));
    EXPECT_NE(second.RefusalText().find(second.Holder()), std::string::npos);

    ::kill(owner, SIGKILL);
    ::waitpid(owner, nullptr, 0);
    platform::InstanceLock third(Home(), "brevio");
    EXPECT_TRUE(third.Held());
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace brevio::store
