#include "store/store_check.h"

#include <algorithm>
#include <optional>
#include <set>

#include "platform/fs.h"
#include "platform/text.h"
#include "store/news_file.h"
#include "store/news_file_format.h"
#include "store/news_file_lock.h"
#include "store/news_file_replace.h"

namespace brevio::store {
namespace {

using platform::File;

// A commit marker's own temporary (platform::WriteFileAtomic): "<base>.~cm.tmp<pid>_<n>".
constexpr std::string_view kMarkerTempInfix = ".tmp";

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() > tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string MarkerTempPrefix(std::string_view base) {
    return std::string(base) + std::string(kCommitMarkerExt) + std::string(kMarkerTempInfix);
}

// The base name a folder entry belongs to, when it is one of a news file's names.
std::optional<std::string> BaseOfEntry(const std::string& name) {
    const std::string markerTemp = std::string(kCommitMarkerExt) + std::string(kMarkerTempInfix);
    std::size_t at = name.rfind(markerTemp);
    if (at != std::string::npos && at > 0) return name.substr(0, at);
    for (std::string_view ext :
         {kIndexExt, kContentExt, kNewIndexExt, kNewContentExt, kCommitMarkerExt}) {
        if (EndsWith(name, ext)) return name.substr(0, name.size() - ext.size());
    }
    return std::nullopt;
}

std::string FolderOf(std::string_view basePath) {
    std::size_t slash = basePath.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(basePath.substr(0, slash + 1));
}

// The marker temporaries of `base` among a folder's entries, as full paths.
std::vector<std::string> MarkerTemporaries(const std::string& folder, std::string_view base,
                                           const std::vector<std::string>& entries) {
    const std::string prefix = MarkerTempPrefix(base);
    std::vector<std::string> out;
    for (const std::string& name : entries) {
        if (name.compare(0, prefix.size(), prefix) == 0) out.push_back(folder + name);
    }
    return out;
}

// What the record scan of an index found.
struct BadRecord {
    std::int64_t number = 0;  // from 0
    NewsRecord record;
};
struct RecordScan {
    std::vector<BadRecord> outOfRange;
    std::int64_t withContent = 0;  // listed records with a valid Length above 0
};

bool LengthInvalid(const NewsRecord& r) {
    return r.length < 0 || static_cast<std::size_t>(r.length) > kContentMax;
}

// A listed record's content must lie inside a content file of `contentSize` bytes; a Length
// of 0 reads nothing, so its Offset does not matter.
bool ContentOutOfRange(const NewsRecord& r, std::int64_t contentSize) {
    if (LengthInvalid(r)) return true;
    if (r.length == 0) return false;
    return static_cast<std::int64_t>(r.offset) + r.length > contentSize;
}

class NewsFileCheck {
  public:
    NewsFileCheck(std::string_view basePath, std::vector<std::string> markerTemps, bool repair)
        : basePath_(basePath),
          indexPath_(IndexPath(basePath)),
          contentPath_(ContentPath(basePath)),
          markerTemps_(std::move(markerTemps)),
          repair_(repair) {}

    std::vector<CheckFinding> Run() {
        NewsFileWriteLock lock(basePath_);
        if (!ResolveMarker()) return std::move(findings_);
        CheckTemporaries();
        CheckPair();
        return std::move(findings_);
    }

  private:
    void Add(CheckProblem problem, const std::string& path, std::string detail, bool repaired) {
        findings_.push_back({problem, path, std::move(detail), repaired});
    }

    // A commit marker: completed when repairing. False while one stays, since until then the
    // pair on disk is not the one the store will read.
    bool ResolveMarker() {
        const std::string marker = basePath_ + std::string(kCommitMarkerExt);
        if (!platform::FileExists(marker)) return true;
        bool done = false;
        if (repair_) {
            done = FinishInterruptedReplacement(basePath_) && !platform::PathExists(marker);
        }
        Add(CheckProblem::kInterruptedReplacement, marker,
            "a compaction's replacement of the news file was cut short", done);
        return done;
    }

    void CheckTemporaries() {
        std::vector<std::string> temps;
        for (std::string_view ext : {kNewIndexExt, kNewContentExt}) {
            std::string path = basePath_ + std::string(ext);
            if (platform::PathExists(path)) temps.push_back(std::move(path));
        }
        temps.insert(temps.end(), markerTemps_.begin(), markerTemps_.end());
        for (const std::string& path : temps) {
            const long long size = platform::FileSize(path);
            const bool removed = repair_ && platform::RemoveFile(path);
            Add(CheckProblem::kLeftoverTemporary, path,
                platform::Format("compaction temporary without a commit marker (%lld bytes)", size),
                removed);
        }
    }

