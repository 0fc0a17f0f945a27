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
// and flags the same files, and compaction rewrites them. Within the process every operation
// on one base path takes the mutex NewsFileLocks::For(basePath): appends, flag writes and
// ReadItem for their whole work, ListRecords for each chunk it reads (never while it calls
// its consumer, so the consumer may flag records of the same file). Compaction holds the
// same mutex from reading the index until its temporaries have replaced the news file, and
// replaces the files by renaming so that an open reader keeps the old copy. Other
// processes are not serialised; they can at worst miss a record being appended.
//
// Every operation first completes a compaction replacement that a crash interrupted
// (FinishInterruptedReplacement, news_file_replace.h), under the same mutex, so the index
// and content file it opens always belong together.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

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

// The mutex shared by every operation on one news file within the process. Entries live as
// long as the process (there is one per news file touched, a few thousand at most). Paths are
// compared after folding repeated "/".
class NewsFileLocks {
  public:
    static std::mutex& For(std::string_view basePath);
};

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
int AppendItem(std::string_view folder, std::string_view base, const NewsItem& item,
               std::string_view websiteName);

// Adds a built record with its content to the news file at `basePath` (folder + base name;
// the parts are checked by IsSafeFolder and IsSafeBaseName). Offset and Length are set here; every
// other byte of the record is kept. The content is cut to kContentMax bytes without splitting
// a double-byte character and written before the index record. Returns the stored length.
int AppendRecord(std::string_view basePath, const NewsRecord& record, std::string_view content);

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

// The index header. Returns 0, kFailed when fewer than 32 bytes can be read, kCannotOpen.
int ReadHeader(std::string_view folder, std::string_view base, IndexHeader& header);

}  // namespace brevio::store
