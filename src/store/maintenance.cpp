#include "store/maintenance.h"

#include "platform/clock.h"
#include "platform/fs.h"
#include "settings/history_cleanup.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/compaction.h"
#include "store/news_file.h"

namespace brevio::store {
namespace {

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// One count-based job per index file of a folder.
void AddFolderJobs(const std::string& folder, int keep, std::vector<CleanupJob>& jobs) {
    for (const std::string& name : platform::ListFolder(folder)) {
        if (!EndsWith(name, kIndexExt)) continue;
        const std::string path = folder + name;
        if (!platform::FileExists(path)) continue;  // a folder named like an index
        jobs.push_back({path.substr(0, path.rfind('.')), keep, CompactionRule::kByCount});
    }
}

int CountSetting(const char* key) {
    return CountKeep(settings::ReadInt(key, settings::keys::kRemainDefault));
}

}  // namespace

int CountKeep(int stored) {
    return stored < kCountKeepMinimum ? kCountKeepDefault : stored;
}

std::vector<CleanupJob> CollectCleanupJobs(std::string_view contentFolder,
                                           const std::vector<CategoryKeep>& publicCategories) {
    std::vector<CleanupJob> jobs;
    const std::string newsFolder = ResolveFolder(contentFolder, kFolderPublic);
    for (const CategoryKeep& category : publicCategories) {
        // Codes come from the server's reference lists.
        if (!IsSafeBaseName(category.code)) continue;
        jobs.push_back({newsFolder + category.code, category.days, CompactionRule::kByDays});
    }
    AddFolderJobs(ResolveFolder(contentFolder, kFolderRegion),
                  CountSetting(settings::keys::kRegionRemain), jobs);
    AddFolderJobs(ResolveFolder(contentFolder, kFolderTrade),
                  CountSetting(settings::keys::kTradeRemain), jobs);
    AddFolderJobs(ResolveFolder(contentFolder, kFolderStock),
                  CountSetting(settings::keys::kStockRemain), jobs);
    return jobs;
}

int RunCleanupJob(const CleanupJob& job) {
    return job.rule == CompactionRule::kByDays ? CompactByDays(job.basePath, job.keep)
                                               : CompactByCount(job.basePath, job.keep);
}

std::vector<int> RunCleanupJobs(const std::vector<CleanupJob>& jobs, CleanupProgress* progress,
                                const std::atomic<bool>* cancel) {
    std::vector<int> results;
    results.reserve(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (cancel && cancel->load()) break;
        if (progress) progress->JobStarted(i, jobs[i]);
        int result = RunCleanupJob(jobs[i]);
        results.push_back(result);
        if (progress) progress->JobFinished(i, jobs[i], result);
    }
    if (progress) progress->AllDone();
    return results;
}

CleanupWorker::CleanupWorker(std::vector<CleanupJob> jobs, CleanupProgress* progress)
    : jobs_(std::move(jobs)), progress_(progress) {}

CleanupWorker::~CleanupWorker() {
    Cancel();
    Wait();
}

void CleanupWorker::Start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] {
        std::vector<int> results = RunCleanupJobs(jobs_, progress_, &cancel_);
        std::lock_guard lock(mutex_);
        results_ = std::move(results);
    });
}

void CleanupWorker::Cancel() {
    cancel_.store(true);
}

void CleanupWorker::Wait() {
    if (thread_.joinable()) thread_.join();
}

std::vector<int> CleanupWorker::Results() const {
    std::lock_guard lock(mutex_);
    return results_;
}

int RunCleanup(int moment, const CleanupRequest& request, const CleanupRunner& run) {
    return RunCleanup(moment, platform::Now().Stamp(), request, run);
}

int RunCleanup(int moment, int todayStamp, const CleanupRequest& request,
               const CleanupRunner& run) {
    int handed = kCleanupNotDue;
    settings::RunHistoryCleanupTrigger(moment, todayStamp, [&] {
        std::vector<CleanupJob> jobs =
            CollectCleanupJobs(request.contentFolder, request.publicCategories);
        handed = static_cast<int>(jobs.size());
        if (!jobs.empty() && run) run(std::move(jobs));
    });
    return handed;
}

std::string CleanupDialogText() {
    return "整理过期新闻...";
}

}  // namespace brevio::store
