#include "store/converted_index.h"

#include <cerrno>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/news_file_lock.h"

namespace brevio::store {
namespace {

using platform::File;
using platform::LastError;
using platform::LogFileError;

// A path for the log: bytes below 0x20 shown as '?'.
std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    }
    return out;
}

bool IsSafeIndexBase(std::string_view indexBase) {
    std::size_t slash = indexBase.rfind('/');
    std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : indexBase.substr(0, slash + 1);
    return IsSafeFolder(folder) && IsSafeBaseName(indexBase.substr(folder.size()));
}

int Refuse(std::string_view indexBase) {
    LogFileError(Printable(indexBase), EINVAL);
    return kCannotOpen;
}

int CannotOpen(const std::string& path) {
    LogFileError(path, LastError());
    return kCannotOpen;
}

int Failed(std::string_view what, int code) {
    LogFileError(what, code == 0 ? EIO : code);
    return kFailed;
}

std::int64_t WholeRecords(std::int64_t size) {
    if (size <= static_cast<std::int64_t>(kConvertedHeaderSize)) return 0;
    return (size - static_cast<std::int64_t>(kConvertedHeaderSize)) /
           static_cast<std::int64_t>(kConvertedRecordSize);
}

std::int64_t RecordPosition(std::int64_t index) {
    return static_cast<std::int64_t>(kConvertedHeaderSize) +
           index * static_cast<std::int64_t>(kConvertedRecordSize);
}

// Visits the whole records of an open index in 50-record chunks; `visit` gets the record's
// position in the file and its bytes and returns false to stop. 0, or kFailed on a read error.
template <class Visit>
int ForEachRecord(File& idx, Visit visit) {
    std::vector<char> chunk(kConvertedChunkSize);
    std::int64_t position = kConvertedHeaderSize;
    while (true) {
        long long n = idx.ReadAt(position, chunk.data(), chunk.size());
        if (n < 0) return kFailed;
        const std::size_t whole = static_cast<std::size_t>(n) / kConvertedRecordSize;
        for (std::size_t i = 0; i < whole; ++i) {
            const char* at = chunk.data() + i * kConvertedRecordSize;
            if (!visit(position + static_cast<std::int64_t>(i * kConvertedRecordSize),
                       std::span<const char, kConvertedRecordSize>(at, kConvertedRecordSize))) {
                return 0;
            }
        }
        if (static_cast<std::size_t>(n) < chunk.size()) return 0;
        position += n;
    }
}

bool IsDeletedAt(std::span<const char, kConvertedRecordSize> raw) {
    return raw[converted_offset::kIsDeleted] == 1;
}
std::int32_t IdAt(std::span<const char, kConvertedRecordSize> raw) {
    return GetInt32(raw.data() + converted_offset::kNewsId);
}
std::int32_t CodeAt(std::span<const char, kConvertedRecordSize> raw) {
    return GetInt32(raw.data() + converted_offset::kCode);
}

// An index opened for a write under its write lock, with its header read (a new or cut-short
// file gets a fresh header).
struct OpenIndex {
    File file;
    ConvertedHeader header;
    std::int64_t records = 0;
};

int OpenForWrite(std::string_view indexBase, OpenIndex& open, bool create) {
    const std::string path = IndexPath(indexBase);
    if (!open.file.Open(path, create ? File::kReadWriteNew : File::kReadWrite)) {
        return CannotOpen(path);
    }
    char head[kConvertedHeaderSize];
    long long n = open.file.ReadAt(0, head, sizeof head);
    if (n < 0) return Failed(kReadIndexError, LastError());
    if (n < static_cast<long long>(kConvertedHeaderSize)) {
        if (!create) return Failed(kReadIndexError, EIO);
        // A new index, or a header an interrupted first write cut short (no records yet).
        EncodeConvertedHeader(open.header, head);
        if (!open.file.WriteAt(0, head, sizeof head)) return Failed(path, LastError());
        open.records = 0;
        return 0;
    }
    if (!HasConvertedTag(head)) return Failed(path, EINVAL);  // not an index of this family
    open.header = DecodeConvertedHeader(head);
    const std::int64_t size = open.file.Size();
    if (size < 0) return Failed(path, LastError());
    open.records = WholeRecords(size);
    return 0;
}

