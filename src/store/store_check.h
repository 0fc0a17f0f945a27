// Store check: looks at every news file of a content folder for the damage a crash, a full
// disk or a hand edit can leave, and repairs what can be repaired without losing a readable
// item.
//
// Per news file (folder + base name), in this order:
//   - a commit marker "<base>.~cm": a compaction's replacement was cut short; the repair
//     completes it (FinishInterruptedReplacement). While a marker stays, the pair is not
//     looked at further: the next touch of the news file completes the replacement first;
//   - temporaries without a marker ("<base>.~dx", "<base>.~at", and a marker's own unfinished
//     temporary "<base>.~cm.tmp..."): leftovers of a compaction that never committed, which
//     nothing reads; the repair removes them;
//   - a content file without its index: nothing refers to its bytes; reported, not repaired
//     (the index may have been moved away by hand);
//   - the index header: shorter than 32 bytes (the repair writes a new empty header; such an
//     index cannot hold a record), or a tag other than "Ostra" (the repair writes the tag);
//   - a torn tail: bytes after the last whole 512-byte record; the repair cuts them off;
//   - records not marked deleted whose Length is below 0 or above kContentMax, or whose
//     Offset + Length lies beyond the content file: the repair marks them deleted, so they
//     are no longer listed (their bytes stay until the next compaction). Deleted records are
//     not looked at: nothing lists them and compaction drops them;
//   - a missing content file while records not marked deleted have content: one finding
//     instead of one per record; the repair marks those records deleted, since a content
//     file created by the next append would otherwise hand them other items' bytes;
//   - LiveCount and DeletedCount against the records' flags (store::CountRecordFlags); the
//     repair writes the recounted values (also after marking records deleted).
//
// Every news file is looked at under its write lock (news_file_lock.h), so appends, flag
// writes and compactions of other threads and processes wait, and the check never mistakes a
// write in progress for damage. A check without repair changes no news file.
//
// Bytes at the end of a content file that no record refers to are not a finding: an append
// interrupted before its index write leaves them, readers never look at them and the next
// compaction drops them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::store {

enum class CheckProblem {
    kInterruptedReplacement,  // a commit marker is present
    kLeftoverTemporary,       // a compaction temporary without a marker
    kIndexMissing,            // a content file without its index
    kHeaderShort,             // an index shorter than its header
    kWrongTag,                // the header's tag is not "Ostra"
    kTornTail,                // a partial record after the last whole one
    kRecordOutOfRange,        // a listed record whose content is not inside the content file
    kContentMissing,          // no content file while listed records have content
    kCountsWrong,             // LiveCount or DeletedCount differs from the records' flags
    kUnreadable,              // a file could not be opened or read; nothing more checked
};

struct CheckFinding {
    CheckProblem problem = CheckProblem::kUnreadable;
    std::string path;    // the file concerned (GBK)
    std::string detail;  // what was found, with the numbers involved (ASCII)
    bool repaired = false;
};

// A short name of the problem ("torn tail", "counts wrong", ...).
const char* CheckProblemName(CheckProblem problem);
// "<name>: <detail>" of a finding.
std::string CheckFindingText(const CheckFinding& finding);

// Checks the news file at basePath (folder + base name, without extension) and, when
// `repair`, repairs it. Returns the findings in the order above; none for a healthy file.
std::vector<CheckFinding> CheckNewsFile(std::string_view basePath, bool repair);

struct StoreCheckResult {
    int newsFiles = 0;  // base names looked at
    std::vector<CheckFinding> findings;
    int Repaired() const;
};

// CheckNewsFile for every base name under the news folders of `contentFolder` (ends in "/"):
// News/, News/Region/, News/Trade/, News/Stock/, Favorite/, Favorite2/ (folders that do not
// exist are skipped), in that folder order and by name within a folder. A base name counts
// when any of its news-file names is present: ".idx", ".dat", ".~dx", ".~at", ".~cm".
StoreCheckResult CheckStore(std::string_view contentFolder, bool repair);

}  // namespace brevio::store
