#include "store/news_file.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/news_file_lock.h"
#include "store/news_file_replace.h"

namespace brevio::store {
namespace {

using platform::File;
using platform::LastError;
using platform::LogFileError;

// A path for the log: bytes below 0x20 (a NUL in a hostile name) shown as '?'.
std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    }
    return out;
}

int RefuseName(std::string_view basePath) {
    LogFileError(Printable(basePath), EINVAL);
    return kCannotOpen;
}

int CannotOpen(const std::string& path) {
    LogFileError(path, LastError());
    return kCannotOpen;
}

int Failed(std::string_view what, int code) {
    LogFileError(what, code);
    return kFailed;
}

std::int32_t ClampInt32(long long v) {
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One "%d" as the C library reads it: white space, an optional sign, at least one digit.
bool ScanInt(std::string_view s, std::size_t& i, long long& value) {
    std::size_t j = i;
    while (j < s.size() && IsSpace(s[j])) ++j;
    bool negative = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) negative = s[j++] == '-';
    if (j >= s.size() || !IsDigit(s[j])) return false;
    long long v = 0;
    for (; j < s.size() && IsDigit(s[j]); ++j) {
        if (v < 1000000000000LL) v = v * 10 + (s[j] - '0');  // far beyond any stored value
    }
    value = negative ? -v : v;
    i = j;
    return true;
}

// The record of `id` in an open index: the first 10240-byte chunk holding the ID decides, and
// within it the record nearest the chunk's end. Returns 1 and the record's file position when
// found, 0 when not, kFailed when a read fails. A trailing partial record is not looked at.
struct Found {
    std::int64_t position = 0;
    NewsRecord record;
};

int FindRecord(File& index, std::int32_t id, Found& found) {
    std::vector<char> chunk(kIndexChunkSize);
    std::int64_t position = kIndexHeaderSize;
    while (true) {
        long long n = index.ReadAt(position, chunk.data(), chunk.size());
        if (n < 0) return kFailed;
        std::size_t whole = static_cast<std::size_t>(n) / kRecordSize;
        for (std::size_t i = whole; i-- > 0;) {
            const char* at = chunk.data() + i * kRecordSize;
            if (GetInt32(at + record_offset::kNewsId) != id) continue;
            found.position = position + static_cast<std::int64_t>(i * kRecordSize);
            found.record = DecodeRecord(std::span<const char, kRecordSize>(at, kRecordSize));
            return 1;
        }
        if (static_cast<std::size_t>(n) < chunk.size()) return 0;
        position += n;
    }
}

std::int64_t WholeRecords(std::int64_t indexSize) {
    if (indexSize <= static_cast<std::int64_t>(kIndexHeaderSize)) return 0;
    return (indexSize - static_cast<std::int64_t>(kIndexHeaderSize)) /
           static_cast<std::int64_t>(kRecordSize);
}

// The record with the ID among the last kRecordsPerChunk whole records, newest first.
std::optional<NewsRecord> FindInTail(File& index, std::int64_t records, std::int32_t id) {
    const std::int64_t first = std::max<std::int64_t>(0, records - kRecordsPerChunk);
    const std::size_t count = static_cast<std::size_t>(records - first);
    if (count == 0) return std::nullopt;
    std::vector<char> chunk(count * kRecordSize);
    long long n = index.ReadAt(kIndexHeaderSize + first * kRecordSize, chunk.data(), chunk.size());
    if (n < static_cast<long long>(chunk.size())) return std::nullopt;
    for (std::size_t i = count; i-- > 0;) {
        const char* at = chunk.data() + i * kRecordSize;
        if (GetInt32(at + record_offset::kNewsId) == id) {
            return DecodeRecord(std::span<const char, kRecordSize>(at, kRecordSize));
        }
    }
    return std::nullopt;
}

// Sets the header's counts from the flags of the first `records` records when they do not add
// up to that number (a crash between a record write and its count write); writes them back
// when `write`. 0, or kFailed when a read or write fails.
int RepairCountsIn(File& index, std::int64_t records, IndexHeader& header, bool write) {
    if (static_cast<std::int64_t>(header.liveCount) + header.deletedCount == records &&
        header.liveCount >= 0 && header.deletedCount >= 0) {
        return 0;
    }
    RecordCounts counts;
    if (CountRecordFlags(index, records, counts) < 0) return kFailed;
    header.liveCount = counts.live;
    header.deletedCount = counts.deleted;
    if (!write) return 0;
    char bytes[8];
    PutInt32(bytes, header.liveCount);
    PutInt32(bytes + 4, header.deletedCount);
    return index.WriteAt(header_offset::kLiveCount, bytes, sizeof bytes) ? 0 : kFailed;
}

