// Locks shared with other processes through a lock file (flock), released when the object
// goes or the process ends in any way.
#pragma once

#include <string>
#include <string_view>

namespace brevio::platform {

class ProcessLock {
  public:
    ProcessLock() = default;
    ~ProcessLock();
    ProcessLock(ProcessLock&& other) noexcept;
    ProcessLock& operator=(ProcessLock&& other) noexcept;
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    // Waits until the lock is held (folders of the path are created). Not held only when the
    // lock file cannot be opened.
    static ProcessLock Wait(std::string_view path);
    // Takes the lock if no other holder has it, waiting at most `waitMs` for it.
    static ProcessLock Try(std::string_view path, int waitMs = 0);

    bool Held() const { return fd_ >= 0; }
    // Replaces the lock file's text (who holds it); only while held.
    bool SetText(std::string_view text);
    // The text of a lock file, as its holder wrote it.
    static std::string ReadText(std::string_view path);

  private:
    int fd_ = -1;
};

// The lock a running client holds on its program folder for as long as it runs, so that one
// program folder is never served by two clients at once: the news they receive, the
// subscription records and their journal belong to one process at a time.
inline constexpr std::string_view kInstanceLockFile = "brevio.lock";

class InstanceLock {
  public:
    // Takes the lock of `programFolder` (ends in "/") for `program` (as the user knows it,
    // e.g. "brevio" or "brevio-cli run"), waiting at most `waitMs`. When another process holds
    // it, Held() is false and Holder() names it ("brevio-cli run, 进程 4711").
    InstanceLock(std::string_view programFolder, std::string_view program, int waitMs = 0);
    // Not held, asked of nobody.
    InstanceLock() = default;

    bool Held() const { return lock_.Held(); }
    const std::string& Holder() const { return holder_; }
    // The message a refused client shows (GBK).
    std::string RefusalText() const;

  private:
    ProcessLock lock_;
    std::string holder_;
};

}  // namespace brevio::platform
