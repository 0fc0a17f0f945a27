// Real peers for the export tests and benchmarks: a PostgreSQL server made in a temporary
// folder (initdb and pg_ctl, run as the postgres user when the tests run as root) with an
// ODBC data source for it through psqlODBC, and a pty pair made by socat that stands in for
// a serial line. Both are stopped and removed by their destructors.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace brevio::test {

// A finished command: exit code (-1 when it did not end normally) and its output.
struct CommandRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};
// Runs argv (argv[0] looked up in PATH when it has no "/") to its end, at most timeoutMs.
CommandRun RunCommand(const std::vector<std::string>& argv, int timeoutMs = 120000);

class PostgresServer {
  public:
    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // The folder of initdb, pg_ctl and psql; empty when PostgreSQL is not installed.
    static std::string BinFolder();
    // The psqlODBC driver (ANSI); empty when it is not installed.
    static std::string OdbcDriver();

    // Makes a cluster in a new temporary folder, starts it on a free loopback port and creates
    // the database "brevio". `durable` keeps the server's flushes to disk (benchmarks); the
    // tests run without them. False with the reason in `error`.
    bool Start(std::string& error, bool durable = false);
    // Stops the server the fast way, or kills it at once (every connection drops).
    bool Stop();
    bool Kill();
    // Starts the stopped server again on the same port.
    bool Restart(std::string& error);
    int Port() const { return port_; }

    // Runs SQL in the database "brevio" through psql; the rows (fields tab-separated, UTF-8)
    // in `out`. False with psql's message in `error`.
    bool Sql(const std::string& sql, std::string* out = nullptr, std::string* error = nullptr) const;

    // Writes an odbc.ini with the data source `name` for this server (ANSI driver, client
    // encoding GBK) into the folder and points ODBCINI at it.
    bool DefineDataSource(const std::string& name, std::string& error);

  private:
    CommandRun AsServerUser(const std::vector<std::string>& argv, int timeoutMs = 120000) const;
    bool StartServer(std::string& error);

    std::string folder_;  // ends in "/"
    int port_ = 0;
    bool running_ = false;
    bool durable_ = false;
};

class PtyPair {
  public:
    PtyPair() = default;
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    static bool Available();  // socat is installed

    // Starts socat with two linked ptys in `folder` (ends in "/"): "line" for the program
    // under test and "peer" for the test, and opens the peer end raw. False with a reason.
    bool Start(const std::string& folder, std::string& error);
    void Stop();

    const std::string& LinePath() const { return line_; }
    // Reads what arrived at the peer end until `marker` has been seen `count` times (or
    // `max` bytes, or timeoutMs without a byte).
    std::string ReadUntil(const std::string& marker, int count, int timeoutMs = 5000,
                          std::size_t max = std::string::npos);
    // Reads whatever arrives within waitMs.
    std::string ReadFor(int waitMs);

  private:
    pid_t pid_ = -1;
    int peerFd_ = -1;
    std::string line_, peer_;
};

}  // namespace brevio::test