    void CheckPair() {
        if (!platform::FileExists(indexPath_)) {
            if (platform::FileExists(contentPath_)) {
                Add(CheckProblem::kIndexMissing, contentPath_,
                    platform::Format("content file without an index (%lld bytes)",
                                     platform::FileSize(contentPath_)),
                    false);
            }
            return;
        }
        File idx;
        if (!idx.Open(indexPath_, repair_ ? File::kReadWrite : File::kRead)) {
            Add(CheckProblem::kUnreadable, indexPath_,
                repair_ ? "cannot open the index for writing" : "cannot open the index", false);
            return;
        }
        const std::int64_t size = idx.Size();
        if (size < 0) {
            Add(CheckProblem::kUnreadable, indexPath_, "cannot read the index size", false);
            return;
        }
        IndexHeader header;
        if (!CheckHeader(idx, size, header)) return;
        const std::int64_t records = (size - static_cast<std::int64_t>(kIndexHeaderSize)) /
                                     static_cast<std::int64_t>(kRecordSize);
        CheckTail(idx, size, records);
        CheckRecords(idx, header, records);
    }

    // The header; false when there is nothing more to look at.
    bool CheckHeader(File& idx, std::int64_t size, IndexHeader& header) {
        if (size < static_cast<std::int64_t>(kIndexHeaderSize)) {
            char fresh[kIndexHeaderSize];
            EncodeHeader(IndexHeader{}, fresh);
            const bool written = repair_ && idx.WriteAt(0, fresh, sizeof fresh);
            Add(CheckProblem::kHeaderShort, indexPath_,
                platform::Format("index of %lld bytes, shorter than its %zu-byte header",
                                 static_cast<long long>(size), kIndexHeaderSize),
                written);
            return false;
        }
        char head[kIndexHeaderSize];
        if (idx.ReadAt(0, head, sizeof head) != static_cast<long long>(sizeof head)) {
            Add(CheckProblem::kUnreadable, indexPath_, "cannot read the index header", false);
            return false;
        }
        header = DecodeHeader(head);
        if (std::string_view(header.tag.data(), header.tag.size()) != kIndexTag) {
            const bool written = repair_ && idx.WriteAt(0, kIndexTag.data(), kIndexTag.size());
            Add(CheckProblem::kWrongTag, indexPath_,
                "header tag \"" + platform::FieldText(header.tag.data(), header.tag.size()) +
                    "\" instead of \"Ostra\"",
                written);
        }
        return true;
    }

    void CheckTail(File& idx, std::int64_t size, std::int64_t records) {
        const std::int64_t whole = static_cast<std::int64_t>(kIndexHeaderSize) +
                                   records * static_cast<std::int64_t>(kRecordSize);
        if (size == whole) return;
        const bool cut = repair_ && idx.Truncate(whole);
        Add(CheckProblem::kTornTail, indexPath_,
            platform::Format("%lld bytes after the last whole record (record %lld)",
                             static_cast<long long>(size - whole), static_cast<long long>(records)),
            cut);
    }

    // The contents of the listed records and the counts of the header.
    void CheckRecords(File& idx, const IndexHeader& header, std::int64_t records) {
        const bool contentPresent = platform::FileExists(contentPath_);
        std::optional<std::int64_t> contentSize =
            contentPresent ? platform::FileSize(contentPath_) : 0;
        if (contentSize && *contentSize < 0) {
            Add(CheckProblem::kUnreadable, contentPath_, "cannot read the content file's size",
                false);
            contentSize.reset();
        }
        RecordScan scan;
        if (contentSize && !ScanRecords(idx, records, *contentSize, scan)) {
            Add(CheckProblem::kUnreadable, indexPath_, "cannot read the records", false);
            return;
        }
        RecordCounts counts;
        if (CountRecordFlags(idx, records, counts) < 0) {
            Add(CheckProblem::kUnreadable, indexPath_, "cannot read the records' flags", false);
            return;
        }

        const bool marked = repair_ && MarkDeleted(idx, scan.outOfRange);
        ReportRanges(scan, contentPresent, records, contentSize.value_or(0), marked);

        const bool countsWrong =
            header.liveCount != counts.live || header.deletedCount != counts.deleted;
        bool countsWritten = false;
        if (repair_ && (countsWrong || marked)) countsWritten = WriteCounts(idx, records);
        if (countsWrong) {
            Add(CheckProblem::kCountsWrong, indexPath_,
                platform::Format("header counts live %d, deleted %d; the records' flags say live "
                                 "%d, deleted %d",
                                 header.liveCount, header.deletedCount, counts.live,
                                 counts.deleted),
                countsWritten);
        }
    }

    bool ScanRecords(File& idx, std::int64_t records, std::int64_t contentSize, RecordScan& scan) {
        std::vector<char> chunk(kIndexChunkSize);
        for (std::int64_t done = 0; done < records;) {
            const std::int64_t take =
                std::min<std::int64_t>(records - done, static_cast<std::int64_t>(kRecordsPerChunk));
            const std::size_t bytes = static_cast<std::size_t>(take) * kRecordSize;
            if (idx.ReadAt(kIndexHeaderSize + done * kRecordSize, chunk.data(), bytes) !=
                static_cast<long long>(bytes)) {
                return false;
            }
            for (std::int64_t i = 0; i < take; ++i) {
                const char* at = chunk.data() + static_cast<std::size_t>(i) * kRecordSize;
                NewsRecord r = DecodeRecord(std::span<const char, kRecordSize>(at, kRecordSize));
                if (r.Deleted()) continue;
                if (r.length > 0 && !LengthInvalid(r)) ++scan.withContent;
                if (ContentOutOfRange(r, contentSize)) scan.outOfRange.push_back({done + i, r});
            }
            done += take;
        }
        return true;
    }

