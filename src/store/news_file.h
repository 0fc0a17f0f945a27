// News files: the primitive operations on one pair of "<base>.idx" (32-byte header, then
// 512-byte records in append order) and "<base>.dat" (the contents back to back).
//
// A news file is addressed by a folder and a base name. Every operation opens the files it
// needs, does its work and closes them again; no handle is kept between calls.
//
// Results: a non-negative value on success (its meaning per operation), kFailed (-1) for a
// failed read, seek or write or a missing record, kCannotOpen (-10) when a file cannot be
// opened. A base name or folder that could leave its place (IsSafeBaseName, IsSafeFolder) is
// refused with kCannotOpen as well, so callers treat it like a news file that does not exist;
// the refusal is written to the file error log with EINVAL.
//
// Damaged files are read safely: a trailing partial record (an index cut short by a crash)
// is ignored by readers and overwritten by the next append, bytes at the end of the content
// file that no record refers to (an append interrupted before its index write) are never
// looked at, and a record whose Length does not fit the content buffer is refused.
//
// Concurrency: the store writer thread appends while the user-interface thread reads, lists
// and flags the same files, compaction rewrites them, and other processes (the desktop
// client, the headless client, command-line runs) may do the same on one content folder.
// Writers (appends, flag writes, a whole compaction) hold the news file's write lock, which
// serialises them within the process and across processes (news_file_lock.h). Readers take no
// write lock: they open the index and content files under the shared pair lock, which only
// the renames of a compaction's replacement hold exclusively, so they always open a pair that
// belongs together and never wait for a compaction in progress. An append writes the content
// before the index record, so a reader sees a record being appended whole or not at all.
//
// Every writer first completes a compaction replacement that a crash interrupted
// (FinishInterruptedReplacement, news_file_replace.h); a reader that finds one does the same
// under the write lock before it opens the files.
//
// Header counts: LiveCount and DeletedCount add up to the number of whole records. A crash
// between a record write and its count write breaks that; writers then recount from the
// records' flags and store the counts, ReadHeader reports the recounted values.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/fs.h"
#include "store/news_file_format.h"
#include "store/news_item.h"

