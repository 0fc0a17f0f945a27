#include "net/proxy_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/event.h"

namespace brevio::net {

namespace {

long long NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

constexpr unsigned char kSocks4Version = 4;
constexpr unsigned char kSocks4Granted = 90;
constexpr unsigned char kSocks5Version = 5;
constexpr unsigned char kCommandConnect = 1;
constexpr unsigned char kMethodNone = 0;
constexpr unsigned char kMethodUserPassword = 2;
constexpr unsigned char kMethodNoneAcceptable = 255;
constexpr unsigned char kUserPasswordVersion = 1;
constexpr unsigned char kAddressIpv4 = 1;
constexpr unsigned char kAddressDomain = 3;
constexpr unsigned char kAddressIpv6 = 4;

struct AddrInfoList {
    addrinfo* head = nullptr;
    ~AddrInfoList() {
        if (head) freeaddrinfo(head);
    }
};

bool HasNul(std::string_view s) {
    return s.find('\0') != std::string_view::npos;
}

}  // namespace

// Marks the socket busy for one call; a second call while one blocks is refused.
class CProxySocket::BusyGuard {
  public:
    explicit BusyGuard(CProxySocket& socket)
        : socket_(socket), owned_(!socket.busy_.exchange(true, std::memory_order_acquire)) {
        if (!owned_) socket_.Fail(EINPROGRESS);
    }
    ~BusyGuard() {
        if (owned_) socket_.busy_.store(false, std::memory_order_release);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    explicit operator bool() const { return owned_; }

  private:
    CProxySocket& socket_;
    bool owned_;
};

CProxySocket::~CProxySocket() {
    Close();
}

void CProxySocket::ConfigureProxy(int mode, std::string host, int port, std::string user,
                                  std::string password, bool authenticate) {
    if (mode != static_cast<int>(ProxyMode::kSocks4) &&
        mode != static_cast<int>(ProxyMode::kSocks5)) {
        mode_ = ProxyMode::kDirect;
        return;
    }
    mode_ = static_cast<ProxyMode>(mode);
    proxyHost_ = std::move(host);
    proxyPort_ = port;
    proxyUser_ = std::move(user);
    proxyPassword_ = std::move(password);
    proxyAuth_ = authenticate;
}

void CProxySocket::ConfigureProxy(const ProxySettings& s) {
    ConfigureProxy(s.mode, s.host, s.port, s.user, s.password, s.authenticate);
}

bool CProxySocket::Create() {
    Close();
    return ReopenFor(AF_INET);
}

bool CProxySocket::ReopenFor(int family) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        Fail(errno);
        family_ = 0;
        return false;
    }
    family_ = family;
    return true;
}

void CProxySocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    family_ = 0;
    viaProxy_ = false;
}

long long CProxySocket::DeadlineMs() const {
    if (timeoutSeconds_ < 0) return -1;
    return NowMs() + static_cast<long long>(timeoutSeconds_) * 1000;
}

bool CProxySocket::StopRequested() const {
    if (stopFlag_ && stopFlag_->load(std::memory_order_relaxed)) return true;
    return stopEvent_ && stopEvent_->IsSet();
}

CProxySocket::Wait CProxySocket::WaitFor(short events, long long deadlineMs) {
    const bool hasStop = stopEvent_ || stopFlag_;
    for (;;) {
        if (StopRequested()) {
            stopped_ = true;
            Fail(ECANCELED);
            return Wait::kStopped;
        }
        long long wait = -1;
        if (deadlineMs >= 0) wait = std::max(0LL, deadlineMs - NowMs());
        if (hasStop && (wait < 0 || wait > kStopPollMilliseconds)) wait = kStopPollMilliseconds;
        if (wait > INT_MAX) wait = INT_MAX;
        pollfd p{fd_, events, 0};
        int rc = ::poll(&p, 1, static_cast<int>(wait));
        if (rc > 0) return Wait::kReady;  // errors and hang-ups show in the next call
        if (rc < 0 && errno != EINTR) {
            Fail(errno);
            return Wait::kFailed;
        }
        if (deadlineMs >= 0 && NowMs() >= deadlineMs) {
            timedOut_ = true;
            Fail(ECONNABORTED);
            return Wait::kTimedOut;
        }
    }
}

bool CProxySocket::ConnectAddress(const void* address, unsigned length, int family,
                                  long long deadlineMs) {
    if (family != family_ && !ReopenFor(family)) return false;
    if (::connect(fd_, static_cast<const sockaddr*>(address), length) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) {
        Fail(errno);
        return false;
    }
    if (WaitFor(POLLOUT, deadlineMs) != Wait::kReady) return false;
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
    if (error != 0) {
        Fail(error);
        return false;
    }
    return true;
}

