#include "integration/export_peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace brevio::test {
namespace {

namespace fs = std::filesystem;

long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
    }
    close(fd);
    return port;
}

// A program in PATH, /usr/sbin or /sbin; empty when missing.
std::string FindInPath(const std::string& name) {
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos) end = path.size();
        const std::string candidate = path.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

bool IsRoot() {
    return geteuid() == 0;
}

}  // namespace

CommandRun RunCommand(const std::vector<std::string>& argv, int timeoutMs) {
    CommandRun run;
    if (argv.empty()) return run;
    const std::string program = argv[0].find('/') == std::string::npos ? FindInPath(argv[0]) : argv[0];
    if (program.empty()) {
        run.output = argv[0] + ": not found";
        return run;
    }
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return run;
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        std::vector<std::string> copy = argv;
        copy[0] = program;
        std::vector<char*> args;
        for (auto& a : copy) args.push_back(a.data());
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    const long long deadline = NowMs() + timeoutMs;
    int status = 0;
    bool exited = false;
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        const int wait = static_cast<int>(std::max<long long>(0, std::min<long long>(100, deadline - NowMs())));
        if (poll(&p, 1, wait) > 0) {
            char buf[4096];
            ssize_t n = read(out[0], buf, sizeof buf);
            if (n > 0) {
                run.output.append(buf, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0 && exited) break;
        }
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
        if (exited && poll(&p, 1, 0) <= 0) break;  // a daemon it started may keep the pipe
        if (NowMs() >= deadline) break;
    }
    close(out[0]);
    if (!exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return run;
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// ---- PostgreSQL ---------------------------------------------------------------------------

std::string PostgresServer::BinFolder() {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        if (fs::exists(e.path() / "bin" / "initdb")) found.push_back(e.path() / "bin");
    }
    if (!found.empty()) {
        std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
            return std::atoi(a.parent_path().filename().c_str()) <
                   std::atoi(b.parent_path().filename().c_str());
        });
        return found.back().string() + "/";
    }
    const std::string initdb = FindInPath("initdb");
    if (initdb.empty() || FindInPath("pg_ctl").empty() || FindInPath("psql").empty()) return {};
    return initdb.substr(0, initdb.rfind('/') + 1);
}

std::string PostgresServer::OdbcDriver() {
    std::error_code ec;
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc",
                            "/usr/lib/odbc", "/usr/lib64", "/usr/local/lib"}) {
        const fs::path p = fs::path(dir) / "psqlodbca.so";
        if (fs::exists(p, ec)) return p.string();
    }
    for (const auto& e : fs::directory_iterator("/usr/lib", ec)) {
        const fs::path p = e.path() / "odbc" / "psqlodbca.so";
        if (fs::exists(p, ec)) return p.string();
    }
    return {};
}

PostgresServer::~PostgresServer() {
    if (running_) Kill();
    if (!folder_.empty()) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
}

CommandRun PostgresServer::AsServerUser(const std::vector<std::string>& argv, int timeoutMs) const {
    if (!IsRoot()) return RunCommand(argv, timeoutMs);
    std::vector<std::string> wrapped;
    if (!FindInPath("runuser").empty()) {
        wrapped = {"runuser", "-u", "postgres", "--"};
        wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    } else {
        std::string line;
        for (const std::string& a : argv) line += "'" + a + "' ";
        wrapped = {"su", "postgres", "-s", "/bin/sh", "-c", line};
    }
    return RunCommand(wrapped, timeoutMs);
}

