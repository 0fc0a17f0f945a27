// cleanup and search: the daily history clean-up of the news files and the title search.
#include <climits>
#include <cstdio>
#include <string>

#include "commands.h"
#include "net/subscription_lists.h"
#include "platform/text.h"
#include "reference/reference_tables.h"
#include "settings/app_settings.h"
#include "settings/history_cleanup.h"
#include "store/maintenance.h"
#include "store/news_file_replace.h"
#include "store/news_search.h"
#include "store_args.h"

namespace brevio::cli {
namespace {

// The progress dialog of a command-line run: one TSV row per finished job.
class PrintingProgress : public store::CleanupProgress {
  public:
    void JobStarted(std::size_t, const store::CleanupJob&) override {}
    void JobFinished(std::size_t, const store::CleanupJob& job, int result) override {
        PrintLineGbk(TsvCell(job.basePath) + "\t" +
                     (job.rule == store::CompactionRule::kByDays ? "days" : "records") + "\t" +
                     std::to_string(job.keep) + "\t" + std::to_string(result));
        std::fflush(stdout);
    }
};

int Cleanup(const Args& args) {
    int moment = settings::kCleanupByHand;
    if (args.size() == 2 && args[0] == "--moment") {
        if (args[1] == "0") {
            moment = settings::kCleanupAtStart;
        } else if (args[1] == "1") {
            moment = settings::kCleanupAtExit;
        } else if (args[1] != "-1") {
            return Usage("cleanup");
        }
    } else if (!args.empty()) {
        return Usage("cleanup");
    }

    settings::AppSettings s = settings::LoadAppSettings();
    int recovered = store::RecoverInterruptedCompactions(s.contentFolder);
    if (recovered > 0) {
        ErrorLine(platform::Format("completed %d interrupted compaction(s)", recovered));
    }
    reference::ReferenceTables tables;
    tables.LoadAll(s.contentFolder);
    net::SubscriptionLists lists;
    lists.Build(tables, net::CategoryFilePath(s.contentFolder));
    store::CleanupRequest request;
    request.contentFolder = s.contentFolder;
    for (const net::SubscriptionRecord& r : lists.Records(net::Group::kPublic)) {
        request.publicCategories.push_back({r.categoryId, r.remainDays});
    }

    PrintingProgress progress;
    int jobs = store::RunCleanup(moment, request, [&](std::vector<store::CleanupJob> list) {
        PrintLineGbk("base\trule\tkeep\tresult");
        store::RunCleanupJobs(list, &progress);
    });
    if (jobs == store::kCleanupNotDue) {
        ErrorLine(
            "clean-up not due: not this moment's (WhenCleanup) or already run today "
            "(HandleHistroyTime)");
    } else if (jobs == 0) {
        ErrorLine("no news files to clean up");
    }
    return kExitOk;
}

int Search(const Args& args) {
    if (args.empty()) return Usage("search");
    const std::string keyword = ToGbk(args[0]);
    std::vector<store::SearchScopeEntry> scope;
    bool scopeGiven = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--scope") return Usage("search");
        scopeGiven = true;
        while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
            const std::string entry = ToGbk(args[++i]);
            std::size_t colon = entry.rfind(':');
            long long number = 0;
            if (colon == std::string::npos || !ParseInt(entry.substr(colon + 1), number) ||
                number < INT_MIN || number > INT_MAX) {
                ErrorLine("not a scope entry NAME:NUMBER: " + entry);
                return kExitUsage;
            }
            scope.push_back({entry.substr(0, colon), static_cast<int>(number)});
        }
    }
    if (scopeGiven && scope.empty()) return Usage("search");

    settings::AppSettings s = settings::LoadAppSettings();
    reference::ReferenceTables tables;
    tables.LoadAll(s.contentFolder);
    if (!scopeGiven) scope = store::DefaultSearchScope(tables);

    store::LocalSearchResult found = store::SearchLocal(keyword, scope, tables, s.contentFolder);
    if (found.message) ErrorLine(found.message->text);
    if (found.result == store::kSearchNoKeyword) return kExitFailure;
    std::string out = "kind\tbase\t" + std::string(kRecordColumns) + "\n";
    for (const store::SearchHit& hit : found.hits) {
        out += FolderKindName(hit.kind) + "\t" + TsvCell(hit.base) + "\t" + RecordRow(hit.record);
    }
    PrintGbk(out);
    if (!found.statusText.empty()) PrintLineGbk(found.statusText);
    return kExitOk;
}

}  // namespace

BREVIO_COMMAND("cleanup",
               "  cleanup [--moment 0|1|-1]           the daily history clean-up for that moment\n"
               "                                      (0 start-up, 1 exit, -1 by hand, the\n"
               "                                      default); prints each job as TSV (base,\n"
               "                                      rule, keep, result)",
               Cleanup);
BREVIO_COMMAND("search",
               "  search KEYWORD [--scope NAME:NUMBER...]\n"
               "                                      search the titles of the stored news;\n"
               "                                      NUMBER below 1000 a trade, 1001-99999 a\n"
               "                                      public category, from 100001 a region\n"
               "                                      (default: all of them); prints the hits as\n"
               "                                      TSV (kind, base, id, time, website, read,\n"
               "                                      title), then the status text",
               Search);

}  // namespace brevio::cli
