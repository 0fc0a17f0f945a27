// The NSP/0.2 listener: accepts connections on 127.0.0.1 and answers each one on its own
// thread, at most `maxConnections` at a time. Every connection carries one request and is
// closed after the answer; reads and writes time out, so a silent peer cannot hold a thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "nsp_protocol.h"

namespace brevio::demo {

class NspServer {
  public:
    static constexpr std::size_t kMaxHeadBytes = 64 * 1024;
    static constexpr std::size_t kMaxBodyBytes = 64 * 1024;
    static constexpr int kIoTimeoutSeconds = 10;

    NspServer(const NspService& service, int maxConnections)
        : service_(service), maxConnections_(maxConnections) {}
    ~NspServer();
    NspServer(const NspServer&) = delete;
    NspServer& operator=(const NspServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port); false with a message on failure.
    bool Bind(int port, std::string& error);
    int Port() const { return port_; }
    // Starts accepting on a thread of its own.
    void Start();
    // Stops accepting and waits for the connections in progress (bounded by the time-outs).
    void Stop();

  private:
    void AcceptLoop();
    void Serve(int fd) const;

    const NspService& service_;
    const int maxConnections_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex mutex_;
    std::condition_variable idle_;
    int active_ = 0;
};

}  // namespace brevio::demo