bool CProxySocket::ConnectHost(std::string_view host, int port, long long deadlineMs) {
    if (host.empty() || HasNul(host) || port < 0 || port > 65535) {
        Fail(EINVAL);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    AddrInfoList list;
    const std::string name(host);
    const std::string service = std::to_string(port);
    if (::getaddrinfo(name.c_str(), service.c_str(), &hints, &list.head) != 0 || !list.head) {
        Fail(EINVAL);
        return false;
    }
    bool first = true;
    for (addrinfo* ai = list.head; ai; ai = ai->ai_next) {
        // A socket whose connect failed is not tried again: each address gets a fresh one.
        if (!first && !ReopenFor(ai->ai_family)) return false;
        first = false;
        if (ConnectAddress(ai->ai_addr, ai->ai_addrlen, ai->ai_family, deadlineMs)) return true;
        if (timedOut_ || stopped_) return false;
    }
    return false;
}

bool CProxySocket::Connect(std::string_view host, int port) {
    BusyGuard guard(*this);
    if (!guard) return false;
    timedOut_ = stopped_ = false;
    proxyError_ = ProxyError::kNone;
    viaProxy_ = false;
    if (fd_ < 0) {
        Fail(ENOTSOCK);
        return false;
    }
    const long long deadline = DeadlineMs();
    if (mode_ == ProxyMode::kDirect) return ConnectHost(host, port, deadline);

    // The proxy is given an IPv4 address: resolve the target here, before contacting it.
    if (host.empty() || HasNul(host) || port < 0 || port > 65535) {
        Fail(EINVAL);
        return false;
    }
    const std::string name(host);
    in_addr target{};
    if (::inet_pton(AF_INET, name.c_str(), &target) != 1) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        AddrInfoList list;
        if (::getaddrinfo(name.c_str(), nullptr, &hints, &list.head) != 0 || !list.head) {
            Fail(EINVAL);
            return false;
        }
        target = reinterpret_cast<const sockaddr_in*>(list.head->ai_addr)->sin_addr;
    }

    if (!ConnectHost(proxyHost_, proxyPort_, deadline)) {
        proxyError_ = ProxyError::kProxyUnreachable;
        return false;
    }
    targetIp_ = target.s_addr;
    targetPort_ = port;
    const bool ok =
        mode_ == ProxyMode::kSocks4 ? Socks4Handshake(deadline) : Socks5Handshake(deadline);
    viaProxy_ = ok;
    return ok;
}

bool CProxySocket::Socks4Handshake(long long deadlineMs) {
    unsigned char request[9] = {kSocks4Version,
                                kCommandConnect,
                                static_cast<unsigned char>(targetPort_ >> 8),
                                static_cast<unsigned char>(targetPort_ & 0xFF),
                                0,
                                0,
                                0,
                                0,
                                0};  // empty user id
    std::memcpy(request + 4, &targetIp_, 4);
    long sent = 0;
    unsigned char reply[8];
    if (!SendAll(request, sizeof request, deadlineMs, sent) ||
        !ReceiveExact(reply, sizeof reply, deadlineMs)) {
        proxyError_ = ProxyError::kHandshakeFailed;
        return false;
    }
    if (reply[1] != kSocks4Granted) {
        Fail(ECONNREFUSED);
        proxyError_ = ProxyError::kHandshakeFailed;
        return false;
    }
    return true;
}

bool CProxySocket::Socks5Handshake(long long deadlineMs) {
    const unsigned char withAuth[] = {kSocks5Version, 2, kMethodUserPassword, kMethodNone};
    const unsigned char withoutAuth[] = {kSocks5Version, 1, kMethodNone};
    long sent = 0;
    const bool greeted = proxyAuth_ ? SendAll(withAuth, sizeof withAuth, deadlineMs, sent)
                                    : SendAll(withoutAuth, sizeof withoutAuth, deadlineMs, sent);
    unsigned char choice[2];
    if (!greeted || !ReceiveExact(choice, sizeof choice, deadlineMs)) {
        proxyError_ = ProxyError::kHandshakeFailed;
        return false;
    }
    switch (choice[1]) {
        case kMethodNone:
            break;
        case kMethodUserPassword:
            if (!proxyAuth_) {
                Fail(EACCES);
                proxyError_ = ProxyError::kAuthenticationRequired;
                return false;
            }
            if (!Socks5Authenticate(deadlineMs)) {
                proxyError_ = ProxyError::kAuthenticationFailed;
                return false;
            }
            break;
        case kMethodNoneAcceptable:
            Fail(ECONNREFUSED);
            proxyError_ = ProxyError::kNoAcceptableMethod;
            return false;
        default:
            Fail(EPROTO);
            proxyError_ = ProxyError::kUnofferedMethod;
            return false;
    }

    unsigned char request[10] = {kSocks5Version, kCommandConnect, 0, kAddressIpv4};
    std::memcpy(request + 4, &targetIp_, 4);
    request[8] = static_cast<unsigned char>(targetPort_ >> 8);
    request[9] = static_cast<unsigned char>(targetPort_ & 0xFF);
    unsigned char head[4];
    if (!SendAll(request, sizeof request, deadlineMs, sent) ||
        !ReceiveExact(head, sizeof head, deadlineMs)) {
        proxyError_ = ProxyError::kHandshakeFailed;
        return false;
    }
    if (head[1] != 0) {
        Fail(ECONNREFUSED);
        proxyError_ = ProxyError::kHandshakeFailed;
        return false;
    }
    // The reply ends with the proxy's bound address, whose length its type gives; all of it
    // is read so that the server's first bytes are not taken for part of it (or the reverse).
    std::size_t rest = 0;
    switch (head[3]) {
        case kAddressIpv4:
            rest = 4 + 2;
            break;
        case kAddressIpv6:
            rest = 16 + 2;
            break;
        case kAddressDomain: {
            unsigned char len = 0;
            if (!ReceiveExact(&len, 1, deadlineMs)) {
                proxyError_ = ProxyError::kHandshakeFailed;
                return false;
            }
            rest = std::size_t{len} + 2;
            break;
        }
        default:
            Fail(EPROTO);
            proxyError_ = ProxyError::kHandshakeFailed;
            return false;
    }
    unsigned char bound[255 + 2];
    if (!ReceiveExact(bound, rest, deadlineMs)) {
        proxyError_ = ProxyError::kHandshakeFailed;
        return false;
    }
    return true;
}

