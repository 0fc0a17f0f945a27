// brevio-cli as a front end of the client core: the observer that prints what the core
// reports, and the start of the core with its failure printed.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "client/client_core.h"

namespace brevio::cli {

// Prints status texts of pane 0 (unless quiet), radar progress and notices, and messages
// (to stderr), one line each, from any thread.
class PrintingObserver : public client::ClientObserver {
  public:
    explicit PrintingObserver(bool printStatus = true, bool printAllPanes = false)
        : printStatus_(printStatus), printAllPanes_(printAllPanes) {}
    void StatusText(int pane, std::string_view text) override;
    void Message(std::string_view text, std::string_view title, int icon) override;
    void RadarProgress(std::string_view text) override;
    void RadarNotice(const radar::ChangeNotice& notice) override;
    void RefreshNavigation(int code) override;
    void SplashText(std::string_view text) override;

  private:
    void Line(const std::string& gbk);
    bool printStatus_;
    bool printAllPanes_;
    std::mutex mutex_;
};

// Starts the core; on failure prints the failed step's message and returns null.
std::unique_ptr<client::ClientCore> StartClient(const client::StartOptions& options,
                                                client::ClientObserver& observer);

// Options of a short command: no login, no configuration download, no radar.
client::StartOptions ShortCommandOptions(std::string frontEnd);

// After the exit sequence: says how many accepted items could not be written (the error log
// has the reasons). True when there were any.
bool ReportUnwritten(client::ClientCore& core);

}  // namespace brevio::cli
