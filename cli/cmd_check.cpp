// check [--repair]: looks at every news file of the content folder for damage and, with
// --repair, repairs what can be repaired. One TSV line per finding: path, finding, and
// "repaired" or "not repaired"; a summary on stderr. Exit 1 when anything was found.
#include <cstdio>

#include "commands.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "store/store_check.h"
#include "store_args.h"

namespace brevio::cli {
namespace {

int Check(const Args& args) {
    bool repair = false;
    if (args.size() == 1 && args[0] == "--repair") {
        repair = true;
    } else if (!args.empty()) {
        return Usage("check");
    }
    const settings::AppSettings s = settings::LoadAppSettings();
    const store::StoreCheckResult result = store::CheckStore(s.contentFolder, repair);
    for (const store::CheckFinding& f : result.findings) {
        PrintLineGbk(TsvCell(f.path) + "\t" + TsvCell(store::CheckFindingText(f)) + "\t" +
                     (f.repaired ? "repaired" : "not repaired"));
    }
    std::fflush(stdout);
    if (result.findings.empty()) {
        ErrorLine(platform::Format("checked %d news files: no problems", result.newsFiles));
        return kExitOk;
    }
    ErrorLine(platform::Format("checked %d news files: %zu problems, %d repaired", result.newsFiles,
                               result.findings.size(), result.Repaired()));
    return kExitFailure;
}

}  // namespace

BREVIO_COMMAND(
    "check",
    "  check [--repair]                    check every news file of the content folder\n"
    "                                      (headers, counts, torn records, contents,\n"
    "                                      compaction leftovers); --repair repairs what\n"
    "                                      it can. Prints one TSV line per finding\n"
    "                                      (path, finding, repaired / not repaired);\n"
    "                                      exit 1 when anything was found",
    Check);

}  // namespace brevio::cli
