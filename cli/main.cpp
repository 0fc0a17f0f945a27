// brevio-cli: the headless front end. Usage: brevio-cli [--home DIR] COMMAND [ARGS]
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

// Message boxes of the core go to stderr; without a terminal the default button is taken.
class StderrMessageBoxes : public platform::MessageBoxSink {
  public:
    int Show(std::string_view text, std::string_view title, Icon, Buttons buttons) override {
        std::fprintf(stderr, "[%s] %s\n", platform::GbkToUtf8(title).c_str(),
                     platform::GbkToUtf8(text).c_str());
        return buttons == kYesNo || buttons == kYesNoCancel ? kYes : kOk;
    }
};

void PrintHelp() {
    std::printf("usage: brevio-cli [--home DIR] COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& c : Registry()) std::printf("%s\n", c.usage.c_str());
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
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0';
}

}  // namespace brevio::cli

int main(int argc, char** argv) {
    using namespace brevio::cli;
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        if (std::strcmp(argv[i], "--home") == 0 && i + 1 < argc) {
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
    static StderrMessageBoxes boxes;
    brevio::platform::SetMessageBoxes(&boxes);
    std::string name = argv[i];
    if (name == "help") {
        PrintHelp();
        return kExitOk;
    }
    Args args(argv + i + 1, argv + argc);
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