int WriteCounts(OpenIndex& open, std::string_view indexBase) {
    char counts[8];
    PutInt32(counts, open.header.liveCount);
    PutInt32(counts + 4, open.header.deletedCount);
    if (!open.file.WriteAt(converted_header_offset::kLiveCount, counts, sizeof counts)) {
        return Failed(IndexPath(indexBase), LastError());
    }
    return 0;
}

int AppendRecord(OpenIndex& open, std::string_view indexBase, const ConvertedRecord& record) {
    char bytes[kConvertedRecordSize];
    EncodeConvertedRecord(record, bytes);
    // After the last whole record: a partial record left by a crash is overwritten.
    if (!open.file.WriteAt(RecordPosition(open.records), bytes, sizeof bytes)) {
        return Failed(IndexPath(indexBase), LastError());
    }
    ++open.records;
    ++open.header.liveCount;
    return WriteCounts(open, indexBase);
}

ConvertedRecord FromStored(std::string_view fileBase, std::int32_t code, const NewsRecord& r) {
    ConvertedRecord c;
    c.newsId = r.newsId;
    c.code = code;
    c.SetTitle(ConvertedTitle(r.Title()));
    c.SetFileBase(fileBase);
    c.SetUrl(r.Url());
    c.SetWebSite(ConvertedWebSite(r.WebSite()));
    c.SetTimeText(RecordTimeText(r.date, r.time));
    return c;
}

ConvertedRecord FromItem(std::string_view fileBase, std::int32_t code, const NewsItem& item,
                         std::string_view websiteName) {
    ConvertedRecord c;
    c.newsId = item.newsId;
    c.code = code;
    c.SetTitle(ConvertedTitle(item.title));
    c.SetFileBase(fileBase);
    c.SetUrl(item.url);
    c.SetWebSite(ConvertedWebSite(websiteName));
    c.SetTimeText(item.timeText);
    return c;
}

// Opens an index for reading; kCannotOpen (logged only when `logMissing`).
int OpenForRead(std::string_view indexBase, File& idx, bool logMissing) {
    const std::string path = IndexPath(indexBase);
    if (idx.Open(path, File::kRead)) return 0;
    if (logMissing || LastError() != ENOENT) LogFileError(path, LastError());
    return kCannotOpen;
}

int Deliver(std::string_view indexBase, const std::function<bool(const ConvertedRecord&)>& want,
            const ConvertedConsumer& consumer, bool includeDeleted) {
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    File idx;
    if (int rc = OpenForRead(indexBase, idx, false); rc < 0) return rc;
    int delivered = 0;
    int rc = ForEachRecord(idx, [&](std::int64_t, std::span<const char, kConvertedRecordSize> raw) {
        if (!includeDeleted && IsDeletedAt(raw)) return true;
        ConvertedRecord r = DecodeConvertedRecord(raw);
        if (want && !want(r)) return true;
        consumer(r);
        ++delivered;
        return true;
    });
    if (rc < 0) return Failed(IndexPath(indexBase), LastError());
    return delivered;
}

// Copies the header and the records `keep` accepts into base + ".~dx" and renames it over
// the index. The caller holds the write lock and has the index open.
int RewriteKeeping(OpenIndex& open, std::string_view indexBase,
                   const std::function<bool(std::span<const char, kConvertedRecordSize>)>& keep,
                   int* dropped) {
    const std::string temp = ConvertedPurgePath(indexBase);
    ConvertedHeader kept;
    int droppedCount = 0;
    {
        File out;
        if (!out.Open(temp, File::kCreate)) return CannotOpen(temp);
        char head[kConvertedHeaderSize];
        EncodeConvertedHeader(kept, head);
        if (!out.Write(head, sizeof head)) {
            LogFileError(temp, LastError());
            return kCannotOpen;
        }
        std::vector<char> buffer;
        buffer.reserve(kConvertedChunkSize);
        bool writeFailed = false;
        int rc = ForEachRecord(open.file,
                               [&](std::int64_t, std::span<const char, kConvertedRecordSize> raw) {
                                   if (!keep(raw)) {
                                       ++droppedCount;
                                       return true;
                                   }
                                   ++kept.liveCount;
                                   if (IsDeletedAt(raw)) ++kept.deletedCount;
                                   buffer.insert(buffer.end(), raw.begin(), raw.end());
                                   if (buffer.size() >= kConvertedChunkSize) {
                                       writeFailed = !out.Write(buffer.data(), buffer.size());
                                       buffer.clear();
                                   }
                                   return !writeFailed;
                               });
        if (rc < 0) return Failed(IndexPath(indexBase), LastError());
        if (!writeFailed && !buffer.empty()) writeFailed = !out.Write(buffer.data(), buffer.size());
        EncodeConvertedHeader(kept, head);
        if (writeFailed || !out.WriteAt(0, head, sizeof head) || !out.Sync()) {
            LogFileError(temp, LastError());
            return kCannotOpen;
        }
    }
    if (!platform::RenameFile(temp, IndexPath(indexBase))) {
        LogFileError(IndexPath(indexBase), LastError());
        return kCannotOpen;
    }
    if (dropped) *dropped = droppedCount;
    return kConvertedOk;
}

}  // namespace

