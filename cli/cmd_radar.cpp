// brevio-cli radar: runs passes of the info radar over the radar section of the user
// configuration document, with the real radar thread. Its notification handler does what the
// main window does with a change, so the change logs on disk are the desktop client's.

#include "cli_client.h"
#include "commands.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "radar/radar_thread.h"

namespace brevio::cli {
namespace {

// Pauses of a --fast run, in milliseconds.
constexpr int kFastFetchPauseMs = 5;
constexpr int kFastPassPauseMs = 10;

// Prints the radar's progress texts and notices; reception is not part of a radar run.
class RadarObserver : public PrintingObserver {
  public:
    void StatusText(int, std::string_view) override {}
};

int RunRadar(const Args& args) {
    long long passes = 1;
    std::string config;
    bool fast = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--passes" && i + 1 < args.size()) {
            if (!ParseInt(args[++i], passes) || passes < 1 || passes > 1000000) {
                return Usage("radar");
            }
        } else if (args[i] == "--config" && i + 1 < args.size()) {
            config = ToGbk(args[++i]);
        } else if (args[i] == "--fast") {
            fast = true;
        } else {
            return Usage("radar");
        }
    }
    if (config.empty()) config = platform::UserConfigPath();
    if (!platform::FileExists(config)) {
        ErrorLine("cannot read the configuration document " + config);
        return kExitFailure;
    }
    // The radar of a client that only watches: no login, no reception, the sections read
    // from the document as it is; beside a running client it takes no program folder.
    client::StartOptions options = ShortCommandOptions("brevio-cli radar");
    options.guest = true;
    options.configurationDocument = config;
    options.startRadar = true;
    options.radarOptions.passes = static_cast<int>(passes);
    if (fast) {
        options.radarOptions.fetchPauseMs = kFastFetchPauseMs;
        options.radarOptions.passPauseMs = kFastPassPauseMs;
    }
    // The user waits for this run; the radar of a running client has the idle priority.
    options.radarPriority = radar::CThreadBase::Priority::kNormal;
    RadarObserver observer;
    std::unique_ptr<client::ClientCore> core = StartClient(options, observer);
    if (!core) return kExitFailure;
    core->RadarThread()->Join();
    core->Stop();
    return kExitOk;
}

BREVIO_COMMAND("radar",
               "  radar [--passes N] [--config FILE] [--fast]\n"
               "                            run N passes (default 1) of the info radar over the\n"
               "                            radar section of the configuration document (default:\n"
               "                            the program folder's brevio.xml); print the progress\n"
               "                            texts and changes; --fast shortens the pauses",
               RunRadar);

}  // namespace
}  // namespace brevio::cli
