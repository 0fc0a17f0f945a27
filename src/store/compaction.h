// Compaction of one news file: the index and content are copied record by record into the
// temporaries "<base>.~dx" and "<base>.~at", leaving out what has expired and every deleted
// record, and the temporaries then take the place of the news file (news_file_replace.h).
//
// CompactByDays keeps the items of the last `days` days: it drops a record that is deleted,
// dated before the cut-off (the local date `days` x 86400 seconds before now), dated before
// 20000001, timed after 246000, or whose Length is below 10 or above 9999. The cut-off is
// stored in the header's CutoffDate, and a file whose CutoffDate (when after 20010101) is
// already at or past the cut-off is left alone, so a second run on the same day does nothing.
//
// CompactByCount keeps the newest `records` records minus the deleted ones among them: the
// window is the last `records` whole records of the index. Nothing is done when `records` is
// at least the header's LiveCount. CutoffDate is kept. A record whose Length does not fit the
// 10000-byte content buffer (a damaged file) is dropped and logged, never read.
//
// After a compaction the header has DeletedCount 0 and LiveCount the number of records kept,
// and the content file holds exactly the kept contents back to back, each record's Offset
// pointing at its own content. A compaction that fails leaves the news file as it was; its
// temporaries stay until the next run overwrites them.
//
// Diagnostics go to the test log "Tidewell/Test.log" and the pointer log
// "Tidewell/Pointer.log" under the drive-c folder (entries in the error log's frame, written
// whatever the system error code), open failures to the file error log.
//
// Both hold the news file's write lock from reading the index until the replacement is
// done, so the store writer thread's appends to the same file wait instead of being lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace brevio::store {

// Results.
inline constexpr int kCompactOk = 0;                 // done, or nothing to do
inline constexpr int kCompactHeaderUnreadable = -1;  // fewer than 32 header bytes
inline constexpr int kCompactCannotOpen = -10;       // a file cannot be opened, a read fails
inline constexpr int kCompactWriteFailed = -11;      // writing a temporary file failed

// The limits of a kept record.
inline constexpr std::size_t kCompactBufferSize = 10000;
inline constexpr std::int32_t kCompactMinLength = 10;
inline constexpr std::int32_t kCompactMaxLength = 9999;
inline constexpr std::int32_t kCompactMaxTime = 246000;
inline constexpr std::int32_t kCompactMinDate = 20000001;
// A stored CutoffDate at or below this counts as "never compacted by days".
inline constexpr std::int32_t kCutoffNever = 20010101;

// yyyymmdd of the local date `days` x 86400 seconds before `now` (a negative count counts as
// 0).
std::int32_t CutoffStamp(std::time_t now, int days);

int CompactByDays(std::string_view basePath, int days);
int CompactByDays(std::string_view basePath, int days, std::time_t now);
int CompactByCount(std::string_view basePath, int records);

// The logs of compaction, and one entry in their frame.
std::string TestLogPath();
std::string PointerLogPath();
void WriteFramedLogEntry(std::string_view logPath, std::string_view text);

}  // namespace brevio::store
