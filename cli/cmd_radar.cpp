// brevio-cli radar: runs passes of the info radar over the radar section of the user
// configuration document, with the real radar thread. Its notification handler does what the
// main window does with a change, so the change logs on disk are the desktop client's.
#include <cstdio>
#include <mutex>

#include "commands.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/paths.h"
#include "portal/config_document.h"
#include "radar/radar_changes.h"
#include "radar/radar_target.h"
#include "radar/radar_thread.h"
#include "settings/app_settings.h"

namespace brevio::cli {
namespace {

// Pauses of a --fast run, in milliseconds.
constexpr int kFastFetchPauseMs = 5;
constexpr int kFastPassPauseMs = 10;

// The main window of a radar run: prints the progress texts and handles each change.
class RadarWindow : public platform::MainWindowSink {
  public:
    RadarWindow(radar::RadarTargetList& radarList, std::string contentFolder)
        : radarList_(radarList), contentFolder_(std::move(contentFolder)) {}

    void RadarProgress(std::string_view text) override {
        std::string line(text);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        Print(line);
    }

    void RadarChanged(std::string_view name, std::string_view url, int changeCount) override {
        const radar::ChangeNotice notice = radar::HandleRadarChange(
            radarList_, contentFolder_, {changeCount, std::string(name), std::string(url)});
        Print(notice.text);
    }

  private:
    void Print(const std::string& gbk) {
        std::lock_guard lock(mutex_);
        PrintLineGbk(gbk);
        std::fflush(stdout);
    }

    radar::RadarTargetList& radarList_;
    const std::string contentFolder_;
    std::mutex mutex_;
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

    const settings::AppSettings s = settings::LoadAppSettings();
    if (!settings::CreateDataFolders(s)) {
        ErrorLine(settings::ContentFolderErrorText());
        return kExitFailure;
    }
    radar::RadarTargetList radarList;
    if (portal::LoadRadarSection(config, radarList) == portal::kConfigUnreadable) {
        ErrorLine("cannot read the configuration document " + config);
        return kExitFailure;
    }

    RadarWindow window(radarList, s.contentFolder);
    radar::CRadarThread::Options options;
    options.contentFolder = s.contentFolder;
    options.passes = static_cast<int>(passes);
    if (fast) {
        options.fetchPauseMs = kFastFetchPauseMs;
        options.passPauseMs = kFastPassPauseMs;
    }
    radar::CRadarThread thread(window, radarList, options);
    // The user waits for this run, so unlike the desktop client's background radar it runs at
    // normal priority.
    if (!thread.Start(radar::CThreadBase::Priority::kNormal)) {
        ErrorLine("创建信息雷达线程失败！");
        return kExitFailure;
    }
    thread.Join();
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
