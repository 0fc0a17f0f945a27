#include "unit/net_protocol/loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace brevio::net::test {

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool WaitReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        int rc = ::poll(&p, 1, timeoutMs);
        if (rc < 0 && errno == EINTR) continue;
        return rc > 0;
    }
}

long long NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool PortAccepts(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in a = Loopback(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
    }
    if (fd >= 0) ::close(fd);
    return port;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string Read(int fd, std::size_t max, std::string_view marker, int timeoutMs) {
    std::string out;
    const long long end = NowMs() + timeoutMs;
    while (out.size() < max && (marker.empty() || out.find(marker) == std::string::npos)) {
        long long left = end - NowMs();
        if (left <= 0 || !WaitReadable(fd, static_cast<int>(left))) break;
        // Byte by byte when looking for a marker, so that nothing after it is consumed.
        char buf[65536];
        std::size_t want = marker.empty() ? std::min(sizeof buf, max - out.size()) : 1;
        ssize_t got = ::recv(fd, buf, want, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        out.append(buf, static_cast<std::size_t>(got));
    }
    return out;
}

void CloseWithReset(int fd) {
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        throw std::runtime_error("loopback server: cannot listen");
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
}

void LoopbackServer::Run() {
    while (!stopping_) {
        if (!WaitReadable(listenFd_, 50)) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted_;
        handler_(fd);
        ::close(fd);
    }
}

bool Trickle(int fd, std::string_view bytes, std::size_t piece, int pauseMs,
             const LoopbackServer& server) {
    while (!bytes.empty()) {
        if (server.Stopping()) return false;
        std::string_view now = bytes.substr(0, std::max<std::size_t>(piece, 1));
        if (!WriteAll(fd, now)) return false;
        bytes.remove_prefix(now.size());
        ::usleep(static_cast<useconds_t>(pauseMs) * 1000);
    }
    return true;
}

void WaitWhileRunning(const LoopbackServer& server, int timeoutMs) {
    const long long end = NowMs() + timeoutMs;
    while (!server.Stopping() && NowMs() < end) ::usleep(20 * 1000);
}

std::string FindProgram(const std::string& name) {
    std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
    dirs += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::stringstream in(dirs);
    std::string dir;
    while (std::getline(in, dir, ':')) {
        if (dir.empty()) continue;
        std::string path = dir + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
}

ProxyProcess::~ProxyProcess() {
    Stop();
}

bool ProxyProcess::Start(const std::vector<std::string>& argv, int port,
                         const std::string& logPath) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) {
        error_ = "fork failed";
        return false;
    }
    if (pid_ == 0) {
        ::setpgid(0, 0);
        int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::setpgid(pid_, pid_);
    const long long end = NowMs() + 5000;
    while (NowMs() < end) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = argv[0] + " exited at start; its output:\n" + ReadText(logPath);
            return false;
        }
        if (PortAccepts(port)) return true;
        ::usleep(20 * 1000);
    }
    error_ = argv[0] + " does not listen on its port; its output:\n" + ReadText(logPath);
    Stop();
    return false;
}

void ProxyProcess::Stop() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGTERM);
    // Wait for the leader without reaping it, so that its id (the group's) stays reserved
    // until the rest of the group is ended.
    const long long end = NowMs() + 3000;
    siginfo_t info{};
    for (;;) {
        info.si_pid = 0;
        if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
            info.si_pid == pid_ || NowMs() > end) {
            break;
        }
        ::usleep(10 * 1000);
    }
    ::kill(-pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

::testing::AssertionResult StartMicrosocks(ProxyProcess& proxy, int& port, const std::string& dir,
                                           const std::string& user, const std::string& password) {
    const std::string program = FindProgram("microsocks");
    if (program.empty()) {
        return ::testing::AssertionFailure()
               << "microsocks is not installed (scripts/deps.sh installs it)";
    }
    port = FreePort();
    std::vector<std::string> argv = {program, "-i", "127.0.0.1", "-p", std::to_string(port)};
    if (!user.empty()) {
        argv.insert(argv.end(), {"-u", user, "-P", password});
    }
    if (!proxy.Start(argv, port, dir + "microsocks.log")) {
        return ::testing::AssertionFailure() << proxy.Error();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult StartDante(ProxyProcess& proxy, int& port, const std::string& dir) {
    const std::string program = FindProgram("danted");
    if (program.empty()) {
        return ::testing::AssertionFailure()
               << "danted is not installed (scripts/deps.sh installs dante-server)";
    }
    port = FreePort();
    // As root the server switches to nobody for unprivileged work; as another user it stays
    // that user throughout.
    std::string privileged = "root", unprivileged = "nobody";
    if (::geteuid() != 0) {
        const passwd* pw = ::getpwuid(::geteuid());
        privileged = unprivileged = pw ? pw->pw_name : "nobody";
    }
    const std::string conf = dir + "danted.conf";
    std::ofstream(conf) << "logoutput: stderr\n"
                        << "internal: 127.0.0.1 port = " << port << "\n"
                        << "external: 127.0.0.1\n"
                        << "socksmethod: none\n"
                        << "clientmethod: none\n"
                        << "user.privileged: " << privileged << "\n"
                        << "user.unprivileged: " << unprivileged << "\n"
                        << "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                        << "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n";
    if (!proxy.Start({program, "-f", conf, "-N", "1"}, port, dir + "danted.log")) {
        return ::testing::AssertionFailure() << proxy.Error();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace brevio::net::test
