#include "store/compaction.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "store/news_file.h"
#include "store/news_file_format.h"
#include "store/news_file_lock.h"
#include "store/news_file_replace.h"

namespace brevio::store {
namespace {

using platform::File;
using platform::LastError;
using platform::LogFileError;

// Long enough for any date the C library can show, short enough not to overflow time_t.
constexpr long long kMaxDays = 1000000;

std::mutex gFramedLogMutex;

// A path for the log: bytes below 0x20 (a NUL in a hostile name) shown as '?'.
std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    }
    return out;
}

bool IsSafeBasePath(std::string_view basePath) {
    std::size_t slash = basePath.rfind('/');
    std::string_view folder = slash == std::string_view::npos ? "" : basePath.substr(0, slash + 1);
    return IsSafeFolder(folder) && IsSafeBaseName(basePath.substr(folder.size()));
}

// Writes like the system's WriteFile reports it: -1 when nothing could be written, otherwise
// the bytes written before the device refused more (all of them when nothing failed).
long long WriteCounted(File& file, const char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(file.Fd(), bytes + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done == 0) return -1;
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

enum class Rule { kByDays, kByCount };

// The record-by-record copy into the two temporaries.
class Copier {
  public:
    Copier(Rule rule, std::int32_t cutoff, File& content, File& newIndex, File& newContent)
        : rule_(rule),
          cutoff_(cutoff),
          content_(content),
          newIndex_(newIndex),
          newContent_(newContent),
          buffer_(kCompactBufferSize) {}

    // Copies one record unless it is dropped; 0, or the result that ends the compaction.
    int Take(NewsRecord record) {
        if (Dropped(record)) return kCompactOk;
        const std::size_t length = static_cast<std::size_t>(record.length);

        long long read = 0;
        if (length > 0) read = content_.ReadAt(record.offset, buffer_.data(), length);
        if (read < 0) {
            LogFileError(kReadContentError, LastError());
            return kCompactCannotOpen;
        }
        if (static_cast<std::size_t>(read) < length) {
            WriteFramedLogEntry(
                TestLogPath(), platform::Format("%s\r\ndwRead:%d\tNewsRecIdx.Length%d",
                                                "NewsRecIdx.Length!=dwRead", static_cast<int>(read),
                                                record.length));
            return kCompactCannotOpen;
        }

        if (rule_ == Rule::kByDays) {
            std::int64_t end = newContent_.Seek(0, SEEK_END);
            if (end < 0) {
                WriteFramedLogEntry(TestLogPath(), "0xFFFFFFFF==dwPointer");
                return kCompactCannotOpen;
            }
            if (end != offset_) {
                WriteFramedLogEntry(
                    PointerLogPath(),
                    platform::Format("nOffset:%08X  dwPointer:%08X\r\n",
                                     static_cast<unsigned>(offset_), static_cast<unsigned>(end)));
            }
            record.offset = static_cast<std::uint32_t>(end);
        } else {
            record.offset = static_cast<std::uint32_t>(offset_);
        }

        char bytes[kRecordSize];
        EncodeRecord(record, bytes);
        long long written = WriteCounted(newIndex_, bytes, sizeof bytes);
        if (written < 0) {
            WriteFramedLogEntry(
                TestLogPath(),
                "!WriteFile(hNewIdx,&NewsRecIdx,sizeof(NEWSRECORDINDEX),&dwWritten,NULL)");
            return kCompactWriteFailed;
        }
        if (written < static_cast<long long>(sizeof bytes)) {
            WriteFramedLogEntry(
                TestLogPath(),
                platform::Format("%s\r\ndwWritten:%d\tsizeof(NEWSRECORDINDEX):%d",
                                 "sizeof(NEWSRECORDINDEX)!=dwWritten", static_cast<int>(written),
                                 static_cast<int>(kRecordSize)));
            return ShortWrite();
        }

        written = length > 0 ? WriteCounted(newContent_, buffer_.data(), length) : 0;
        if (written < 0) {
            WriteFramedLogEntry(TestLogPath(),
                                "!WriteFile(hNewDat,pszContent,NewsRecIdx.Length,&dwWritten,NULL)");
            return kCompactWriteFailed;
        }
        if (static_cast<std::size_t>(written) < length) {
            WriteFramedLogEntry(TestLogPath(),
                                platform::Format("%s\r\ndwWritten:%d\tNewsRecIdx.Length:%d",
                                                 "NewsRecIdx.Length!=dwWritten",
                                                 static_cast<int>(written), record.length));
            return ShortWrite();
        }
        offset_ += written;
        ++kept_;
        return kCompactOk;
    }

    std::int32_t Kept() const { return kept_; }

  private:
    bool Dropped(const NewsRecord& r) const {
        if (r.Deleted()) return true;
        if (rule_ == Rule::kByDays) {
            return r.time > kCompactMaxTime || r.date < kCompactMinDate || r.date < cutoff_ ||
                   r.length > kCompactMaxLength || r.length < kCompactMinLength;
        }
        if (r.length < 0 || static_cast<std::size_t>(r.length) > kCompactBufferSize) {
            // A damaged record: its content would not fit the buffer.
            WriteFramedLogEntry(
                TestLogPath(),
                platform::Format("%s\r\nNewsID:%d\tNewsRecIdx.Length:%d",
                                 "NewsRecIdx.Length>sizeof(szContent)", r.newsId, r.length));
            return true;
        }
        return false;
    }

    // A write that stopped part way: by days a result of its own, by count a write failure.
    int ShortWrite() const {
        return rule_ == Rule::kByDays ? kCompactCannotOpen : kCompactWriteFailed;
    }

    Rule rule_;
    std::int32_t cutoff_;
    File& content_;
    File& newIndex_;
    File& newContent_;
    std::vector<char> buffer_;
    std::int64_t offset_ = 0;  // content bytes written so far
    std::int32_t kept_ = 0;
};

int OpenFailed(const std::string& path) {
    LogFileError(path, LastError());
    return kCompactCannotOpen;
}

int Compact(std::string_view basePath, Rule rule, int keep, std::time_t now) {
    if (!IsSafeBasePath(basePath)) {
        LogFileError(Printable(basePath), EINVAL);
        return kCompactCannotOpen;
    }
    NewsFileWriteLock lock(basePath);
    FinishInterruptedReplacement(basePath);

    const std::string indexPath = IndexPath(basePath);
    File index;
    // A missing index is a category that never received news: no log entry.
    if (!index.Open(indexPath, File::kRead)) return kCompactCannotOpen;
    char head[kIndexHeaderSize];
    long long n = index.ReadAt(0, head, sizeof head);
    if (n < static_cast<long long>(sizeof head)) {
        LogFileError(kReadIndexError, n < 0 ? LastError() : EIO);
        return kCompactHeaderUnreadable;
    }
    IndexHeader header = DecodeHeader(head);

    std::int32_t cutoff = 0;
    std::int64_t first = kIndexHeaderSize;
    if (rule == Rule::kByDays) {
        cutoff = CutoffStamp(now, keep);
        if (header.cutoffDate > kCutoffNever && header.cutoffDate >= cutoff) return kCompactOk;
    } else {
        if (keep >= header.liveCount) return kCompactOk;
        // The window of the last `keep` whole records (a partial record at the end is not one).
        std::int64_t size = index.Size();
        if (size < 0) return OpenFailed(indexPath);
        std::int64_t whole = (size - static_cast<std::int64_t>(kIndexHeaderSize)) /
                             static_cast<std::int64_t>(kRecordSize);
        std::int64_t skip = std::max<std::int64_t>(0, whole - std::max(keep, 0));
        first += skip * static_cast<std::int64_t>(kRecordSize);
    }

    const std::string contentPath = ContentPath(basePath);
    const std::string newIndexPath = std::string(basePath) + std::string(kNewIndexExt);
    const std::string newContentPath = std::string(basePath) + std::string(kNewContentExt);
    File content, newIndex, newContent;
    if (!content.Open(contentPath, File::kRead)) return OpenFailed(contentPath);
    if (!newIndex.Open(newIndexPath, File::kCreate)) return OpenFailed(newIndexPath);
    if (!newContent.Open(newContentPath, File::kCreate)) return OpenFailed(newContentPath);
    int result = kCompactOk;
    if (!newIndex.Write(head, sizeof head)) result = OpenFailed(newIndexPath);

    Copier copier(rule, cutoff, content, newIndex, newContent);
    std::vector<char> chunk(kIndexChunkSize);
    for (std::int64_t position = first; result == kCompactOk;) {
        n = index.ReadAt(position, chunk.data(), chunk.size());
        if (n < 0) {
            result = OpenFailed(indexPath);
            break;
        }
        const std::size_t whole = static_cast<std::size_t>(n) / kRecordSize;
        for (std::size_t i = 0; i < whole && result == kCompactOk; ++i) {
            result = copier.Take(DecodeRecord(
                std::span<const char, kRecordSize>(chunk.data() + i * kRecordSize, kRecordSize)));
        }
        if (static_cast<std::size_t>(n) < chunk.size()) break;
        position += n;
    }

    // The header of the new index, whatever happened above.
    header.liveCount = copier.Kept();
    header.deletedCount = 0;
    if (rule == Rule::kByDays) header.cutoffDate = cutoff;
    EncodeHeader(header, head);
    if (!newIndex.WriteAt(0, head, sizeof head) && result == kCompactOk) {
        LogFileError(newIndexPath, LastError());
        result = kCompactWriteFailed;
    }
    // Both temporaries must be on disk before either may replace anything.
    if (result == kCompactOk && !newIndex.Sync()) {
        LogFileError(newIndexPath, LastError());
        result = kCompactWriteFailed;
    }
    if (result == kCompactOk && !newContent.Sync()) {
        LogFileError(newContentPath, LastError());
        result = kCompactWriteFailed;
    }
    index.Close();
    content.Close();
    newIndex.Close();
    newContent.Close();
    if (result == kCompactOk && !ReplaceNewsFile(basePath)) result = kCompactWriteFailed;
    return result;
}

}  // namespace