int RegisterStored(std::string_view indexBase, std::string_view fileBase, std::int32_t code,
                   const NewsRecord& record) {
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    NewsFileWriteLock lock(indexBase);
    OpenIndex open;
    if (int rc = OpenForWrite(indexBase, open, true); rc < 0) return rc;
    std::optional<std::int64_t> match;
    bool matchDeleted = false;
    int rc = ForEachRecord(
        open.file, [&](std::int64_t position, std::span<const char, kConvertedRecordSize> raw) {
            if (IdAt(raw) != record.newsId) return true;
            match = position;
            matchDeleted = IsDeletedAt(raw);
            return false;
        });
    if (rc < 0) return Failed(IndexPath(indexBase), LastError());
    const ConvertedRecord converted = FromStored(fileBase, code, record);
    if (!match) return AppendRecord(open, indexBase, converted);
    char bytes[kConvertedRecordSize];
    EncodeConvertedRecord(converted, bytes);
    if (!open.file.WriteAt(*match, bytes, sizeof bytes)) {
        return Failed(IndexPath(indexBase), LastError());
    }
    if (matchDeleted && open.header.deletedCount > 0) {
        --open.header.deletedCount;  // present again
        return WriteCounts(open, indexBase);
    }
    return kConvertedOk;
}

int RegisterStoredBatch(std::string_view indexBase, const std::vector<StoredRegistration>& batch) {
    if (batch.empty()) return kConvertedOk;
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    NewsFileWriteLock lock(indexBase);
    OpenIndex open;
    if (int rc = OpenForWrite(indexBase, open, true); rc < 0) return rc;
    // The first record of every ID the batch names, and whether it is marked deleted.
    struct Slot {
        std::int64_t position = 0;
        bool deleted = false;
    };
    std::unordered_map<std::int32_t, Slot> first;
    for (const StoredRegistration& r : batch) first.emplace(r.record.newsId, Slot{-1, false});
    int rc = ForEachRecord(
        open.file, [&](std::int64_t position, std::span<const char, kConvertedRecordSize> raw) {
            auto it = first.find(IdAt(raw));
            if (it != first.end() && it->second.position < 0) {
                it->second = {position, IsDeletedAt(raw)};
            }
            return true;
        });
    if (rc < 0) return Failed(IndexPath(indexBase), LastError());
    const std::int32_t deletedBefore = open.header.deletedCount;
    for (const StoredRegistration& r : batch) {
        Slot& slot = first[r.record.newsId];
        const ConvertedRecord converted = FromStored(r.fileBase, r.code, r.record);
        if (slot.position < 0) {
            slot.position = RecordPosition(open.records);
            if (int w = AppendRecord(open, indexBase, converted); w < 0) return w;
            continue;
        }
        char bytes[kConvertedRecordSize];
        EncodeConvertedRecord(converted, bytes);
        if (!open.file.WriteAt(slot.position, bytes, sizeof bytes)) {
            return Failed(IndexPath(indexBase), LastError());
        }
        if (slot.deleted && open.header.deletedCount > 0) --open.header.deletedCount;
        slot.deleted = false;
    }
    return open.header.deletedCount != deletedBefore ? WriteCounts(open, indexBase) : kConvertedOk;
}

int RegisterItem(std::string_view indexBase, std::string_view fileBase, std::int32_t code,
                 const NewsItem& item, std::string_view websiteName) {
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    NewsFileWriteLock lock(indexBase);
    OpenIndex open;
    if (int rc = OpenForWrite(indexBase, open, true); rc < 0) return rc;
    return AppendRecord(open, indexBase, FromItem(fileBase, code, item, websiteName));
}