    // Without a content file every listed record with content is out of range: one finding
    // for them all.
    void ReportRanges(const RecordScan& scan, bool contentPresent, std::int64_t records,
                      std::int64_t contentSize, bool marked) {
        if (!contentPresent && scan.withContent > 0) {
            Add(CheckProblem::kContentMissing, contentPath_,
                platform::Format("no content file for %lld listed records with content (of %lld)",
                                 static_cast<long long>(scan.withContent),
                                 static_cast<long long>(records)),
                marked);
        }
        for (const BadRecord& bad : scan.outOfRange) {
            if (!contentPresent && !LengthInvalid(bad.record)) continue;
            const NewsRecord& r = bad.record;
            Add(CheckProblem::kRecordOutOfRange, indexPath_,
                platform::Format(
                    "record %lld (ID %d): offset %u, length %d, content file %lld bytes",
                    static_cast<long long>(bad.number), r.newsId, r.offset, r.length,
                    static_cast<long long>(contentSize)),
                marked);
        }
    }

    // Sets IsDeleted of the records; true when every write succeeded (and there was one).
    static bool MarkDeleted(File& idx, const std::vector<BadRecord>& records) {
        if (records.empty()) return false;
        const char flag = 1;
        for (const BadRecord& bad : records) {
            const std::int64_t at = static_cast<std::int64_t>(kIndexHeaderSize) +
                                    bad.number * static_cast<std::int64_t>(kRecordSize) +
                                    static_cast<std::int64_t>(record_offset::kIsDeleted);
            if (!idx.WriteAt(at, &flag, 1)) return false;
        }
        return true;
    }

    // Stores the counts of the records' flags as they are now.
    static bool WriteCounts(File& idx, std::int64_t records) {
        RecordCounts counts;
        if (CountRecordFlags(idx, records, counts) < 0) return false;
        char bytes[8];
        PutInt32(bytes, counts.live);
        PutInt32(bytes + 4, counts.deleted);
        return idx.WriteAt(header_offset::kLiveCount, bytes, sizeof bytes);
    }

    const std::string basePath_;
    const std::string indexPath_;
    const std::string contentPath_;
    const std::vector<std::string> markerTemps_;
    const bool repair_;
    std::vector<CheckFinding> findings_;
};

}  // namespace

const char* CheckProblemName(CheckProblem problem) {
    switch (problem) {
        case CheckProblem::kInterruptedReplacement:
            return "interrupted replacement";
        case CheckProblem::kLeftoverTemporary:
            return "leftover temporary";
        case CheckProblem::kIndexMissing:
            return "index missing";
        case CheckProblem::kHeaderShort:
            return "header cut short";
        case CheckProblem::kWrongTag:
            return "wrong tag";
        case CheckProblem::kTornTail:
            return "torn tail";
        case CheckProblem::kRecordOutOfRange:
            return "record out of range";
        case CheckProblem::kContentMissing:
            return "content missing";
        case CheckProblem::kCountsWrong:
            return "counts wrong";
        case CheckProblem::kUnreadable:
            return "unreadable";
    }
    return "unknown";
}

std::string CheckFindingText(const CheckFinding& finding) {
    return std::string(CheckProblemName(finding.problem)) + ": " + finding.detail;
}

std::vector<CheckFinding> CheckNewsFile(std::string_view basePath, bool repair) {
    const std::string folder = FolderOf(basePath);
    const std::string_view base = basePath.substr(folder.size());
    return NewsFileCheck(
               basePath,
               MarkerTemporaries(folder, base, platform::ListFolder(folder.empty() ? "." : folder)),
               repair)
        .Run();
}

int StoreCheckResult::Repaired() const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [](const CheckFinding& f) { return f.repaired; }));
}

StoreCheckResult CheckStore(std::string_view contentFolder, bool repair) {
    StoreCheckResult result;
    for (FolderKind kind : {kFolderPublic, kFolderRegion, kFolderTrade, kFolderStock,
                            kFolderFavorite, kFolderSubscription}) {
        const std::string folder = ResolveFolder(contentFolder, kind);
        if (!platform::FolderExists(folder)) continue;
        const std::vector<std::string> entries = platform::ListFolder(folder);
        std::set<std::string> bases;
        for (const std::string& name : entries) {
            if (std::optional<std::string> base = BaseOfEntry(name)) bases.insert(*base);
        }
        for (const std::string& base : bases) {
            const std::string basePath = folder + base;
            ++result.newsFiles;
            std::vector<CheckFinding> found =
                NewsFileCheck(basePath, MarkerTemporaries(folder, base, entries), repair).Run();
            result.findings.insert(result.findings.end(), found.begin(), found.end());
        }
    }
    // The converted-news index, once the store keeps one, is checked here, after the news
    // files it refers to.
    return result;
}

}  // namespace brevio::store
