#include "conversion/output_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "platform/fs.h"
#include "platform/paths.h"

namespace brevio::conversion {
namespace {

std::string Normalised(std::string_view convertPath) {
    std::string out;
    for (char c : convertPath) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    return platform::WithSlash(out);
}

std::shared_mutex& MutexFor(const std::string& path) {
    // Never destroyed: a conversion still running at exit must not find its mutex gone. One
    // entry per conversion path used.
    static auto* tableMutex = new std::mutex;
    static auto* table = new std::unordered_map<std::string, std::unique_ptr<std::shared_mutex>>;
    std::lock_guard lock(*tableMutex);
    auto& slot = (*table)[path];
    if (!slot) slot = std::make_unique<std::shared_mutex>();
    return *slot;
}

int LockFile(const std::string& path, short type) {
    const std::string file = path + std::string(kOutputLockFileName);
    int fd = ::open(platform::NativePath(file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    while (::fcntl(fd, F_OFD_SETLKW, &fl) != 0) {
        if (errno == EINTR) continue;
        break;  // locks not supported here: the mutex still serialises this process
    }
    return fd;
}

}  // namespace

OutputLock::OutputLock(std::string_view convertPath, Mode mode) : mode_(mode) {
    const std::string path = Normalised(convertPath);
    std::shared_mutex& m = MutexFor(path);
    if (mode == kShared) {
        m.lock_shared();
    } else {
        m.lock();
    }
    mutex_ = &m;
    // A conversion creates the conversion path anyway; doing it first lets the lock reach
    // other processes from the first conversion on.
    if (mode == kShared && !platform::FolderExists(path)) platform::CreateFolders(path);
    fd_ = LockFile(path, mode == kShared ? F_RDLCK : F_WRLCK);
}

OutputLock::~OutputLock() {
    if (fd_ >= 0) ::close(fd_);
    auto* m = static_cast<std::shared_mutex*>(mutex_);
    if (mode_ == kShared) {
        m->unlock_shared();
    } else {
        m->unlock();
    }
}

}  // namespace brevio::conversion