std::int32_t CutoffStamp(std::time_t now, int days) {
    long long d = std::clamp<long long>(days, 0, kMaxDays);
    std::time_t then = now - static_cast<std::time_t>(d * 86400);
    std::tm tm{};
    if (!localtime_r(&then, &tm)) return 0;
    return (tm.tm_year + 1900) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
}

int CompactByDays(std::string_view basePath, int days) {
    return CompactByDays(basePath, days, std::time(nullptr));
}

int CompactByDays(std::string_view basePath, int days, std::time_t now) {
    return Compact(basePath, Rule::kByDays, days, now);
}

int CompactByCount(std::string_view basePath, int records) {
    return Compact(basePath, Rule::kByCount, records, 0);
}

std::string TestLogPath() {
    return platform::DriveCFolder() + "Tidewell/Test.log";
}

std::string PointerLogPath() {
    return platform::DriveCFolder() + "Tidewell/Pointer.log";
}

void WriteFramedLogEntry(std::string_view logPath, std::string_view text) {
    platform::LocalTime t = platform::Now();
    std::string entry = platform::Format("#### Write At %d-%d-%d %d:%d:%d ####\r\n", t.year,
                                         t.month, t.day, t.hour, t.minute, t.second) +
                        std::string(text) + "\r\n########### End to Write ###########\r\n";
    std::lock_guard lock(gFramedLogMutex);
    std::string path(logPath);
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) platform::CreateFolders(path.substr(0, slash + 1));
    File f;
    if (f.Open(path, File::kAppend)) f.Write(entry);
}

}  // namespace brevio::store
