// Crash-safe replacement of a news file by its compaction temporaries.
//
// Compaction writes the new index to "<base>.~dx" and the new content to "<base>.~at". Two
// renames cannot replace a pair of files at once, so the replacement goes through a commit
// marker "<base>.~cm":
//
//   0. (the compaction) both temporaries are complete, flushed to disk and closed;
//   1. the marker is written atomically (temporary + fsync + rename) with the sizes of both
//      temporaries, and the folder is flushed: from here on the replacement is committed;
//   2. "<base>.~at" is renamed over "<base>.dat";
//   3. "<base>.~dx" is renamed over "<base>.idx", and the folder is flushed;
//   4. the marker is removed.
//
// Without a marker, temporaries are the leftovers of a compaction that did not finish; they
// are never used (the next compaction overwrites them). With a marker, a crash happened
// between steps 1 and 4, and FinishInterruptedReplacement completes the replacement: each
// temporary still present with the size the marker names is renamed into place, then the
// marker goes. A marker whose temporaries are both present but do not match it (which the
// order above rules out short of a damaged disk) is withdrawn instead, leaving the old pair.
//
// Every operation of the store on a news file calls FinishInterruptedReplacement while it
// holds the news file's write lock (news_file_lock.h) and before it opens a file, so a news file
// always lists and reads as one consistent pair; RecoverInterruptedCompactions does the same for
// every marker of a content folder at start-up.
#pragma once

#include <string>
#include <string_view>

namespace brevio::store {

inline constexpr std::string_view kCommitMarkerExt = ".~cm";

// Steps 1 to 4 above. The caller holds the news file's write lock (news_file_lock.h) and has
// flushed and closed both temporaries. True when the new pair is in place; false when the marker
// could not be written (nothing was replaced, the old pair stays) or a later step failed (the
// replacement is committed and completed by the next touch). Failures go to the file error
// log.
bool ReplaceNewsFile(std::string_view basePath);

// Completes a replacement that a crash interrupted (see above). The caller holds
// the news file's write lock (news_file_lock.h). True when there was nothing to do or the
// replacement is complete now.
bool FinishInterruptedReplacement(std::string_view basePath);

// FinishInterruptedReplacement for every marker under the news folders of `contentFolder`
// (News/, News/Region/, News/Trade/, News/Stock/, Favorite/, Favorite2/), each under its
// news file's lock. Returns the number of replacements completed.
int RecoverInterruptedCompactions(std::string_view contentFolder);

// What a client does at start-up: RecoverInterruptedCompactions, then, for every news file
// under the news folders, counts a crash left wrong are stored right (RepairHeaderCounts) and
// temporaries of a compaction that never committed are removed (each under the file's write
// lock, so a compaction running in another process is waited for, never disturbed). Returns
// the number of things repaired.
int RecoverNewsFiles(std::string_view contentFolder);

// Test hook: makes ReplaceNewsFile stop right after step `step` (1 to 3) and return false,
// leaving the files as a crash at that point would. 0 turns it off.
void StopReplacementAfterStepForTest(int step);

}  // namespace brevio::store
