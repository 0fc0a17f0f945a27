#include "store/maintenance.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "unit/store/store_fixture.h"

namespace brevio::store {
namespace {

using test_support::MakeItem;

class MaintenanceTest : public test_support::StoreTest {
  protected:
    void Fill(FolderKind kind, const std::string& base, int count, const char* time) {
        for (int id = 1; id <= count; ++id) {
            ASSERT_GE(AppendItem(Folder(kind), base,
                                 MakeItem(id, time, "body of " + std::to_string(id)), ""),
                      0);
        }
    }
    CleanupRequest Request(std::vector<CategoryKeep> categories = {}) const {
        return {content_, std::move(categories)};
    }
    static int Setting(const char* key) { return settings::ReadInt(key, 0); }
};

TEST_F(MaintenanceTest, JobsComeInCategoryOrderThenRegionTradeAndStockFiles) {
    Fill(kFolderPublic, "10001", 1, "2024-6-1 8:0:0");
    Fill(kFolderRegion, "310", 1, "2024-6-1 8:0:0");
    Fill(kFolderRegion, "110", 1, "2024-6-1 8:0:0");
    Fill(kFolderTrade, "05", 1, "2024-6-1 8:0:0");
    Fill(kFolderStock, "600101", 1, "2024-6-1 8:0:0");
    Fill(kFolderFavorite, "1", 1, "2024-6-1 8:0:0");
    Fill(kFolderSubscription, "2", 1, "2024-6-1 8:0:0");
    test::WriteFileBytes(Folder(kFolderRegion) + "notes.txt", "x");
    ASSERT_TRUE(platform::CreateFolder(Folder(kFolderTrade) + "odd.idx"));
    settings::WriteInt(settings::keys::kRegionRemain, 100);
    settings::WriteInt(settings::keys::kTradeRemain, 49);

    std::vector<CleanupJob> jobs =
        CollectCleanupJobs(content_, {{"10002", 3}, {"10001", 5}, {"../../etc", 5}});
    const std::string news = Folder(kFolderPublic);
    std::vector<CleanupJob> expected = {
        {news + "10002", 3, CompactionRule::kByDays},  // never received: its job still runs
        {news + "10001", 5, CompactionRule::kByDays},
        {Folder(kFolderRegion) + "110", 100, CompactionRule::kByCount},
        {Folder(kFolderRegion) + "310", 100, CompactionRule::kByCount},
        {Folder(kFolderTrade) + "05", 1000, CompactionRule::kByCount},      // 49 means 1000
        {Folder(kFolderStock) + "600101", 1000, CompactionRule::kByCount},  // missing: 1000
    };
    EXPECT_EQ(jobs, expected);
    EXPECT_EQ(CountKeep(50), 50);
}

TEST_F(MaintenanceTest, RunsOnItsMomentAtMostOncePerDayWithTheDateStoredFirst) {
    Fill(kFolderRegion, "110", 3, "2024-6-1 8:0:0");
    int runs = 0;
    int stampSeen = 0;
    auto run = [&](std::vector<CleanupJob> jobs) {
        ++runs;
        stampSeen = Setting(settings::keys::kHandleHistroyTime);
        EXPECT_EQ(jobs.size(), 1u);
    };

    settings::WriteInt(settings::keys::kWhenCleanup, 2);  // only by hand
    EXPECT_EQ(RunCleanup(0, 20240615, Request(), run), kCleanupNotDue);
    EXPECT_EQ(RunCleanup(1, 20240615, Request(), run), kCleanupNotDue);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(RunCleanup(-1, 20240615, Request(), run), 1);
    EXPECT_EQ(stampSeen, 20240615);
    // A second run on the same day does nothing, whatever the moment.
    settings::WriteInt(settings::keys::kWhenCleanup, 0);
    EXPECT_EQ(RunCleanup(0, 20240615, Request(), run), kCleanupNotDue);
    EXPECT_EQ(RunCleanup(-1, 20240615, Request(), run), kCleanupNotDue);

    EXPECT_EQ(RunCleanup(1, 20240616, Request(), run), kCleanupNotDue);
    EXPECT_EQ(RunCleanup(0, 20240616, Request(), run), 1);
    // A WhenCleanup out of range counts as start-up.
    settings::WriteInt(settings::keys::kWhenCleanup, 7);
    EXPECT_EQ(RunCleanup(0, 20240617, Request(), run), 1);
    EXPECT_EQ(runs, 3);

    // Nothing to compact: the date is stored all the same, no dialog is shown.
    ASSERT_TRUE(platform::RemoveTree(content_ + "News/"));
    EXPECT_EQ(RunCleanup(-1, 20240618, Request(), run), 0);
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(Setting(settings::keys::kHandleHistroyTime), 20240618);
}

TEST_F(MaintenanceTest, ARegionCountBelowFiftyMeansAThousand) {
    Fill(kFolderRegion, "110", 120, "2024-6-1 8:0:0");
    ASSERT_EQ(MarkDeleted(Folder(kFolderRegion), "110", 120, true), kWritten);
    auto runJobs = [](std::vector<CleanupJob> jobs) {
        for (int result : RunCleanupJobs(jobs, nullptr)) EXPECT_EQ(result, 0);
    };
    settings::WriteInt(settings::keys::kRegionRemain, 49);
    ASSERT_EQ(RunCleanup(-1, 20240615, Request(), runJobs), 1);
    EXPECT_EQ(ListedIds(kFolderRegion, "110").size(), 119u);
    EXPECT_EQ(Header(kFolderRegion, "110").deletedCount, 1);  // untouched

    settings::WriteInt(settings::keys::kRegionRemain, 100);
    ASSERT_EQ(RunCleanup(-1, 20240616, Request(), runJobs), 1);
    std::vector<std::int32_t> ids = ListedIds(kFolderRegion, "110");
    ASSERT_EQ(ids.size(), 99u);  // the newest 100 minus the deleted one
    EXPECT_EQ(ids.front(), 21);
    EXPECT_EQ(Header(kFolderRegion, "110").deletedCount, 0);
}

// Records what a progress dialog would show; cancels when told to.
class RecordingProgress : public CleanupProgress {
  public:
    void JobStarted(std::size_t index, const CleanupJob& job) override {
        started.push_back(job.basePath);
        if (worker && index == cancelAt) worker->Cancel();
    }
    void JobFinished(std::size_t, const CleanupJob&, int result) override {
        results.push_back(result);
    }
    void AllDone() override { ++done; }

