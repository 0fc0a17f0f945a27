#include "store/news_file_replace.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <optional>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/news_file.h"
#include "store/news_file_lock.h"

namespace brevio::store {
namespace {

std::atomic<int> gStopAfterStep{0};

bool StopHere(int step) {
    return gStopAfterStep.load() == step;
}

std::string MarkerPath(std::string_view basePath) {
    return std::string(basePath) + std::string(kCommitMarkerExt);
}
std::string NewIndexPath(std::string_view basePath) {
    return std::string(basePath) + std::string(kNewIndexExt);
}
std::string NewContentPath(std::string_view basePath) {
    return std::string(basePath) + std::string(kNewContentExt);
}

std::string FolderOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string("./")
                                           : std::string(path.substr(0, slash + 1));
}

// Makes the renames and removals in a folder durable.
bool SyncFolder(std::string_view path) {
    platform::File dir;
    const std::string folder = FolderOf(path);
    if (!dir.Open(folder, platform::File::kRead) || !dir.Sync()) {
        platform::LogFileError(folder, platform::LastError());
        return false;
    }
    return true;
}

bool Fail(const std::string& what) {
    platform::LogFileError(what, platform::LastError());
    return false;
}

struct MarkerSizes {
    long long index = -1;
    long long content = -1;
};

std::string MarkerText(const MarkerSizes& sizes) {
    return platform::Format("index=%lld\r\ncontent=%lld\r\n", sizes.index, sizes.content);
}

// The sizes a marker names; nothing when its text is not a marker's.
std::optional<MarkerSizes> ParseMarker(const std::string& text) {
    auto value = [&](std::string_view key) -> long long {
        std::size_t at = text.find(key);
        if (at == std::string::npos) return -1;
        std::string_view rest = std::string_view(text).substr(at + key.size());
        if (rest.empty() || rest[0] < '0' || rest[0] > '9') return -1;
        return platform::ParseLeadingInt(rest);
    };
    MarkerSizes sizes{value("index="), value("content=")};
    if (sizes.index < 0 || sizes.content < 0) return std::nullopt;
    return sizes;
}

// Renames a committed temporary into place: true when it is there (or was already moved).
bool MoveIntoPlace(const std::string& temp, const std::string& target, long long expected) {
    long long size = platform::FileSize(temp);
    if (size < 0) return true;  // moved before the interruption
    if (size != expected) {
        platform::LogFileError(
            platform::Format("%s: size %lld, committed %lld", temp.c_str(), size, expected),
            EINVAL);
        return false;
    }
    return platform::RenameFile(temp, target) || Fail(temp);
}

}  // namespace

bool ReplaceNewsFile(std::string_view basePath) {
    const std::string newIndex = NewIndexPath(basePath);
    const std::string newContent = NewContentPath(basePath);
    const std::string marker = MarkerPath(basePath);
    MarkerSizes sizes{platform::FileSize(newIndex), platform::FileSize(newContent)};
    if (sizes.index < 0) return Fail(newIndex);
    if (sizes.content < 0) return Fail(newContent);

    // Readers open no pair while the files are being exchanged.
    NewsFilePairLock pair(basePath, NewsFilePairLock::kExclusive);

    // Step 1: the commit point.
    if (!platform::WriteFileAtomic(marker, MarkerText(sizes))) return Fail(marker);
    if (!SyncFolder(basePath)) {
        // Not known to be durable: withdraw it and keep the old pair.
        platform::RemoveFile(marker);
        return false;
    }
    if (StopHere(1)) return false;

    // Steps 2 and 3.
    if (!platform::RenameFile(newContent, ContentPath(basePath))) return Fail(newContent);
    if (StopHere(2)) return false;
    if (!platform::RenameFile(newIndex, IndexPath(basePath))) return Fail(newIndex);
    if (!SyncFolder(basePath)) return false;
    if (StopHere(3)) return false;

    // Step 4.
    if (!platform::RemoveFile(marker)) return Fail(marker);
    return true;
}