namespace brevio::store {

// Folder kinds: with a base name they address a news file.
using FolderKind = int;
inline constexpr FolderKind kFolderPublic = 0;  // and any value not listed below
inline constexpr FolderKind kFolderStock = 2;
inline constexpr FolderKind kFolderFavorite = 8;
inline constexpr FolderKind kFolderSubscription = 9;
inline constexpr FolderKind kFolderRegion = 11;
inline constexpr FolderKind kFolderTrade = 12;

// Result codes.
inline constexpr int kFailed = -1;
inline constexpr int kCannotOpen = -10;
// MarkDeleted / MarkRead.
inline constexpr int kNotFound = 0;
inline constexpr int kWritten = 1;

// What the error log names when a news file's index or content cannot be read.
inline constexpr const char* kReadIndexError = "Read Index.file";
inline constexpr const char* kReadContentError = "Read News Content File Error";

// File names of a news file and of its compaction temporaries.
inline constexpr std::string_view kIndexExt = ".idx";
inline constexpr std::string_view kContentExt = ".dat";
inline constexpr std::string_view kNewIndexExt = ".~dx";
inline constexpr std::string_view kNewContentExt = ".~at";

// The folder of a kind under the content folder (which ends in "/"): News/Stock/, Favorite/,
// Favorite2/, News/Region/, News/Trade/, or News/ for public news.
std::string ResolveFolder(std::string_view contentFolder, FolderKind kind);

// Folder + base name, with a "/" between them unless the folder already ends in one.
std::string BasePath(std::string_view folder, std::string_view base);
inline std::string IndexPath(std::string_view basePath) {
    return std::string(basePath) + std::string(kIndexExt);
}
inline std::string ContentPath(std::string_view basePath) {
    return std::string(basePath) + std::string(kContentExt);
}

// True when `base` names a file inside its folder: not empty, no "/", no "..", no NUL. Base
// names arrive from the server (category, trade and region codes), so every operation checks.
bool IsSafeBaseName(std::string_view base);
// True when a folder text holds no ".." segment and no NUL, so that a name taken into it
// cannot climb out of the content folder. Every operation checks its folder as well.
bool IsSafeFolder(std::string_view folder);

// Date (yyyymmdd) and time of day (hhmmss) from an item's time text "y-m-d h:m:s"; the time
// of day is 0 when only a date is present, both are 0 when nothing can be read.
void ParseItemTime(std::string_view timeText, std::int32_t& date, std::int32_t& time);

// The index record AppendItem writes for an item: present, unread, the trimmed title (over
// 201 bytes: its first 198 bytes, the last turned into a blank when an odd number of them are
// above 0xA0, and "..."), the URL cut to 224 bytes, the web-site name (32 bytes or more: its
// first 30 bytes), date and time from the time text. Offset and Length are left 0.
NewsRecord BuildRecord(const NewsItem& item, std::string_view websiteName);

// Adds an item to the news file folder + base: creates the folder (one level) when missing,
// builds the record (BuildRecord) and appends it with the item's content. `websiteName` is
// the name of the item's web site (empty when unknown). Returns the stored content length.
// kAlways appends; kOnce first looks for a record with the same news ID among the last
// kRecordsPerChunk records and, when there is one, adds nothing and returns that record's
// Length (the store writer files with kOnce, so an item filed again after an interruption is
// not stored twice).
enum class AppendMode { kAlways, kOnce };

int AppendItem(std::string_view folder, std::string_view base, const NewsItem& item,
               std::string_view websiteName, AppendMode mode = AppendMode::kAlways);

// Adds a built record with its content to the news file at `basePath` (folder + base name;
// the parts are checked by IsSafeFolder and IsSafeBaseName). Offset and Length are set here; every
// other byte of the record is kept. The content is cut to kContentMax bytes without splitting
// a double-byte character and written before the index record. Returns the stored length.
int AppendRecord(std::string_view basePath, const NewsRecord& record, std::string_view content,
                 AppendMode mode = AppendMode::kAlways);

// The record with news ID `id` (deleted or not) and its content (at most kContentMax bytes).
// Returns the content length (> 0), 0 when the record's Length is 0 or less, kFailed when no
// record has the ID or its Length is beyond the content buffer (a damaged file; logged),
// kCannotOpen when a file cannot be opened. A content that cannot be read in full is logged
// and `content` holds the bytes actually read; Length is still returned.
int ReadItem(std::string_view folder, std::string_view base, std::int32_t id, NewsRecord& record,
             std::string& content);

// Deletes (true) or restores (false) the record with the ID. The header counts change only
// when the flag actually changes. Returns kWritten, kNotFound, kCannotOpen or kFailed.
int MarkDeleted(std::string_view folder, std::string_view base, std::int32_t id, bool deleted);

// Marks the record with the ID read or unread; the header is not touched. Returns kWritten,
// kNotFound, kCannotOpen or kFailed.
int MarkRead(std::string_view folder, std::string_view base, std::int32_t id, bool read);

// Hands every whole record not marked deleted to `consumer`, in file order (records with a
// HideMark included). Returns the number delivered, kCannotOpen when the index cannot be
// opened (a missing index delivers nothing), kFailed when a read fails part way.
using RecordConsumer = std::function<void(const NewsRecord&)>;
int ListRecords(std::string_view folder, std::string_view base, const RecordConsumer& consumer);

// The scan under ListRecords, for callers that look at a record's bytes before decoding it
// (the title search): the raw bytes of every whole record of basePath's index not marked
// deleted, in file order, read in chunks under the file's lock. Returns the number handed
// over, kCannotOpen (not logged: a missing index is common) or kFailed (logged).
using RawRecordConsumer = std::function<void(std::span<const char, kRecordSize>)>;
int ScanRecords(std::string_view basePath, const RawRecordConsumer& consumer);

// The index header, with counts recounted from the records when a crash left them wrong.
// Returns 0, kFailed when fewer than 32 bytes can be read, kCannotOpen.
int ReadHeader(std::string_view folder, std::string_view base, IndexHeader& header);

// Stores counts that add up to the records when a crash left them wrong (under the write
// lock). Returns 1 when they were repaired, 0 when they were right (or the index has no
// whole header), kCannotOpen or kFailed.
int RepairHeaderCounts(std::string_view basePath);

// The flags of the first `records` whole records of an open index.
struct RecordCounts {
    std::int32_t live = 0;
    std::int32_t deleted = 0;
};
int CountRecordFlags(platform::File& index, std::int64_t records, RecordCounts& counts);

}  // namespace brevio::store
