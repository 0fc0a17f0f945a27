// The stream socket of one server exchange: blocking calls with a time-out in seconds, a
// direct connection or one through a SOCKS4 or SOCKS5 proxy, and a stop source that ends a
// blocked call from another thread.
//
// A socket belongs to one exchange on one thread. Its calls are blocking: each waits in
// slices of at most 100 ms while a stop source is set, so a set stop source ends the call
// within that time. No lock is held while a call waits.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brevio::platform {
class ManualResetEvent;
}

namespace brevio::net {

enum class ProxyMode : int { kDirect = 0, kSocks4 = 1, kSocks5 = 2 };

// Why a connection through the proxy failed.
enum class ProxyError : int {
    kNone = 0,
    kProxyUnreachable = 1,       // the proxy itself cannot be reached
    kHandshakeFailed = 2,        // the handshake broke off or the proxy refused the target
    kNoAcceptableMethod = 3,     // SOCKS5: none of the offered methods is accepted
    kUnofferedMethod = 4,        // SOCKS5: the proxy chose a method that was not offered
    kAuthenticationFailed = 5,   // SOCKS5: user/password refused
    kAuthenticationRequired = 6  // SOCKS5: user/password demanded but not configured
};

// The proxy values as the network settings hold them.
struct ProxySettings {
    int mode = 0;  // ProxyMode; other values connect directly
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
    bool authenticate = false;
};

class CProxySocket {
  public:
    static constexpr int kDefaultTimeoutSeconds = 120;
    static constexpr int kNoTimeout = -1;
    // SOCKS5 user names and passwords carry a one-byte length.
    static constexpr std::size_t kMaxCredentialBytes = 255;
    // Longest wait between two looks at the stop source.
    static constexpr int kStopPollMilliseconds = 100;

    CProxySocket() = default;
    ~CProxySocket();
    CProxySocket(const CProxySocket&) = delete;
    CProxySocket& operator=(const CProxySocket&) = delete;

    // Stores the proxy values; with mode 0 (or any mode other than 1 and 2) only the mode is
    // kept and connections are direct.
    void ConfigureProxy(int mode, std::string host, int port, std::string user,
                        std::string password, bool authenticate);
    void ConfigureProxy(const ProxySettings& settings);
    ProxyMode Mode() const { return mode_; }

    // Opens a new stream socket (closing a previous one). False when the system refuses.
    bool Create();

    // Connects to host:port, directly or through the configured proxy. Through a proxy the
    // target is resolved here first (dotted IPv4 or a name lookup); a target that cannot be
    // resolved fails with EINVAL before the proxy is contacted. False on any failure; see
    // LastError and ProxyErrorState.
    bool Connect(std::string_view host, int port);

    // Seconds each later call may block; kNoTimeout waits without limit.
    void SetTimeout(int seconds) { timeoutSeconds_ = seconds; }
    int Timeout() const { return timeoutSeconds_; }

    // A stop source polled while a call blocks; a set source ends the call with ECANCELED.
    // Either or both may be given; nullptr removes one. The source must outlive the socket's
    // use of it.
    void SetStopEvent(const platform::ManualResetEvent* stop) { stopEvent_ = stop; }
    void SetStopFlag(const std::atomic<bool>* stop) { stopFlag_ = stop; }

    // Sends every byte; returns the count sent, or -1 on error, time-out or stop.
    long Send(const void* data, std::size_t length);
    long Send(std::string_view bytes) { return Send(bytes.data(), bytes.size()); }

    // Reads what is there (at most capacity bytes, waiting for some); returns the count,
    // 0 when the peer has closed, or -1 on error, time-out or stop.
    long Receive(void* buffer, std::size_t capacity);

    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // The peer: through a proxy the target that the proxy was asked to reach (as a dotted
    // IPv4 address), else the connected address. False when not connected to the server.
    bool GetPeerName(std::string& address, int& port) const;

    // The error of the last failed call as an errno value (ECONNABORTED after a time-out,
    // ECANCELED after a stop, EINPROGRESS when another call was still blocked).
    int LastError() const { return lastError_.load(std::memory_order_relaxed); }
    // True when the last call was abandoned for the time-out.
    bool TimedOut() const { return timedOut_; }
    // True when the last call was abandoned because the stop source was set.
    bool Stopped() const { return stopped_; }
    ProxyError ProxyErrorState() const { return proxyError_; }

  private:
    enum class Wait { kReady, kTimedOut, kStopped, kFailed };
    class BusyGuard;

    long long DeadlineMs() const;
    bool StopRequested() const;
    Wait WaitFor(short events, long long deadlineMs);
    void Fail(int error) { lastError_.store(error, std::memory_order_relaxed); }
    bool FailWait(Wait w);
    bool ReopenFor(int family);
    bool ConnectAddress(const void* address, unsigned length, int family, long long deadlineMs);
    bool ConnectHost(std::string_view host, int port, long long deadlineMs);
    long ReceiveSome(void* buffer, std::size_t capacity, long long deadlineMs);
    bool SendAll(const void* data, std::size_t length, long long deadlineMs, long& sent);
    bool ReceiveExact(void* buffer, std::size_t length, long long deadlineMs);
    bool Socks4Handshake(long long deadlineMs);
    bool Socks5Handshake(long long deadlineMs);
    bool Socks5Authenticate(long long deadlineMs);

    int fd_ = -1;
    int family_ = 0;  // address family of fd_
    int timeoutSeconds_ = kDefaultTimeoutSeconds;
    ProxyMode mode_ = ProxyMode::kDirect;
    std::string proxyHost_;
    int proxyPort_ = 0;
    std::string proxyUser_;
    std::string proxyPassword_;
    bool proxyAuth_ = false;

    bool viaProxy_ = false;       // connected through the proxy
    std::uint32_t targetIp_ = 0;  // network order
    int targetPort_ = 0;

    const platform::ManualResetEvent* stopEvent_ = nullptr;
    const std::atomic<bool>* stopFlag_ = nullptr;

    std::atomic<bool> busy_{false};
    std::atomic<int> lastError_{0};
    bool timedOut_ = false;
    bool stopped_ = false;
    ProxyError proxyError_ = ProxyError::kNone;
};

}  // namespace brevio::net
