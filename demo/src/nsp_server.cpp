#include "nsp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "log.h"
#include "text_util.h"

namespace brevio::demo {
namespace {

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads until `done` says the buffer is complete, the peer closes, a read times out or the
// buffer would pass `limit` bytes. False unless `done` was satisfied.
template <typename Done>
bool ReadUntil(int fd, std::string& buffer, std::size_t limit, Done done) {
    char chunk[4096];
    while (!done(buffer)) {
        if (buffer.size() >= limit) return false;
        ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

std::string LogValue(const NspRequest& r, std::string_view name) {
    const std::string* v = r.Header(name);
    return v ? " " + std::string(name) + ":" + ToUtf8(*v) : std::string();
}

}  // namespace

NspServer::~NspServer() {
    Stop();
}

bool NspServer::Bind(int port, std::string& error) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 32) != 0) {
        error = "NSP port " + std::to_string(port) + ": " + std::strerror(errno);
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

void NspServer::Start() {
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

void NspServer::Stop() {
    stopping_ = true;
    if (acceptThread_.joinable()) acceptThread_.join();
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return active_ == 0; });
}

void NspServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        int ready = poll(&p, 1, 200);
        if (ready <= 0) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        timeval tv{kIoTimeoutSeconds, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (active_ >= maxConnections_) {
                // Take the request off the wire first (waiting briefly at most): closing a
                // socket with unread input resets it, and the peer could lose the answer.
                timeval brief{0, 200 * 1000};
                setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &brief, sizeof brief);
                std::string ignored;
                ReadUntil(fd, ignored, kMaxHeadBytes, [](const std::string& b) {
                    return b.find("\r\n\r\n") != std::string::npos;
                });
                SendAll(fd, NspService::Busy().bytes);
                shutdown(fd, SHUT_WR);
                close(fd);
                LogLine("nsp: connection refused, " + std::to_string(active_) + " busy");
                continue;
            }
            ++active_;
        }
        std::thread([this, fd] {
            Serve(fd);
            close(fd);
            std::lock_guard<std::mutex> lock(mutex_);
            --active_;
            idle_.notify_all();
        }).detach();
    }
}

void NspServer::Serve(int fd) const {
    std::string buffer;
    std::size_t headEnd = std::string::npos;
    bool gotHead = ReadUntil(fd, buffer, kMaxHeadBytes, [&](const std::string& b) {
        headEnd = b.find("\r\n\r\n");
        return headEnd != std::string::npos;
    });
    NspRequest request;
    if (!gotHead || !ParseRequestHead(std::string_view(buffer).substr(0, headEnd), request)) {
        if (!buffer.empty()) {
            SendAll(fd, NspService::Malformed().bytes);
            LogLine("nsp: malformed request -> 400");
        }
        return;
    }
    std::string body = buffer.substr(headEnd + 4);
    if (const std::string* length = request.Header("CONTENT-LENGTH")) {
        auto want = ParseDecimal(TrimSpace(*length));
        if (!want || *want > static_cast<long long>(kMaxBodyBytes) ||
            !ReadUntil(fd, body, kMaxBodyBytes, [&](const std::string& b) {
                return b.size() >= static_cast<std::size_t>(*want);
            })) {
            SendAll(fd, NspService::Malformed().bytes);
            LogLine("nsp: " + ToUtf8(request.command) + " with a bad body -> 400");
            return;
        }
        body.resize(static_cast<std::size_t>(*want));
    }
    request.body = std::move(body);

    NspReply reply = service_.Handle(request);
    SendAll(fd, reply.bytes);
    shutdown(fd, SHUT_WR);
    LogLine("nsp: " + ToUtf8(request.command) + " " + ToUtf8(request.protocol) +
            LogValue(request, "USERID") + LogValue(request, "CLASSIFY") +
            LogValue(request, "TYPE") + " -> " + reply.summary);
}

}  // namespace brevio::demo
