#include "cli_client.h"

#include <cstdio>

#include "commands.h"
#include "platform/text.h"

namespace brevio::cli {

void PrintingObserver::Line(const std::string& gbk) {
    std::lock_guard lock(mutex_);
    PrintLineGbk(gbk);
    std::fflush(stdout);
}

void PrintingObserver::StatusText(int pane, std::string_view text) {
    if (!printStatus_ || (pane != 0 && !printAllPanes_)) return;
    Line(printAllPanes_ ? platform::Format("[%d] %s", pane, std::string(text).c_str())
                        : std::string(text));
}

void PrintingObserver::Message(std::string_view text, std::string_view, int) {
    std::lock_guard lock(mutex_);
    ErrorLine(std::string(text));
}

void PrintingObserver::RadarProgress(std::string_view text) {
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (printStatus_) Line(line);
}

void PrintingObserver::RadarNotice(const radar::ChangeNotice& notice) {
    Line(notice.text);
}

void PrintingObserver::RefreshNavigation(int) {}

void PrintingObserver::SplashText(std::string_view) {}

std::unique_ptr<client::ClientCore> StartClient(const client::StartOptions& options,
                                                client::ClientObserver& observer) {
    client::StartResult result;
    std::unique_ptr<client::ClientCore> core = client::ClientCore::Start(options, observer, result);
    if (!core) ErrorLine(result.message.empty() ? std::string("start-up cancelled") : result.message);
    return core;
}

client::StartOptions ShortCommandOptions(std::string frontEnd) {
    client::StartOptions options;
    options.frontEnd = std::move(frontEnd);
    options.logIn = false;
    options.loadConfiguration = false;
    options.cleanupAtExit = false;
    return options;
}

bool ReportUnwritten(client::ClientCore& core) {
    const int failed = core.Intake().FailedCount();
    const std::size_t left = core.Intake().Pending();
    // Serial records that could not be sent before the exit were reported by the core.
    const bool unsent = core.Export() && core.Export()->Transfer().Queued() > 0;
    if (failed == 0 && left == 0) return unsent;
    ErrorLine(std::to_string(failed + static_cast<int>(left)) + " of " +
              std::to_string(core.Intake().ReceivedCount()) +
              " accepted items could not be written to the news files (see the error log)");
    return true;
}

}  // namespace brevio::cli
