// The converted-news index: one "<base>.idx" per conversion output (the public, trade or
// region group, in text or web-page form, for all days or for one day) that records every
// item converted there, with the code it was converted under and the base name of the file
// written. The news list shows the records of one code; the tidy-up drops old ones.
//
// Results: 0 on success, kFailed (-1) when the header cannot be read (or is not an index of
// this family) or a seek, read or write fails, kCannotOpen (-10) when a file cannot be opened.
// An index base path whose folder or name could leave its place (IsSafeFolder,
// IsSafeBaseName) is refused with kCannotOpen. Failures are written to the file error log.
//
// Damaged files are read safely: a trailing partial record (an append cut short) is ignored
// by readers and overwritten by the next append.
//
// Counts: LiveCount counts the records in the file (marking deletes none), DeletedCount those
// marked deleted since the last purge. Re-registering a deleted record makes it present again
// and takes it out of DeletedCount; marking counts only a record that was present; a purge
// leaves LiveCount equal to the records it kept and DeletedCount equal to the kept records
// that are marked deleted, so a later PurgeDeleted still finds them.
//
// Concurrency: registration runs on the store writer thread (received items) and on the
// thread that converts stored news, listing and deletion on the user-interface thread, and
// other processes may work on the same conversion path. Writers (registration, marking,
// purges) hold the index's write lock (news_file_lock.h, in the index's folder). A purge
// writes base + ".~dx" and renames it over the index, so a reader opens the old or the new
// index, never a mixture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/converted_index_format.h"
#include "store/news_file.h"
#include "store/news_file_format.h"
#include "store/news_item.h"

namespace brevio::store {

inline constexpr int kConvertedOk = 0;

// Registers an item taken from a news file: replaces the first record with the record's news
// ID, otherwise appends. The record gets the title rule, the stored URL, the web-site rule on
// the stored name and the time text of the news list ("yyyy-mm-dd hh:mm:ss").
int RegisterStored(std::string_view indexBase, std::string_view fileBase, std::int32_t code,
                   const NewsRecord& record);

// RegisterStored for many items of one index with one pass over it: the registrations are made
// in order, exactly as that many RegisterStored calls would make them (an ID registered twice
// in the batch ends in one record holding the later registration). Returns the first failure,
// or 0.
struct StoredRegistration {
    std::string fileBase;
    std::int32_t code = 0;
    NewsRecord record;
};
int RegisterStoredBatch(std::string_view indexBase, const std::vector<StoredRegistration>& batch);

// Registers an item straight from reception: always appends. The title rule, the item's URL
// (cut to 224 bytes), the web-site rule on `websiteName` (the name of the item's website ID)
// and the item's time text as it came (cut to 51 bytes).
int RegisterItem(std::string_view indexBase, std::string_view fileBase, std::int32_t code,
                 const NewsItem& item, std::string_view websiteName);

// The file base name of the first present record with the ID; empty when there is none.
std::string FindConvertedFile(std::string_view indexBase, std::int32_t id);

// Marks the first present record with the ID deleted (DeletedCount + 1). Returns 0 (also when
// no record has the ID: nothing is written then), kFailed or kCannotOpen. `marked`, when
// given, tells whether a record was marked.
int MarkConvertedDeleted(std::string_view indexBase, std::int32_t id, bool* marked = nullptr);

// Drops the records marked deleted (nothing is done while DeletedCount is 0).
int PurgeDeleted(std::string_view indexBase);
// Drops the records whose time text gives a date (ConvertedDate) before `cutoff` (yyyymmdd);
// records marked deleted stay when they are recent enough. `dropped`, when given, receives
// the number of records dropped.
int PurgeOlder(std::string_view indexBase, std::int32_t cutoff, int* dropped = nullptr);

// Hands every present record with that code to `consumer`, in file order. Returns the number
// delivered, kCannotOpen when the index cannot be opened (a missing index is not logged: the
// news list asks for indexes that do not exist yet), kFailed when a read fails.
using ConvertedConsumer = std::function<void(const ConvertedRecord&)>;
int ListConverted(std::string_view indexBase, std::int32_t code, const ConvertedConsumer& consumer);
// The same for every present record, whatever its code.
int ListAllConverted(std::string_view indexBase, const ConvertedConsumer& consumer);
// Every whole record, deleted ones included, in file order.
int ScanConverted(std::string_view indexBase, const ConvertedConsumer& consumer);

// The header. 0, kFailed (fewer than 28 bytes, or not an index of this family), kCannotOpen.
int ReadConvertedHeader(std::string_view indexBase, ConvertedHeader& header);

// True when a present record with that file base name and code belongs to the news ID: the
// converted file of that name is this item's own, so converting the item again may replace it.
bool ConvertedFileBelongsTo(std::string_view indexBase, std::string_view fileBase,
                            std::int32_t code, std::int32_t id);

// The temporary file of a purge.
inline std::string ConvertedPurgePath(std::string_view indexBase) {
    return std::string(indexBase) + std::string(kNewIndexExt);
}

}  // namespace brevio::store
