#include "store/news_file_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "platform/fs.h"

namespace brevio::store {
namespace {

// Bytes of the lock file: two per slot, the write byte and the pair byte.
constexpr std::uint32_t kSlots = 1u << 16;

struct FileMutexes {
    std::mutex write;
    std::shared_mutex pair;
};

std::string FoldSlashes(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    return out;
}

FileMutexes& MutexesFor(std::string_view basePath) {
    // Never destroyed: a thread still filing at exit must not find its mutex gone. There is
    // one entry per news file touched, a few thousand at most.
    static auto* tableMutex = new std::mutex;
    static auto* table = new std::unordered_map<std::string, std::unique_ptr<FileMutexes>>;
    std::string key = FoldSlashes(basePath);
    std::lock_guard lock(*tableMutex);
    auto& slot = (*table)[key];
    if (!slot) slot = std::make_unique<FileMutexes>();
    return *slot;
}

std::string_view FolderOf(std::string_view basePath) {
    std::size_t slash = basePath.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : basePath.substr(0, slash + 1);
}

// FNV-1a of the base name: the same slot in every process.
std::uint32_t SlotOf(std::string_view basePath) {
    std::string_view base = basePath.substr(FolderOf(basePath).size());
    std::uint32_t h = 2166136261u;
    for (char c : base) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h % kSlots;
}

// Takes an open-file-description lock on one byte of the folder's lock file; the descriptor
// that holds it, or -1 when the lock file cannot be opened.
int LockByte(std::string_view basePath, off_t byte, short type) {
    std::string path(FolderOf(basePath));
    path += kNewsLockFileName;
    int fd = ::open(platform::NativePath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = byte;
    fl.l_len = 1;
    while (::fcntl(fd, F_OFD_SETLKW, &fl) != 0) {
        if (errno == EINTR) continue;
        // Locks not supported here: the mutex still serialises this process.
        break;
    }
    return fd;
}

void Release(int fd) {
    if (fd >= 0) ::close(fd);  // closing the description releases its locks
}

}  // namespace

NewsFileWriteLock::NewsFileWriteLock(std::string_view basePath) {
    FileMutexes& m = MutexesFor(basePath);
    m.write.lock();
    mutex_ = &m;
    fd_ = LockByte(basePath, static_cast<off_t>(SlotOf(basePath)) * 2, F_WRLCK);
}

NewsFileWriteLock::~NewsFileWriteLock() {
    Release(fd_);
    static_cast<FileMutexes*>(mutex_)->write.unlock();
}

NewsFilePairLock::NewsFilePairLock(std::string_view basePath, Mode mode) : mode_(mode) {
    FileMutexes& m = MutexesFor(basePath);
    if (mode == kShared) {
        m.pair.lock_shared();
    } else {
        m.pair.lock();
    }
    mutex_ = &m;
    fd_ = LockByte(basePath, static_cast<off_t>(SlotOf(basePath)) * 2 + 1,
                   mode == kShared ? F_RDLCK : F_WRLCK);
}

NewsFilePairLock::~NewsFilePairLock() {
    Release(fd_);
    auto* m = static_cast<FileMutexes*>(mutex_);
    if (mode_ == kShared) {
        m->pair.unlock_shared();
    } else {
        m->pair.unlock();
    }
}

}  // namespace brevio::store
