// Store maintenance: the daily history clean-up that compacts the news files.
//
// RunCleanup(moment) is called with 0 when the news views are first shown at start-up, with 1
// when the main window closes (after reception and the store writer thread were told to
// stop) and with -1 from the history options' clean-up button. It runs at most once per
// calendar day and only on the moment chosen in WhenCleanup (0 start-up, 1 exit, 2 only by
// hand; -1 always qualifies). Today's date is stored in HandleHistroyTime before any job
// runs, so an interrupted run is not repeated the same day.
//
// The job list, in this order:
//   1. each public-news category, in category-list order: news folder + code, kept by days
//      (the category's REMAINDAYS);
//   2. each "*.idx" in News/Region/, News/Trade/, News/Stock/ (folder order): kept by count,
//      RegionRemain, TradeRemain, StockRemain (a value below 50 means 1000).
// Favourites and subscription folders are never compacted.
//
// Jobs are long work: the front end runs them off its user-interface thread (a CleanupWorker
// behind its progress dialog, which shows each job's base path), and they can be cancelled
// between jobs. A failed job leaves its news file as it was; the remaining jobs still run.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brevio::store {

enum class CompactionRule { kByDays, kByCount };

struct CleanupJob {
    std::string basePath;  // folder + base name, without extension
    int keep = 0;          // days or records
    CompactionRule rule = CompactionRule::kByDays;
    bool operator==(const CleanupJob&) const = default;
};

// A public-news category as the clean-up needs it: its code and the days it keeps.
struct CategoryKeep {
    std::string code;
    int days = 0;
};

// The records kept per region, trade or stock file for a stored count setting.
inline constexpr int kCountKeepMinimum = 50;
inline constexpr int kCountKeepDefault = 1000;
int CountKeep(int stored);

// The job list for a content folder (ends in "/"). Category codes that could leave the news
// folder are left out. Reads RegionRemain, TradeRemain and StockRemain.
std::vector<CleanupJob> CollectCleanupJobs(std::string_view contentFolder,
                                           const std::vector<CategoryKeep>& publicCategories);

// CompactByDays or CompactByCount of one job; its result code.
int RunCleanupJob(const CleanupJob& job);

// Progress of a run; called on the thread that runs the jobs.
class CleanupProgress {
  public:
    virtual ~CleanupProgress() = default;
    // Before each job: the second line of the progress dialog shows job.basePath.
    virtual void JobStarted(std::size_t index, const CleanupJob& job) = 0;
    virtual void JobFinished(std::size_t index, const CleanupJob& job, int result) {
        (void)index, (void)job, (void)result;
    }
    // After the last job (or the cancellation): the dialog closes itself.
    virtual void AllDone() {}
};

// Runs the jobs in order on the calling thread; checks `cancel` before each job. Returns the
// result of every job that ran.
std::vector<int> RunCleanupJobs(const std::vector<CleanupJob>& jobs, CleanupProgress* progress,
                                const std::atomic<bool>* cancel = nullptr);

// The jobs on a worker thread of their own.
class CleanupWorker {
  public:
    CleanupWorker(std::vector<CleanupJob> jobs, CleanupProgress* progress);
    ~CleanupWorker();  // cancels and waits
    CleanupWorker(const CleanupWorker&) = delete;
    CleanupWorker& operator=(const CleanupWorker&) = delete;

    void Start();
    // Stops the run before the next job; the job in progress finishes.
    void Cancel();
    void Wait();
    // The results of the jobs that ran (complete after Wait).
    std::vector<int> Results() const;

  private:
    std::vector<CleanupJob> jobs_;
    CleanupProgress* progress_;
    std::atomic<bool> cancel_{false};
    mutable std::mutex mutex_;
    std::vector<int> results_;
    std::thread thread_;
};

struct CleanupRequest {
    std::string contentFolder;                   // ends in "/"
    std::vector<CategoryKeep> publicCategories;  // in category-list order
};

// Runs the jobs; the desktop client shows its progress dialog around a CleanupWorker, the
// command-line front end runs them in place.
using CleanupRunner = std::function<void(std::vector<CleanupJob>)>;

// Not due on this moment or already run today.
inline constexpr int kCleanupNotDue = -1;

// The clean-up for `moment` (0, 1 or -1) with today's local date, or with `todayStamp`
// (yyyymmdd). When due, stores the date in HandleHistroyTime, collects the jobs and hands a
// non-empty list to `run`. Returns the number of jobs handed over, or kCleanupNotDue.
int RunCleanup(int moment, const CleanupRequest& request, const CleanupRunner& run);
int RunCleanup(int moment, int todayStamp, const CleanupRequest& request, const CleanupRunner& run);

// The first line of the progress dialog (GBK).
std::string CleanupDialogText();

}  // namespace brevio::store
