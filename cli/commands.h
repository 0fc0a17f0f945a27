// Command registry of brevio-cli. Each cmd_*.cpp file registers its commands with
// BREVIO_COMMAND; main.cpp dispatches on the first argument.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace brevio::cli {

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Arguments after the command name, as UTF-8 text.
using Args = std::vector<std::string>;
using CommandFn = std::function<int(const Args&)>;

struct Command {
    std::string name;   // first word, e.g. "settings"
    std::string usage;  // usage lines (ASCII), shown by "help"
    CommandFn run;
};

bool RegisterCommand(Command command);
const std::vector<Command>& Commands();

// This front end is compiled like the core: its literals are GBK, and so is every text it
// handles; arguments arrive as UTF-8 (convert with ToGbk) and output leaves as UTF-8.
void PrintGbk(const std::string& gbk);      // to stdout, followed by nothing
void PrintLineGbk(const std::string& gbk);  // to stdout with "\n"
void ErrorLine(const std::string& gbk);     // "brevio-cli: <text>\n" to stderr
std::string ToGbk(const std::string& utf8);
std::string ToUtf8(const std::string& gbk);
// Prints a usage message for the command to stderr and returns kExitUsage.
int Usage(const std::string& commandName);

// Small argument parsing helpers. Numbers on the command line are decimal: an optional "-"
// and digits, nothing else ("010" is ten; "0x10", "1e3", " 5" and "+5" are refused), within
// the range of long long; callers check their own narrower range.
bool ParseInt(const std::string& text, long long& value);

}  // namespace brevio::cli

#define BREVIO_CLI_CONCAT2(a, b) a##b
#define BREVIO_CLI_CONCAT(a, b) BREVIO_CLI_CONCAT2(a, b)
#define BREVIO_COMMAND(name, usage, fn)                          \
    static const bool BREVIO_CLI_CONCAT(registered_, __LINE__) = \
        ::brevio::cli::RegisterCommand({name, usage, fn})
