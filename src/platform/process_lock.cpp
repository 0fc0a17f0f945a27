#include "platform/process_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"
#include "platform/text.h"

namespace brevio::platform {
namespace {

constexpr int kPollMs = 50;

int OpenLockFile(std::string_view path) {
    std::string p(path);
    std::size_t slash = p.rfind('/');
    if (slash != std::string::npos) CreateFolders(p.substr(0, slash + 1));
    return ::open(NativePath(p).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

}  // namespace

ProcessLock::~ProcessLock() {
    if (fd_ >= 0) ::close(fd_);
}

ProcessLock::ProcessLock(ProcessLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

ProcessLock& ProcessLock::operator=(ProcessLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

ProcessLock ProcessLock::Wait(std::string_view path) {
    ProcessLock lock;
    int fd = OpenLockFile(path);
    if (fd < 0) return lock;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return lock;
        }
    }
    lock.fd_ = fd;
    return lock;
}

ProcessLock ProcessLock::Try(std::string_view path, int waitMs) {
    ProcessLock lock;
    int fd = OpenLockFile(path);
    if (fd < 0) return lock;
    for (int waited = 0;; waited += kPollMs) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lock.fd_ = fd;
            return lock;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs) break;
        ::usleep(kPollMs * 1000);
    }
    ::close(fd);
    return lock;
}

bool ProcessLock::SetText(std::string_view text) {
    if (fd_ < 0 || ::ftruncate(fd_, 0) != 0) return false;
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::pwrite(fd_, text.data() + done, text.size() - done,
                             static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ProcessLock::ReadText(std::string_view path) {
    std::string text;
    ReadWholeFile(path, text);
    return text;
}

InstanceLock::InstanceLock(std::string_view programFolder, std::string_view program,
                           int waitMs) {
    const std::string path = std::string(programFolder) + std::string(kInstanceLockFile);
    lock_ = ProcessLock::Try(path, waitMs);
    if (lock_.Held()) {
        lock_.SetText(Format("%s, 进程 %d", std::string(program).c_str(),
                             static_cast<int>(::getpid())));
        return;
    }
    holder_ = std::string(Trim(ProcessLock::ReadText(path)));
    if (holder_.empty()) holder_ = "另一个Brevio客户端";
}

std::string InstanceLock::RefusalText() const {
    return Format("该程序目录已由正在运行的客户端使用(%s)。请先退出该客户端。",
                  holder_.c_str());
}

}  // namespace brevio::platform