std::string FindConvertedFile(std::string_view indexBase, std::int32_t id) {
    std::string found;
    bool done = false;
    Deliver(
        indexBase, [&](const ConvertedRecord& r) { return !done && r.newsId == id; },
        [&](const ConvertedRecord& r) {
            found = r.FileBase();
            done = true;
        },
        false);
    return found;
}

int MarkConvertedDeleted(std::string_view indexBase, std::int32_t id, bool* marked) {
    if (marked) *marked = false;
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    NewsFileWriteLock lock(indexBase);
    OpenIndex open;
    if (int rc = OpenForWrite(indexBase, open, false); rc < 0) return kFailed;
    std::optional<std::int64_t> match;
    int rc = ForEachRecord(
        open.file, [&](std::int64_t position, std::span<const char, kConvertedRecordSize> raw) {
            if (IdAt(raw) != id || IsDeletedAt(raw)) return true;
            match = position;
            return false;
        });
    if (rc < 0) return Failed(IndexPath(indexBase), LastError());
    if (!match) return kConvertedOk;
    const char flag = 1;
    if (!open.file.WriteAt(*match + converted_offset::kIsDeleted, &flag, 1)) {
        return Failed(IndexPath(indexBase), LastError());
    }
    ++open.header.deletedCount;
    if (int w = WriteCounts(open, indexBase); w < 0) return w;
    if (marked) *marked = true;
    return kConvertedOk;
}

int PurgeDeleted(std::string_view indexBase) {
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    NewsFileWriteLock lock(indexBase);
    OpenIndex open;
    if (int rc = OpenForWrite(indexBase, open, false); rc < 0) return rc;
    if (open.header.deletedCount == 0) return kConvertedOk;
    return RewriteKeeping(
        open, indexBase,
        [](std::span<const char, kConvertedRecordSize> raw) { return !IsDeletedAt(raw); }, nullptr);
}

int PurgeOlder(std::string_view indexBase, std::int32_t cutoff, int* dropped) {
    if (dropped) *dropped = 0;
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    NewsFileWriteLock lock(indexBase);
    OpenIndex open;
    if (int rc = OpenForWrite(indexBase, open, false); rc < 0) return rc;
    return RewriteKeeping(
        open, indexBase,
        [cutoff](std::span<const char, kConvertedRecordSize> raw) {
            const char* text = raw.data() + converted_offset::kTimeText;
            return ConvertedDate(platform::FieldText(text, kConvertedTimeFieldSize)) >= cutoff;
        },
        dropped);
}

int ListConverted(std::string_view indexBase, std::int32_t code,
                  const ConvertedConsumer& consumer) {
    return Deliver(
        indexBase, [code](const ConvertedRecord& r) { return r.code == code; }, consumer, false);
}

int ListAllConverted(std::string_view indexBase, const ConvertedConsumer& consumer) {
    return Deliver(indexBase, nullptr, consumer, false);
}

int ScanConverted(std::string_view indexBase, const ConvertedConsumer& consumer) {
    return Deliver(indexBase, nullptr, consumer, true);
}

int ReadConvertedHeader(std::string_view indexBase, ConvertedHeader& header) {
    if (!IsSafeIndexBase(indexBase)) return Refuse(indexBase);
    File idx;
    if (int rc = OpenForRead(indexBase, idx, true); rc < 0) return rc;
    char head[kConvertedHeaderSize];
    long long n = idx.ReadAt(0, head, sizeof head);
    if (n < static_cast<long long>(kConvertedHeaderSize) || !HasConvertedTag(head)) {
        return Failed(kReadIndexError, n < 0 ? LastError() : EIO);
    }
    header = DecodeConvertedHeader(head);
    return 0;
}

bool ConvertedFileBelongsTo(std::string_view indexBase, std::string_view fileBase,
                            std::int32_t code, std::int32_t id) {
    if (!IsSafeIndexBase(indexBase)) return false;
    File idx;
    if (OpenForRead(indexBase, idx, false) < 0) return false;
    bool owned = false;
    ForEachRecord(idx, [&](std::int64_t, std::span<const char, kConvertedRecordSize> raw) {
        if (IsDeletedAt(raw) || IdAt(raw) != id || CodeAt(raw) != code) return true;
        const char* name = raw.data() + converted_offset::kFileBase;
        owned = platform::FieldText(name, kConvertedFileBaseFieldSize) == fileBase;
        return !owned;
    });
    return owned;
}

}  // namespace brevio::store
