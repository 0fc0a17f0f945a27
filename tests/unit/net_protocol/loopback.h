// Loopback peers for the connection tests: a TCP server whose connections a test scripts, a
// started proxy program (microsocks, danted), and raw socket helpers for the scripts.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brevio::net::test {

// A port that was free a moment ago (bound to 127.0.0.1:0, then released).
int FreePort();

// Reads from a connected descriptor until `max` bytes, the end of `marker` (when not empty),
// the peer's close or timeoutMs, whichever comes first.
std::string Read(int fd, std::size_t max, std::string_view marker = {}, int timeoutMs = 3000);
inline std::string ReadExactly(int fd, std::size_t n, int timeoutMs = 3000) {
    return Read(fd, n, {}, timeoutMs);
}
inline std::string ReadUntil(int fd, std::string_view marker) {
    return Read(fd, std::string::npos, marker);
}
inline std::string ReadUntilClose(int fd, int timeoutMs = 3000) {
    return Read(fd, std::string::npos, {}, timeoutMs);
}
bool WriteAll(int fd, std::string_view bytes);
// Closes with a reset instead of an orderly close.
void CloseWithReset(int fd);

// Listens on 127.0.0.1 (a free port) and runs `handler(fd)` for each accepted connection, one
// at a time on its own thread; the descriptor is closed after the handler returns. Stops and
// joins on destruction.
class LoopbackServer {
  public:
    using Handler = std::function<void(int fd)>;
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return port_; }
    int Accepted() const { return accepted_.load(); }
    // Set while the server stops; handlers that wait should look at it.
    const std::atomic<bool>& Stopping() const { return stopping_; }

  private:
    void Run();
    Handler handler_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

// Waits (in small steps, at most timeoutMs) until the server stops; for silent peers.
void WaitWhileRunning(const LoopbackServer& server, int timeoutMs);

// A slow peer: writes the bytes `piece` bytes at a time with pauseMs after each piece, until
// all are written, a write fails (the client has gone) or the server stops. True when every
// byte was written.
bool Trickle(int fd, std::string_view bytes, std::size_t piece, int pauseMs,
             const LoopbackServer& server);

// The full path of a program found in PATH, /usr/sbin or /sbin; empty when missing.
std::string FindProgram(const std::string& name);

// A proxy program started in its own process group, listening on 127.0.0.1:port. Stopped
// (the whole group) on destruction.
class ProxyProcess {
  public:
    ProxyProcess() = default;
    ~ProxyProcess();
    ProxyProcess(const ProxyProcess&) = delete;
    ProxyProcess& operator=(const ProxyProcess&) = delete;

    // Starts argv (argv[0] a full path) with stdout and stderr going to logPath, and waits
    // until the port accepts connections. False with a reason in Error() otherwise.
    bool Start(const std::vector<std::string>& argv, int port, const std::string& logPath);
    void Stop();
    const std::string& Error() const { return error_; }

  private:
    pid_t pid_ = -1;
    std::string error_;
};

// Starts microsocks (SOCKS5) on a free loopback port, with user/password when user is not
// empty. Fails with a clear message when the program is not installed.
::testing::AssertionResult StartMicrosocks(ProxyProcess& proxy, int& port, const std::string& dir,
                                           const std::string& user = "",
                                           const std::string& password = "");
// Starts danted (used as a SOCKS4 proxy) on a free loopback port; its configuration and log go
// into the folder dir (ending in "/").
::testing::AssertionResult StartDante(ProxyProcess& proxy, int& port, const std::string& dir);

// A thread-safe byte record for what a scripted peer received.
class Received {
  public:
    void Add(std::string_view bytes) {
        std::lock_guard lock(mutex_);
        bytes_.append(bytes);
    }
    std::string Get() const {
        std::lock_guard lock(mutex_);
        return bytes_;
    }

  private:
    mutable std::mutex mutex_;
    std::string bytes_;
};

}  // namespace brevio::net::test