bool FinishInterruptedReplacement(std::string_view basePath) {
    const std::string marker = MarkerPath(basePath);
    if (!platform::FileExists(marker)) return true;
    NewsFilePairLock pair(basePath, NewsFilePairLock::kExclusive);
    if (!platform::FileExists(marker)) return true;

    const std::string newIndex = NewIndexPath(basePath);
    const std::string newContent = NewContentPath(basePath);
    std::string text;
    std::optional<MarkerSizes> sizes;
    if (platform::ReadWholeFile(marker, text)) sizes = ParseMarker(text);
    const long long indexSize = platform::FileSize(newIndex);
    const long long contentSize = platform::FileSize(newContent);

    if (indexSize >= 0 && contentSize >= 0 &&
        (!sizes || sizes->index != indexSize || sizes->content != contentSize)) {
        // Nothing was moved yet and the temporaries are not the committed ones: keep the old
        // pair and drop the marker (the temporaries stay as leftovers).
        platform::LogFileError(marker + ": does not match its temporaries", EINVAL);
        return platform::RemoveFile(marker) || Fail(marker);
    }
    if (!sizes) {
        // A temporary was moved already, so the marker was whole when the replacement began;
        // finish with whatever is left.
        sizes = MarkerSizes{indexSize, contentSize};
    }
    bool ok = MoveIntoPlace(newContent, ContentPath(basePath), sizes->content);
    ok = MoveIntoPlace(newIndex, IndexPath(basePath), sizes->index) && ok;
    if (!ok) return false;
    if (!SyncFolder(basePath)) return false;
    return platform::RemoveFile(marker) || Fail(marker);
}

namespace {

bool EndsWith(std::string_view name, std::string_view ext) {
    return name.size() > ext.size() && name.substr(name.size() - ext.size()) == ext;
}

}  // namespace

int RecoverInterruptedCompactions(std::string_view contentFolder) {
    int completed = 0;
    for (FolderKind kind : {kFolderPublic, kFolderRegion, kFolderTrade, kFolderStock,
                            kFolderFavorite, kFolderSubscription}) {
        const std::string folder = ResolveFolder(contentFolder, kind);
        for (const std::string& name : platform::ListFolder(folder)) {
            if (!EndsWith(name, kCommitMarkerExt)) continue;
            const std::string basePath =
                folder + name.substr(0, name.size() - kCommitMarkerExt.size());
            NewsFileWriteLock lock(basePath);
            if (platform::FileExists(MarkerPath(basePath)) &&
                FinishInterruptedReplacement(basePath)) {
                ++completed;
            }
        }
    }
    return completed;
}

int RecoverNewsFiles(std::string_view contentFolder) {
    int repaired = RecoverInterruptedCompactions(contentFolder);
    for (FolderKind kind : {kFolderPublic, kFolderRegion, kFolderTrade, kFolderStock,
                            kFolderFavorite, kFolderSubscription}) {
        const std::string folder = ResolveFolder(contentFolder, kind);
        for (const std::string& name : platform::ListFolder(folder)) {
            for (std::string_view ext : {kNewIndexExt, kNewContentExt}) {
                if (!EndsWith(name, ext)) continue;
                // A compaction in progress in another process holds the write lock until its
                // temporaries are renamed; what is left once the lock is free is a leftover.
                const std::string basePath = folder + name.substr(0, name.size() - ext.size());
                NewsFileWriteLock lock(basePath);
                const std::string temp = folder + name;
                if (platform::FileExists(temp) && !platform::FileExists(MarkerPath(basePath)) &&
                    platform::RemoveFile(temp)) {
                    ++repaired;
                }
            }
            if (std::size_t at = name.find(std::string(kCommitMarkerExt) + ".tmp");
                at != std::string::npos) {
                // The temporary of a marker that was never put in place: nothing was
                // committed, so it is a leftover once the write lock is free.
                NewsFileWriteLock lock(folder + name.substr(0, at));
                if (platform::RemoveFile(folder + name)) ++repaired;
                continue;
            }
            if (EndsWith(name, kIndexExt)) {
                const std::string basePath = folder + name.substr(0, name.size() - kIndexExt.size());
                if (RepairHeaderCounts(basePath) == 1) ++repaired;
            }
        }
    }
    return repaired;
}

void StopReplacementAfterStepForTest(int step) {
    gStopAfterStep.store(step);
}

}  // namespace brevio::store
