// brevio-cli: the headless front end. Usage: brevio-cli [--home DIR] COMMAND [ARGS]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "platform/host.h"
#include "platform/text.h"

namespace brevio::cli {
namespace {

std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

void PrintHelp() {
    std::printf("usage: brevio-cli [--home DIR] COMMAND [ARGS]\n\ncommands:\n");
    std::printf("  help [COMMAND]                      this list, or the usage of one command\n");
    for (const auto& c : Registry()) std::printf("%s\n", c.usage.c_str());
}

// help [COMMAND]
int Help(const Args& args) {
    if (args.empty()) {
        PrintHelp();
        return kExitOk;
    }
    if (args.size() == 1) {
        for (const auto& c : Registry()) {
            if (c.name == args[0]) {
                std::printf("%s\n", c.usage.c_str());
                return kExitOk;
            }
        }
        ErrorLine("unknown command " + ToGbk(args[0]));
    }
    std::fprintf(stderr, "usage: brevio-cli help [COMMAND]\n");
    return kExitUsage;
}

}  // namespace

bool RegisterCommand(Command command) {
    Registry().push_back(std::move(command));
    return true;
}

const std::vector<Command>& Commands() {
    return Registry();
}

void PrintGbk(const std::string& gbk) {
    std::string u = platform::GbkToUtf8(gbk);
    std::fwrite(u.data(), 1, u.size(), stdout);
}

void PrintLineGbk(const std::string& gbk) {
    PrintGbk(gbk);
    std::fputc('\n', stdout);
}

void ErrorLine(const std::string& gbk) {
    std::fprintf(stderr, "brevio-cli: %s\n", platform::GbkToUtf8(gbk).c_str());
}

std::string ToGbk(const std::string& utf8) {
    return platform::Utf8ToGbk(utf8);
}
std::string ToUtf8(const std::string& gbk) {
    return platform::GbkToUtf8(gbk);
}

int Usage(const std::string& commandName) {
    for (const auto& c : Registry()) {
        if (c.name == commandName) std::fprintf(stderr, "usage:\n%s\n", c.usage.c_str());
    }
    return kExitUsage;
}

bool ParseInt(const std::string& text, long long& value) {
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits) return false;
    for (std::size_t i = digits; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    errno = 0;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0;
}

}  // namespace brevio::cli

int main(int argc, char** argv) {
    using namespace brevio::cli;
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        if (std::strcmp(argv[i], "--home") == 0) {
            if (i + 1 >= argc) {
                ErrorLine("--home needs a folder");
                return kExitUsage;
            }
            setenv("BREVIO_HOME", argv[i + 1], 1);
            i += 2;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintHelp();
            return kExitOk;
        } else {
            ErrorLine("unknown option " + ToGbk(argv[i]));
            return kExitUsage;
        }
    }
    if (i >= argc) {
        PrintHelp();
        return kExitUsage;
    }
    std::string name = argv[i];
    Args args(argv + i + 1, argv + argc);
    if (name == "help") return Help(args);
    for (const auto& c : Commands()) {
        if (c.name == name) {
            int rc = c.run(args);
            std::fflush(stdout);
            return rc;
        }
    }
    ErrorLine("unknown command " + ToGbk(name) + " (try: brevio-cli help)");
    return kExitUsage;
}
