// The demo news server as a child process on free loopback ports, for integration tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace brevio::test {

class DemoServer {
  public:
    DemoServer() = default;
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;
    ~DemoServer();

    // Starts the server on free ports with the extra arguments (quiet, stopping by itself
    // after five minutes) and reads the ports it prints; false on failure.
    bool Start(std::vector<std::string> args);
    // Sends SIGTERM and waits up to five seconds; the exit status, or -1 when the server
    // did not end by itself.
    int Stop();

    int NspPort() const { return nspPort_; }
    int HttpPort() const { return httpPort_; }

  private:
    pid_t pid_ = 0;
    int nspPort_ = 0;
    int httpPort_ = 0;
};

// A finished program: exit code (-1 when it was killed or did not end in time) and output.
struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs argv (argv[0] a full path) to its end, at most timeoutMs.
ProgramRun RunProgram(const std::vector<std::string>& args, int timeoutMs = 60000);

// Starts argv (output discarded) and kills it with SIGKILL after killAfterMs unless it ended
// before: its exit code then, or -1 when it was killed.
int RunAndKill(const std::vector<std::string>& args, int killAfterMs);

}  // namespace brevio::test