int RepairCounts(File& index, std::int64_t records, IndexHeader& header) {
    return RepairCountsIn(index, records, header, true);
}

// The paths of the news file folder + base.
struct Target {
    std::string basePath;
    std::string indexPath;
};

Target MakeTarget(std::string_view folder, std::string_view base) {
    Target t;
    t.basePath = BasePath(folder, base);
    t.indexPath = IndexPath(t.basePath);
    return t;
}

}  // namespace

int CountRecordFlags(platform::File& index, std::int64_t records, RecordCounts& counts) {
    counts = {};
    std::vector<char> chunk(kIndexChunkSize);
    for (std::int64_t done = 0; done < records;) {
        const std::int64_t take = std::min<std::int64_t>(records - done, kRecordsPerChunk);
        const std::size_t bytes = static_cast<std::size_t>(take) * kRecordSize;
        long long n = index.ReadAt(kIndexHeaderSize + done * kRecordSize, chunk.data(), bytes);
        if (n < static_cast<long long>(bytes)) return kFailed;
        for (std::int64_t i = 0; i < take; ++i) {
            if (chunk[static_cast<std::size_t>(i) * kRecordSize + record_offset::kIsDeleted] == 1) {
                ++counts.deleted;
            } else {
                ++counts.live;
            }
        }
        done += take;
    }
    return 0;
}

std::string ResolveFolder(std::string_view contentFolder, FolderKind kind) {
    std::string folder(contentFolder);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    switch (kind) {
        case kFolderStock:
            return folder + "News/Stock/";
        case kFolderFavorite:
            return folder + "Favorite/";
        case kFolderSubscription:
            return folder + "Favorite2/";
        case kFolderRegion:
            return folder + "News/Region/";
        case kFolderTrade:
            return folder + "News/Trade/";
        default:
            return folder + "News/";
    }
}

std::string BasePath(std::string_view folder, std::string_view base) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    path += base;
    return path;
}

bool IsSafeBaseName(std::string_view base) {
    return !base.empty() && base.find('/') == std::string_view::npos &&
           base.find('\0') == std::string_view::npos && base.find("..") == std::string_view::npos;
}

