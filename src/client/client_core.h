// The object that owns the whole running client: settings, reference tables, subscription
// records and their filing journal, favourites and subscription lists, the news intake with
// the store writer thread, the server endpoint, the reception scheduler, the radar list and
// radar thread, the portal link lists, the login state and the daily clean-up. Every front end
// (the desktop client, brevio-cli with its headless `run`, the tests) sits on it and wires
// nothing itself.
//
// Start runs the start-up sequence in its order and returns the core, or nothing with the
// step that failed and its message; Stop runs the exit sequence. The front end's observer
// receives what the core reports (client_observer.h); there is no process-wide sink.
//
// Start-up, in order:
//   1. the program folder's instance lock (one client per program folder; a guest core takes
//      none and leaves the subscription records to the client that owns them);
//   2. the settings load, the data folders under the content folder (a content folder that
//      cannot be created gives "存放新闻内容的目录错误!..." and start-up goes on), news files
//      left inconsistent by a crash put right;
//   3. reference tables and subscription records;
//   4. the login: the automatic login with the stored values, then the front end's login
//      dialog until a login succeeds or the user cancels (cancel ends the start);
//   5. the splash texts "正在初始化..." and "正在初始化系统数据...";
//   6. the download of the user configuration document ("加载用户配置信息失败!" ends the
//      start), then the portal sections, the radar section first;
//   7. the favourites and subscription lists, the filing journal of an earlier run, the store
//      writer thread, reception;
//   8. the radar thread when asked for ("创建信息雷达线程失败！" ends the start).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "client/client_observer.h"
#include "client/portal_sections.h"
#include "conversion/auto_converter.h"
#include "conversion/export_hand_off.h"
#include "net/exchange.h"
#include "net/filing_progress.h"
#include "net/reception.h"
#include "net/subscription_lists.h"
#include "platform/process_lock.h"
#include "radar/radar_target.h"
#include "radar/radar_thread.h"
#include "reference/reference_tables.h"
#include "settings/app_settings.h"
#include "store/folder_forms.h"
#include "store/folder_list.h"
#include "store/intake.h"
#include "store/maintenance.h"

namespace brevio::client {

// The start-up steps that can end the start.
enum class StartStep {
    kNone,            // started
    kProgramFolder,   // another client holds the program folder
    kLogin,           // the login failed or was cancelled
    kConfiguration,   // the user configuration document could not be downloaded
    kRadarThread,     // the radar thread could not be created
};

struct StartResult {
    StartStep failed = StartStep::kNone;
    std::string message;  // GBK; empty when the step ends without a message (login cancelled)
    bool Ok() const { return failed == StartStep::kNone; }
};

// What the login dialog shows and returns.
struct LoginValues {
    std::string userId;
    std::string password;
    bool autoLogin = false;
};
// The front end's login dialog: shown with the values to start from and the reason the last
// attempt failed (empty the first time); returns what the user typed, or nothing on cancel.
using LoginDialog =
    std::function<std::optional<LoginValues>(const LoginValues& current, std::string_view problem)>;

struct StartOptions {
    std::string frontEnd = "brevio-cli";  // names the client in the instance lock
    bool guest = false;            // take no instance lock, receive nothing, save no records
    int instanceWaitMs = 3000;     // how long a start waits for the program folder
    bool logIn = true;             // step 4; without it the stored user is used as it is
    LoginDialog loginDialog;       // empty: the automatic login alone decides
    bool loadConfiguration = true; // step 6
    // The configuration document (empty: the program folder's "brevio.xml"); without the
    // download its sections are read from there as they are.
    std::string configurationDocument;
    bool startRadar = false;       // step 8
    bool cleanupAtExit = true;     // Stop runs the daily clean-up when it is due at exit
    radar::CRadarThread::Options radarOptions;  // the content folder is filled in
    radar::CThreadBase::Priority radarPriority = radar::CThreadBase::Priority::kIdle;
};

// The subscription records' last ids as the store's acceptance asks for them.
class SubscriptionLimits : public store::AcceptanceLimits {
  public:
    explicit SubscriptionLimits(const net::SubscriptionLists& lists) : lists_(lists) {}
    std::optional<int> RegionMax(std::string_view regionText) const override;
    int TradeMax(std::string_view tradeText) const override;
    int PublicMax() const override;

  private:
    const net::SubscriptionLists& lists_;
};

class ClientCore {
  public:
    static std::unique_ptr<ClientCore> Start(const StartOptions& options, ClientObserver& observer,
                                             StartResult& result);
    ~ClientCore();  // Stop
    ClientCore(const ClientCore&) = delete;
    ClientCore& operator=(const ClientCore&) = delete;

    // The exit sequence: reception stopped, the radar stopped, every queued item written, the
    // clean-up at exit when it is due (with `progress`, on the calling thread), the subscription
    // records saved. The exit checks (reception running, items waiting) are the front end's
    // question before it calls this.
    void Stop(store::CleanupProgress* progress = nullptr);

    // The exit checks read these.
    bool ReceptionRunning() const { return reception_->Running() > 0; }
    std::size_t ItemsWaiting() const { return intake_->Pending(); }

