// The commands of the whole client: the headless client `run` and the portal sections.
#include <signal.h>
#include <time.h>

#include <cstdio>
#include <optional>

#include "cli_client.h"
#include "commands.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "portal/config_document.h"
#include "settings/history_cleanup.h"

namespace brevio::cli {
namespace {

struct SectionName {
    const char* name;
    portal::Section section;
};
constexpr SectionName kSectionNames[] = {
    {"radar", portal::Section::kRadar},  {"news", portal::Section::kMyNews},
    {"stock", portal::Section::kMyStock}, {"release", portal::Section::kInformationRelease},
    {"web", portal::Section::kMyWeb},    {"blog", portal::Section::kMyBlog},
    {"email", portal::Section::kMyEmail},
};

std::optional<portal::Section> SectionNamed(const std::string& name) {
    for (const SectionName& s : kSectionNames) {
        if (name == s.name) return s.section;
    }
    return std::nullopt;
}

void PrintSection(client::ClientCore& core, portal::Section section) {
    std::string out = "title\tlink\n";
    for (const portal::PortalItem& item : core.Portal().Items(section)) {
        out += item.title + "\t" + item.link + "\n";
    }
    PrintGbk(out);
}

// portal list SECTION | portal reload SECTION
int Portal(const Args& args) {
    if (args.size() != 2 || (args[0] != "list" && args[0] != "reload")) return Usage("portal");
    std::optional<portal::Section> section = SectionNamed(args[1]);
    if (!section) {
        ErrorLine("no portal section " + ToGbk(args[1]) +
                  " (radar, news, stock, release, web, blog, email)");
        return Usage("portal");
    }
    // The sections are read beside a running client without taking its program folder.
    client::StartOptions options = ShortCommandOptions("brevio-cli portal");
    options.guest = true;
    PrintingObserver observer(false);
    std::unique_ptr<client::ClientCore> core = StartClient(options, observer);
    if (!core) return kExitFailure;
    if (args[0] == "reload") {
        client::SectionReload reload = core->ReloadSection(*section);
        if (reload.result != client::kReloadOk) {
            if (!reload.error.empty()) ErrorLine(reload.error);
            return kExitFailure;
        }
    }
    PrintSection(*core, *section);
    return kExitOk;
}

// Waits for SIGINT or SIGTERM at most `ms` milliseconds; true when one came.
bool WaitForSignal(const sigset_t& signals, long long ms) {
    if (ms < 0) ms = 0;
    timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    return sigtimedwait(&signals, nullptr, &wait) > 0;
}

long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// run [--receive-every MINUTES] [--radar] [--for SECONDS]
int Run(const Args& args) {
    long long everyMinutes = 0, forSeconds = 0;
    bool radar = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--receive-every" && i + 1 < args.size()) {
            if (!ParseInt(args[++i], everyMinutes) || everyMinutes < 1 || everyMinutes > 100000) {
                return Usage("run");
            }
        } else if (args[i] == "--for" && i + 1 < args.size()) {
            if (!ParseInt(args[++i], forSeconds) || forSeconds < 1 || forSeconds > 100000000) {
                return Usage("run");
            }
        } else if (args[i] == "--radar") {
            radar = true;
        } else {
            return Usage("run");
        }
    }
    // The signals that end the run are taken by this thread alone: every thread the core
    // starts inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    client::StartOptions options;
    options.frontEnd = "brevio-cli run";
    options.startRadar = radar;
    PrintingObserver observer(true, true);
    std::unique_ptr<client::ClientCore> core = StartClient(options, observer);
    if (!core) return kExitFailure;
    PrintLineGbk("running as " + core->Settings().userId);
    core->StartCleanup(settings::kCleanupAtStart, nullptr);

    const long long start = NowMs();
    const long long end = forSeconds > 0 ? start + forSeconds * 1000 : -1;
    long long nextReception = start;
    bool signalled = false;
    while (!signalled) {
        const long long now = NowMs();
        if (end >= 0 && now >= end) break;
        if (now >= nextReception) {
            core->Reception().ReceiveAllSelected();
            nextReception = everyMinutes > 0 ? now + everyMinutes * 60000 : -1;
        }
        long long wait = 60000;
        if (nextReception >= 0) wait = std::min(wait, nextReception - now);
        if (end >= 0) wait = std::min(wait, end - now);
        signalled = WaitForSignal(signals, wait);
    }
    PrintLineGbk(signalled ? "stopping: signal" : "stopping: time is up");
    PrintLineGbk(platform::Format("items waiting to be written: %d",
                                  static_cast<int>(core->ItemsWaiting())));
    core->Stop();
    PrintLineGbk(platform::Format("stopped: %d items written", core->Intake().WrittenCount()));
    return ReportUnwritten(*core) ? kExitFailure : kExitOk;
}

}  // namespace

BREVIO_COMMAND("portal",
               "  portal list SECTION                 the items of a portal section as TSV\n"
               "                                      (title, link) from the configuration\n"
               "                                      document; SECTION: radar, news, stock,\n"
               "                                      release, web, blog, email\n"
               "  portal reload SECTION               download the document again, then list",
               Portal);
BREVIO_COMMAND("run",
               "  run [--receive-every MINUTES] [--radar] [--for SECONDS]\n"
               "                                      the headless client: logs in, receives\n"
               "                                      every selected category at start and\n"
               "                                      every MINUTES, files the news, runs the\n"
               "                                      radar with --radar and the daily clean-up;\n"
               "                                      prints the status texts; SIGINT/SIGTERM\n"
               "                                      (or SECONDS) end it after every received\n"
               "                                      item is written",
               Run);

}  // namespace brevio::cli
