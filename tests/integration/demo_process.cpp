#include "integration/demo_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace brevio::test {
namespace {

// Reads both pipes until both close (or timeoutMs passes without a byte).
void Drain(int outFd, int errFd, std::string& out, std::string& err, int timeoutMs) {
    pollfd p[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (poll(p, 2, timeoutMs) <= 0) break;
        for (int i = 0; i < 2; ++i) {
            if (p[i].fd < 0 || !(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            ssize_t n = read(p[i].fd, buf, sizeof buf);
            if (n <= 0) {
                p[i].fd = -1;
                --open;
            } else {
                (i == 0 ? out : err).append(buf, static_cast<std::size_t>(n));
            }
        }
    }
}

}  // namespace

DemoServer::~DemoServer() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool DemoServer::Start(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) return false;
    args.insert(args.begin(), {BREVIO_DEMO_SERVER, "--nsp-port", "0", "--http-port", "0", "--quiet",
                               "--exit-after", "300"});
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    while (text.find("http-port") == std::string::npos ||
           text.find('\n', text.find("http-port")) == std::string::npos) {
        pollfd p{out[0], POLLIN, 0};
        char buf[256];
        ssize_t n = poll(&p, 1, 10000) == 1 ? read(out[0], buf, sizeof buf) : -1;
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    return std::sscanf(text.c_str(), "nsp-port %d\nhttp-port %d", &nspPort_, &httpPort_) == 2;
}

int DemoServer::Stop() {
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        usleep(50 * 1000);
    }
    return -1;
}

ProgramRun RunProgram(const std::vector<std::string>& args, int timeoutMs) {
    ProgramRun run;
    int out[2], err[2];
    if (args.empty() || pipe(out) != 0) return run;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        std::vector<std::string> copy = args;
        std::vector<char*> argv;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Drain(out[0], err[0], run.out, run.err, timeoutMs);
    close(out[0]);
    close(err[0]);
    int status = 0;
    for (int i = 0; i < timeoutMs / 20 + 1; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return run;
        }
        usleep(20 * 1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    run.exitCode = -1;
    return run;
}

int RunAndKill(const std::vector<std::string>& args, int killAfterMs) {
    if (args.empty()) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<std::string> copy = args;
        std::vector<char*> argv;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) return -1;
    int status = 0;
    for (int waited = 0; waited < killAfterMs; ++waited) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        usleep(1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace brevio::test