    // The daily history clean-up for a moment (0 when the news views are first shown, 1 at
    // exit, -1 by hand), on a worker thread with `progress`; false when it is not due (or a
    // run is going on). WaitCleanup waits for the run to end.
    bool StartCleanup(int moment, store::CleanupProgress* progress);
    void WaitCleanup();
    // The same on the calling thread; the number of jobs run, or store::kCleanupNotDue.
    int RunCleanupNow(int moment, store::CleanupProgress* progress);

    // The user of the following exchanges (after a login).
    void SetUser(const std::string& userId, const std::string& password);
    // Re-reads "Vantory.ini" and selects exactly the records it names; returns the count.
    int ApplyUserSelection();

    bool OwnsProgramFolder() const { return instance_.Held(); }
    const platform::InstanceLock& Instance() const { return instance_; }
    ClientObserver& Observer() const { return observer_; }

    // The settings of this run. Front ends change them on the user-interface thread only;
    // what worker threads use is handed to them by the operations below.
    settings::AppSettings& Settings() { return settings_; }
    // The options' path page: items are filed under `folder` (ends in "/") from the next one
    // on, the news folder follows it; news already stored under the old folder stays there.
    // A folder without Data/ gets a copy of the current Data/ (the reference lists and the
    // subscription records), and the lists are read from it from now on, so the next start,
    // which takes a content folder only with its Data/, finds everything there. The radar and
    // the subscription records keep the folder of this run until the client stops; at the
    // stop the records are copied over.
    void ChangeContentFolder(const std::string& folder);
    // Where the radar thread of this run keeps its change pages (the content folder at start).
    const std::string& RadarFolder() const { return runFolder_; }
    // The options' search tuning, taken by the running client at once: reception threads,
    // the pause after every chunk received, the writer's pause after every item filed.
    void ApplyTuning(int threads, int socketIntervalMs, int diskIntervalMs);
    reference::ReferenceTables& Tables() { return tables_; }
    net::SubscriptionLists& Lists() { return lists_; }
    store::FolderListHolder& Favorites() { return favorites_; }
    store::FolderListHolder& Subscriptions() { return subscriptions_; }
    store::FolderLists& FolderLists() { return folderLists_; }
    store::NewsIntake& Intake() { return *intake_; }
    // Automatic conversion of received news (ReloadSettings after the settings dialog's OK).
    conversion::AutoConverter& Converter() { return *converter_; }
    // The database conversion and the special conversion (serial port, USB folder) of filed
    // items, with the transfer loop; null for a guest core.
    conversion::ExportHandOff* Export() { return export_.get(); }
    net::ServerEndpoint& Server() { return server_; }
    net::ReceptionScheduler& Reception() { return *reception_; }
    net::FilingProgress& Progress() { return *progress_; }
    radar::RadarTargetList& RadarList() { return radarList_; }
    PortalSections& Portal() { return portal_; }
    // After a portal settings page was used: downloads the configuration document again and
    // loads only that page's section (reload index 0 radar, 1 my news, 2 my stock, 3 my web,
    // 4 my blog, 5 my e-mail). On a failed download the lists stay and the message is
    // reported through the observer as well. Runs the download on the calling thread.
    SectionReload ReloadSection(int reloadIndex);
    SectionReload ReloadSection(portal::Section section);
    radar::CRadarThread* RadarThread() { return radarThread_.get(); }
    std::string CategoryFile() const;

    // Waits until the store has written every queued item (or the time-out passes; -1 waits
    // for good).
    bool WaitUntilWritten(int timeoutMs);

  private:
    ClientCore(const StartOptions& options, ClientObserver& observer);
    StartResult Run(const StartOptions& options);
    StartResult LogIn(const StartOptions& options);
    StartResult LoadConfiguration();
    std::string documentPath_;
    bool StartRadar(const StartOptions& options);
    void StartReception();
    SectionReload Reported(SectionReload reload);
    // The portal address and user id, for the section reloads front ends run off their
    // user-interface thread.
    std::pair<std::string, std::string> PortalUserNow() const;

    class RadarSink;

    ClientObserver& observer_;
    platform::InstanceLock instance_;
    settings::AppSettings settings_;
    // Guards what other threads read of settings_ (content folder, user) against the
    // user-interface thread's changes.
    mutable std::mutex sharedSettingsMutex_;
    std::string runFolder_;  // the content folder at start: radar pages, subscription records
    reference::ReferenceTables tables_;
    net::SubscriptionLists lists_;
    SubscriptionLimits limits_{lists_};
    store::FolderListHolder favorites_;
    store::FolderListHolder subscriptions_;
    store::FolderLists folderLists_;
    std::unique_ptr<net::FilingProgress> progress_;
    std::unique_ptr<conversion::AutoConverter> converter_;  // used by the intake's writer
    std::unique_ptr<conversion::ExportHandOff> export_;     // used by the intake's writer
    std::unique_ptr<store::NewsIntake> intake_;
    net::ServerEndpoint server_;
    std::unique_ptr<net::ReceptionScheduler> reception_;
    radar::RadarTargetList radarList_;
    PortalSections portal_{radarList_};
    std::unique_ptr<RadarSink> radarSink_;
    std::unique_ptr<radar::CRadarThread> radarThread_;
    std::unique_ptr<store::CleanupWorker> cleanup_;
    bool cleanupAtExit_ = true;
    bool stopped_ = false;
};


}  // namespace brevio::client