bool CProxySocket::Socks5Authenticate(long long deadlineMs) {
    // The lengths travel in one byte each: longer values cannot be sent at all.
    if (proxyUser_.size() > kMaxCredentialBytes || proxyPassword_.size() > kMaxCredentialBytes) {
        Fail(EINVAL);
        return false;
    }
    std::vector<unsigned char> request;
    request.reserve(3 + proxyUser_.size() + proxyPassword_.size());
    request.push_back(kUserPasswordVersion);
    request.push_back(static_cast<unsigned char>(proxyUser_.size()));
    request.insert(request.end(), proxyUser_.begin(), proxyUser_.end());
    request.push_back(static_cast<unsigned char>(proxyPassword_.size()));
    request.insert(request.end(), proxyPassword_.begin(), proxyPassword_.end());
    long sent = 0;
    unsigned char reply[2];
    if (!SendAll(request.data(), request.size(), deadlineMs, sent) ||
        !ReceiveExact(reply, sizeof reply, deadlineMs)) {
        return false;
    }
    if (reply[1] != 0) {
        Fail(EACCES);
        return false;
    }
    return true;
}

bool CProxySocket::SendAll(const void* data, std::size_t length, long long deadlineMs, long& sent) {
    const char* p = static_cast<const char*>(data);
    sent = 0;
    while (static_cast<std::size_t>(sent) < length) {
        // MSG_NOSIGNAL: a peer that has gone away is an error here, not a SIGPIPE.
        ssize_t n = ::send(fd_, p + sent, length - static_cast<std::size_t>(sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            Fail(errno);
            return false;
        }
        if (WaitFor(POLLOUT, deadlineMs) != Wait::kReady) return false;
    }
    return true;
}

long CProxySocket::ReceiveSome(void* buffer, std::size_t capacity, long long deadlineMs) {
    for (;;) {
        ssize_t n = ::recv(fd_, buffer, capacity, 0);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            Fail(errno);
            return -1;
        }
        if (WaitFor(POLLIN, deadlineMs) != Wait::kReady) return -1;
    }
}

bool CProxySocket::ReceiveExact(void* buffer, std::size_t length, long long deadlineMs) {
    auto* p = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < length) {
        long n = ReceiveSome(p + got, length - got, deadlineMs);
        if (n < 0) return false;
        if (n == 0) {
            Fail(ECONNRESET);  // closed in mid-handshake
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

long CProxySocket::Send(const void* data, std::size_t length) {
    BusyGuard guard(*this);
    if (!guard) return -1;
    timedOut_ = stopped_ = false;
    if (fd_ < 0) {
        Fail(ENOTCONN);
        return -1;
    }
    long sent = 0;
    return SendAll(data, length, DeadlineMs(), sent) ? sent : -1;
}

long CProxySocket::Receive(void* buffer, std::size_t capacity) {
    BusyGuard guard(*this);
    if (!guard) return -1;
    timedOut_ = stopped_ = false;
    if (fd_ < 0) {
        Fail(ENOTCONN);
        return -1;
    }
    if (capacity == 0) {
        Fail(EINVAL);
        return -1;
    }
    return ReceiveSome(buffer, capacity, DeadlineMs());
}

bool CProxySocket::GetPeerName(std::string& address, int& port) const {
    if (fd_ < 0) return false;
    char text[INET6_ADDRSTRLEN] = {};
    if (viaProxy_) {
        in_addr a{};
        a.s_addr = targetIp_;
        if (!::inet_ntop(AF_INET, &a, text, sizeof text)) return false;
        address = text;
        port = targetPort_;
        return true;
    }
    // Through a proxy whose handshake failed the only peer is the proxy: no target to name.
    if (mode_ != ProxyMode::kDirect) return false;
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return false;
    char service[16] = {};
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&peer), len, text, sizeof text, service,
                      sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return false;
    }
    address = text;
    port = std::atoi(service);
    return true;
}

}  // namespace brevio::net