    std::vector<std::string> started;
    std::vector<int> results;
    int done = 0;
    CleanupWorker* worker = nullptr;
    std::size_t cancelAt = 99;
};

TEST_F(MaintenanceTest, TheWorkerReportsEachJobAndStopsBetweenJobsWhenCancelled) {
    Fill(kFolderPublic, "10001", 2, "2001-1-1 8:0:0");
    Fill(kFolderTrade, "05", 2, "2024-6-1 8:0:0");
    std::vector<CleanupJob> jobs = CollectCleanupJobs(content_, {{"10001", 5}, {"10009", 5}});
    ASSERT_EQ(jobs.size(), 3u);

    RecordingProgress progress;
    {
        CleanupWorker worker(jobs, &progress);
        worker.Start();
        worker.Wait();
        EXPECT_EQ(worker.Results(), (std::vector<int>{0, -10, 0}));
    }
    EXPECT_EQ(progress.started,
              (std::vector<std::string>{jobs[0].basePath, jobs[1].basePath, jobs[2].basePath}));
    EXPECT_EQ(progress.results, (std::vector<int>{0, -10, 0}));
    EXPECT_EQ(progress.done, 1);
    EXPECT_TRUE(ListedIds(kFolderPublic, "10001").empty());  // 2001 is long expired

    RecordingProgress cancelling;
    CleanupWorker worker(jobs, &cancelling);
    cancelling.worker = &worker;
    cancelling.cancelAt = 1;
    worker.Start();
    worker.Wait();
    EXPECT_EQ(worker.Results().size(), 2u);  // the job in progress finishes
    EXPECT_EQ(cancelling.done, 1);
}

}  // namespace
}  // namespace brevio::store