bool IsSafeFolder(std::string_view folder) {
    if (folder.find('\0') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (start <= folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string_view::npos) end = folder.size();
        if (folder.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

void ParseItemTime(std::string_view timeText, std::int32_t& date, std::int32_t& time) {
    // "%d-%d-%d %d:%d:%d": a blank in the pattern matches any white space, other separators
    // must follow their number directly.
    static constexpr char kSeparators[] = {'-', '-', ' ', ':', ':'};
    long long v[6] = {0, 0, 0, 0, 0, 0};
    int read = 0;
    std::size_t i = 0;
    for (int k = 0; k < 6; ++k) {
        if (k > 0) {
            char sep = kSeparators[k - 1];
            if (sep == ' ') {
                while (i < timeText.size() && IsSpace(timeText[i])) ++i;
            } else {
                if (i >= timeText.size() || timeText[i] != sep) break;
                ++i;
            }
        }
        if (!ScanInt(timeText, i, v[k])) break;
        ++read;
    }
    date = ClampInt32(v[0] * 10000 + v[1] * 100 + v[2]);
    time = read > 3 ? ClampInt32(v[3] * 10000 + v[4] * 100 + v[5]) : 0;
}

NewsRecord BuildRecord(const NewsItem& item, std::string_view websiteName) {
    NewsRecord r;
    std::string_view title = platform::Trim(item.title);
    if (title.size() > kTitleMax) {
        r.SetTitle(platform::ShortenTitle(title, kTitleCutKeep));
    } else {
        r.SetTitle(title);
    }
    r.newsId = item.newsId;
    r.SetUrl(item.url);
    if (websiteName.size() >= kWebSiteFieldSize) {
        websiteName = platform::DbcsPrefix(websiteName, kWebSiteCutKeep);
    }
    r.SetWebSite(websiteName);
    ParseItemTime(item.timeText, r.date, r.time);
    return r;
}

int AppendItem(std::string_view folder, std::string_view base, const NewsItem& item,
               std::string_view websiteName, AppendMode mode) {
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return RefuseName(BasePath(folder, base));
    if (!platform::FolderExists(folder)) platform::CreateFolder(folder);
    return AppendRecord(BasePath(folder, base), BuildRecord(item, websiteName), item.content, mode);
}

int AppendRecord(std::string_view basePath, const NewsRecord& source, std::string_view content,
                 AppendMode mode) {
    std::size_t slash = basePath.rfind('/');
    std::string_view folder = slash == std::string_view::npos ? "" : basePath.substr(0, slash + 1);
    std::string_view base = basePath.substr(folder.size());
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return RefuseName(basePath);
    content = platform::DbcsPrefix(content, kContentMax);

    NewsFileWriteLock lock(basePath);
    FinishInterruptedReplacement(basePath);
    NewsRecord record = source;
    record.length = static_cast<std::int32_t>(content.size());

    const std::string indexPath = IndexPath(basePath);
    File idx;
    if (!idx.Open(indexPath, File::kReadWriteNew)) return CannotOpen(indexPath);
    char head[kIndexHeaderSize];
    long long n = idx.ReadAt(0, head, sizeof head);
    if (n < 0) return Failed(kReadIndexError, LastError());
    std::int64_t size = idx.Size();
    if (size < 0) return Failed(indexPath, LastError());
    IndexHeader header;
    const bool fresh = n < static_cast<long long>(kIndexHeaderSize);
    if (!fresh) header = DecodeHeader(head);
    // After the last whole record: a partial record left by a crash is overwritten.
    const std::int64_t records = fresh ? 0 : WholeRecords(size);
    if (!fresh) {
        if (mode == AppendMode::kOnce) {
            std::optional<NewsRecord> same = FindInTail(idx, records, record.newsId);
            if (same) return same->length;  // filed before an interruption: nothing to add
        }
        if (RepairCounts(idx, records, header) < 0) return Failed(indexPath, LastError());
    }

    // Content before the index record: an interrupted append leaves at worst unreferenced
    // bytes at the content file's end, which the next compaction drops.
    const std::string contentPath = ContentPath(basePath);
    {
        File dat;
        if (!dat.Open(contentPath, File::kReadWriteNew)) return CannotOpen(contentPath);
        std::int64_t end = dat.Size();
        if (end < 0) return Failed(contentPath, LastError());
        // Offset is a 32-bit field: a content that would not be addressable is refused.
        if (static_cast<std::uint64_t>(end) + content.size() >
            std::numeric_limits<std::uint32_t>::max()) {
            return Failed(contentPath, EFBIG);
        }
        record.offset = static_cast<std::uint32_t>(end);
        if (!dat.WriteAt(end, content.data(), content.size())) {
            return Failed(contentPath, LastError());
        }
    }

    if (fresh) {
        // A new index (or a header cut short by a crash, which cannot have records yet).
        EncodeHeader(header, head);
        if (!idx.WriteAt(0, head, sizeof head)) return Failed(indexPath, LastError());
    }
    std::int64_t position = kIndexHeaderSize + records * static_cast<std::int64_t>(kRecordSize);
    char bytes[kRecordSize];
    EncodeRecord(record, bytes);
    if (!idx.WriteAt(position, bytes, sizeof bytes)) return Failed(indexPath, LastError());
    char live[4];
    PutInt32(live, header.liveCount + 1);
    if (!idx.WriteAt(header_offset::kLiveCount, live, sizeof live)) {
        return Failed(indexPath, LastError());
    }
    return record.length;
}

namespace {

bool MarkerExists(std::string_view basePath) {
    return platform::FileExists(std::string(basePath) + std::string(kCommitMarkerExt));
}

// Opens the files of a news file as one pair, the way readers do: under the shared pair lock,
// after any replacement that a crash interrupted has been completed (under the write lock, so
// only after a crash does a reader ever wait for a writer). `open` opens what the reader
// needs and returns its result; the result of the last attempt is returned.
template <class Open>
int OpenConsistentPair(std::string_view basePath, Open open) {
    for (int attempt = 0;; ++attempt) {
        {
            NewsFilePairLock pair(basePath, NewsFilePairLock::kShared);
            if (!MarkerExists(basePath) || attempt == 2) return open();
        }
        NewsFileWriteLock lock(basePath);
        FinishInterruptedReplacement(basePath);
    }
}

}  // namespace

int ReadItem(std::string_view folder, std::string_view base, std::int32_t id, NewsRecord& record,
             std::string& content) {
    content.clear();
    Target t = MakeTarget(folder, base);
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return RefuseName(t.basePath);
    const std::string contentPath = ContentPath(t.basePath);
    File idx;
    File dat;
    bool datOpen = false;
    int opened = OpenConsistentPair(t.basePath, [&] {
        if (!idx.Open(t.indexPath, File::kRead)) return kCannotOpen;
        datOpen = dat.Open(contentPath, File::kRead);
        return 0;
    });
    if (opened < 0) return CannotOpen(t.indexPath);
    Found found;
    int rc = FindRecord(idx, id, found);
    if (rc < 0) return Failed(t.indexPath, LastError());
    if (rc == 0) return kFailed;
    record = found.record;
    if (record.length <= 0) return 0;
    if (static_cast<std::size_t>(record.length) > kContentMax) {
        // A damaged record: its content would not fit the readers' buffer.
        return Failed(platform::Format("%s: content length %d", contentPath.c_str(), record.length),
                      EINVAL);
    }
    if (!datOpen) return CannotOpen(contentPath);
    content.resize(static_cast<std::size_t>(record.length));
    long long n = dat.ReadAt(record.offset, content.data(), content.size());
    if (n < 0) {
        LogFileError(kReadContentError, LastError());
        n = 0;
    } else if (n < record.length) {
        LogFileError(kReadContentError, EIO);  // the content file ends before the record's content
    }
    content.resize(static_cast<std::size_t>(n));
    return record.length;
}

namespace {

// Opens a news file's index for a flag write and finds the record with the id (the caller
// holds the file's write lock). Nothing when found; otherwise the operation's result.
std::optional<int> OpenForFlagWrite(const Target& t, std::int32_t id, File& idx, Found& found) {
    FinishInterruptedReplacement(t.basePath);
    if (!idx.Open(t.indexPath, File::kReadWrite)) return CannotOpen(t.indexPath);
    int rc = FindRecord(idx, id, found);
    if (rc < 0) return Failed(t.indexPath, LastError());
    if (rc == 0) return kNotFound;
    return std::nullopt;
}

}  // namespace

int MarkDeleted(std::string_view folder, std::string_view base, std::int32_t id, bool deleted) {
    Target t = MakeTarget(folder, base);
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return RefuseName(t.basePath);
    NewsFileWriteLock lock(t.basePath);
    File idx;
    Found found;
    if (std::optional<int> rc = OpenForFlagWrite(t, id, idx, found)) return *rc;
    char head[kIndexHeaderSize];
    long long n = idx.ReadAt(0, head, sizeof head);
    if (n < static_cast<long long>(kIndexHeaderSize)) {
        return Failed(kReadIndexError, n < 0 ? LastError() : EIO);
    }
    const std::int64_t size = idx.Size();
    if (size < 0) return Failed(t.indexPath, LastError());
    const char flag = deleted ? 1 : 0;
    if (!idx.WriteAt(found.position + record_offset::kIsDeleted, &flag, 1)) {
        return Failed(t.indexPath, LastError());
    }
    // The counts follow the records: they change only when the record changes state. Counts
    // that a crash left wrong are recounted from the flags, the new one included.
    IndexHeader header = DecodeHeader(head);
    const std::int64_t records = WholeRecords(size);
    const std::int32_t step = found.record.Deleted() == deleted ? 0 : (deleted ? 1 : -1);
    // A damaged header may hold counts at the ends of the 32-bit range: stepped in 64 bits and
    // held at those ends, where they no longer add up and so are recounted below.
    auto within32 = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(
            v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    };
    header.liveCount = within32(std::int64_t{header.liveCount} - step);
    header.deletedCount = within32(std::int64_t{header.deletedCount} + step);
    if (static_cast<std::int64_t>(header.liveCount) + header.deletedCount != records ||
        header.liveCount < 0 || header.deletedCount < 0) {
        if (RepairCounts(idx, records, header) < 0) return Failed(t.indexPath, LastError());
        return kWritten;
    }
    if (step == 0) return kWritten;
    char counts[8];
    PutInt32(counts, header.liveCount);
    PutInt32(counts + 4, header.deletedCount);
    if (!idx.WriteAt(header_offset::kLiveCount, counts, sizeof counts)) {
        return Failed(t.indexPath, LastError());
    }
    return kWritten;
}

int MarkRead(std::string_view folder, std::string_view base, std::int32_t id, bool read) {
    Target t = MakeTarget(folder, base);
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return RefuseName(t.basePath);
    NewsFileWriteLock lock(t.basePath);
    File idx;
    Found found;
    if (std::optional<int> rc = OpenForFlagWrite(t, id, idx, found)) return *rc;
    const char flag = read ? 1 : 0;
    if (!idx.WriteAt(found.position + record_offset::kIsRead, &flag, 1)) {
        return Failed(t.indexPath, LastError());
    }
    return kWritten;
}

int ScanRecords(std::string_view basePath, const RawRecordConsumer& consumer) {
    const std::string indexPath = IndexPath(basePath);
    File idx;
    int opened = OpenConsistentPair(
        basePath, [&] { return idx.Open(indexPath, File::kRead) ? 0 : kCannotOpen; });
    if (opened < 0) return kCannotOpen;
    // No lock while reading: an append writes a whole record after its content, so a record
    // being appended is either whole in what is read or shorter than a record and left out.
    std::vector<char> chunk(kIndexChunkSize);
    std::int64_t position = kIndexHeaderSize;
    int delivered = 0;
    while (true) {
        long long n = idx.ReadAt(position, chunk.data(), chunk.size());
        if (n < 0) return Failed(indexPath, LastError());
        std::size_t whole = static_cast<std::size_t>(n) / kRecordSize;
        for (std::size_t i = 0; i < whole; ++i) {
            const char* at = chunk.data() + i * kRecordSize;
            if (at[record_offset::kIsDeleted] == 1) continue;
            consumer(std::span<const char, kRecordSize>(at, kRecordSize));
            ++delivered;
        }
        if (static_cast<std::size_t>(n) < chunk.size()) return delivered;
        position += n;
    }
}

int ListRecords(std::string_view folder, std::string_view base, const RecordConsumer& consumer) {
    Target t = MakeTarget(folder, base);
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return RefuseName(t.basePath);
    int rc = ScanRecords(
        t.basePath, [&](std::span<const char, kRecordSize> raw) { consumer(DecodeRecord(raw)); });
    return rc == kCannotOpen ? CannotOpen(t.indexPath) : rc;
}

int ReadHeader(std::string_view folder, std::string_view base, IndexHeader& header) {
    Target t = MakeTarget(folder, base);
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return RefuseName(t.basePath);
    File idx;
    int opened = OpenConsistentPair(
        t.basePath, [&] { return idx.Open(t.indexPath, File::kRead) ? 0 : kCannotOpen; });
    if (opened < 0) return CannotOpen(t.indexPath);
    char head[kIndexHeaderSize];
    long long n = idx.ReadAt(0, head, sizeof head);
    if (n < static_cast<long long>(kIndexHeaderSize)) {
        return Failed(kReadIndexError, n < 0 ? LastError() : EIO);
    }
    header = DecodeHeader(head);
    // Counts a crash left wrong are reported as the records say (the next write stores them).
    std::int64_t size = idx.Size();
    if (size >= 0 && RepairCountsIn(idx, WholeRecords(size), header, false) < 0) {
        return Failed(t.indexPath, LastError());
    }
    return 0;
}

int RepairHeaderCounts(std::string_view basePath) {
    NewsFileWriteLock lock(basePath);
    FinishInterruptedReplacement(basePath);
    const std::string indexPath = IndexPath(basePath);
    File idx;
    if (!idx.Open(indexPath, File::kReadWrite)) return kCannotOpen;
    char head[kIndexHeaderSize];
    if (idx.ReadAt(0, head, sizeof head) < static_cast<long long>(kIndexHeaderSize)) return 0;
    const std::int64_t size = idx.Size();
    if (size < 0) return Failed(indexPath, LastError());
    IndexHeader header = DecodeHeader(head);
    const IndexHeader before = header;
    if (RepairCounts(idx, WholeRecords(size), header) < 0) return Failed(indexPath, LastError());
    return header.liveCount != before.liveCount || header.deletedCount != before.deletedCount;
}

}  // namespace brevio::store