bool PostgresServer::Start(std::string& error, bool durable) {
    durable_ = durable;
    const std::string bin = BinFolder();
    if (bin.empty()) {
        error = "PostgreSQL is not installed (initdb, pg_ctl, psql)";
        return false;
    }
    std::string tmpl = (fs::temp_directory_path() / "brevio-pg-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        error = "mkdtemp failed";
        return false;
    }
    folder_ = tmpl + "/";
    if (IsRoot()) {
        passwd* pw = getpwnam("postgres");
        if (!pw || chown(tmpl.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            error = "no postgres user to run the server as";
            return false;
        }
    }
    CommandRun init = AsServerUser({bin + "initdb", "-D", folder_ + "data", "-A", "trust", "-U",
                                    "postgres", "-E", "UTF8", "--locale=C", "--no-sync"});
    if (init.exitCode != 0) {
        error = "initdb failed: " + init.output;
        return false;
    }
    port_ = FreeLoopbackPort();
    if (!StartServer(error)) return false;
    CommandRun create = RunCommand({bin + "psql", "-X", "-q", "-h", "127.0.0.1", "-p",
                                    std::to_string(port_), "-U", "postgres", "-d", "postgres", "-c",
                                    "create database brevio"});
    if (create.exitCode != 0) {
        error = "create database failed: " + create.output;
        return false;
    }
    return true;
}

bool PostgresServer::StartServer(std::string& error) {
    std::string options = "-p " + std::to_string(port_) + " -k " + folder_ +
                          " -c listen_addresses=127.0.0.1";
    // Without flushes to disk; a commit still reaches the log, so an immediate stop (the
    // server killed, not the machine) loses nothing committed.
    if (!durable_) options += " -c fsync=off -c full_page_writes=off";
    CommandRun start = AsServerUser({BinFolder() + "pg_ctl", "-D", folder_ + "data", "-l",
                                     folder_ + "server.log", "-w", "-t", "60", "-o", options,
                                     "start"});
    if (start.exitCode != 0) {
        std::ifstream log(folder_ + "server.log");
        std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        error = "pg_ctl start failed: " + start.output + text;
        return false;
    }
    running_ = true;
    return true;
}

bool PostgresServer::Stop() {
    if (!running_) return true;
    running_ = AsServerUser({BinFolder() + "pg_ctl", "-D", folder_ + "data", "-m", "fast", "-w",
                             "stop"})
                   .exitCode != 0;
    return !running_;
}

bool PostgresServer::Kill() {
    if (!running_) return true;
    running_ = AsServerUser({BinFolder() + "pg_ctl", "-D", folder_ + "data", "-m", "immediate",
                             "-w", "stop"})
                   .exitCode != 0;
    return !running_;
}

bool PostgresServer::Restart(std::string& error) {
    if (running_) return true;
    return StartServer(error);
}

bool PostgresServer::Sql(const std::string& sql, std::string* out, std::string* error) const {
    CommandRun run = RunCommand({BinFolder() + "psql", "-X", "-q", "-A", "-t", "-F", "\t",
                                 "-v", "ON_ERROR_STOP=1", "-h", "127.0.0.1", "-p",
                                 std::to_string(port_), "-U", "postgres", "-d", "brevio", "-c",
                                 sql});
    if (run.exitCode != 0) {
        if (error) *error = run.output;
        return false;
    }
    if (out) *out = run.output;
    return true;
}

bool PostgresServer::DefineDataSource(const std::string& name, std::string& error) {
    const std::string driver = OdbcDriver();
    if (driver.empty()) {
        error = "psqlODBC (odbc-postgresql) is not installed";
        return false;
    }
    const std::string path = folder_ + "odbc.ini";
    std::ofstream ini(path, std::ios::trunc);
    ini << "[" << name << "]\n"
        << "Driver=" << driver << "\n"
        << "Servername=127.0.0.1\n"
        << "Port=" << port_ << "\n"
        << "Database=brevio\n"
        << "ConnSettings=SET client_encoding TO 'GBK'\n"
        << "Debug=0\nCommLog=0\n";
    ini.close();
    if (!ini) {
        error = "cannot write " + path;
        return false;
    }
    setenv("ODBCINI", path.c_str(), 1);
    return true;
}

// ---- pty pair -----------------------------------------------------------------------------

bool PtyPair::Available() {
    return !FindInPath("socat").empty();
}

PtyPair::~PtyPair() {
    Stop();
}

bool PtyPair::Start(const std::string& folder, std::string& error) {
    const std::string socat = FindInPath("socat");
    if (socat.empty()) {
        error = "socat is not installed";
        return false;
    }
    line_ = folder + "line";
    peer_ = folder + "peer";
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        setpgid(0, 0);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        std::string a = "pty,raw,echo=0,link=" + line_;
        std::string b = "pty,raw,echo=0,link=" + peer_;
        execl(socat.c_str(), "socat", a.c_str(), b.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const long long deadline = NowMs() + 5000;
    std::error_code ec;
    while (!(fs::exists(line_, ec) && fs::exists(peer_, ec))) {
        if (NowMs() > deadline) {
            error = "socat made no pty pair";
            return false;
        }
        usleep(10 * 1000);
    }
    peerFd_ = open(peer_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (peerFd_ < 0) {
        error = "cannot open " + peer_;
        return false;
    }
    termios tio{};
    tcgetattr(peerFd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(peerFd_, TCSANOW, &tio);
    return true;
}

void PtyPair::Stop() {
    if (peerFd_ >= 0) close(peerFd_);
    peerFd_ = -1;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

std::string PtyPair::ReadUntil(const std::string& marker, int count, int timeoutMs,
                               std::size_t max) {
    std::string got;
    auto seen = [&] {
        int n = 0;
        for (std::size_t at = got.find(marker); at != std::string::npos;
             at = got.find(marker, at + marker.size())) {
            ++n;
        }
        return n;
    };
    while (seen() < count && got.size() < max) {
        pollfd p{peerFd_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) break;
        char buf[8192];
        ssize_t n = read(peerFd_, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

std::string PtyPair::ReadFor(int waitMs) {
    std::string got;
    const long long deadline = NowMs() + waitMs;
    for (;;) {
        const long long left = deadline - NowMs();
        if (left <= 0) break;
        pollfd p{peerFd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char buf[8192];
        ssize_t n = read(peerFd_, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

}  // namespace brevio::test
