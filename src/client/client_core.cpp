#include "client/client_core.h"

#include "conversion/conversion_settings.h"

#include "net/login.h"
#include "net/subscription_selection.h"
#include "platform/fs.h"
#include "platform/http.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "portal/config_document.h"
#include "radar/radar_changes.h"
#include "settings/history_cleanup.h"
#include "store/news_file_replace.h"

namespace brevio::client {
namespace {

std::string RadarThreadFailedText() {
    return "创建信息雷达线程失败！";
}

}  // namespace

std::optional<int> SubscriptionLimits::RegionMax(std::string_view regionText) const {
    auto max = lists_.RegionMaximum(regionText);
    if (!max) return std::nullopt;
    return *max;
}

int SubscriptionLimits::TradeMax(std::string_view tradeText) const {
    return lists_.TradeMaximum(tradeText);
}

int SubscriptionLimits::PublicMax() const {
    return lists_.PublicMaximum();
}

// The radar thread's main window: a change is counted and logged right here on the radar
// thread (the radar list has its own lock), then announced to the front end, which only
// queues it. The radar thread never waits for a window.
class ClientCore::RadarSink : public platform::MainWindowSink {
  public:
    RadarSink(ClientCore& core) : core_(core) {}
    void RadarChanged(std::string_view name, std::string_view url, int changeCount) override {
        radar::RadarTarget changed;
        changed.name = std::string(name);
        changed.url = std::string(url);
        changed.changeCount = changeCount;
        radar::ChangeNotice notice =
            radar::HandleRadarChange(core_.radarList_, core_.runFolder_, changed);
        core_.observer_.RadarNotice(notice);
    }
    void RadarProgress(std::string_view text) override { core_.observer_.RadarProgress(text); }

  private:
    ClientCore& core_;
};

ClientCore::ClientCore(const StartOptions& options, ClientObserver& observer)
    : observer_(observer),
      instance_(options.guest ? platform::InstanceLock()
                              : platform::InstanceLock(platform::ProgramFolder(),
                                                       options.frontEnd, options.instanceWaitMs)),
      folderLists_(favorites_, std::string(), subscriptions_, std::string()),
      cleanupAtExit_(options.cleanupAtExit) {}

std::unique_ptr<ClientCore> ClientCore::Start(const StartOptions& options,
                                              ClientObserver& observer, StartResult& result) {
    std::unique_ptr<ClientCore> core(new ClientCore(options, observer));
    result = core->Run(options);
    if (!result.Ok()) {
        core->Stop();
        return nullptr;
    }
    return core;
}

StartResult ClientCore::Run(const StartOptions& options) {
    if (!options.guest && !OwnsProgramFolder()) {
        return {StartStep::kProgramFolder, instance_.RefusalText()};
    }
    settings_ = settings::LoadAppSettings();
    server_.Set(settings_.serverHost, settings_.serverPort);
    server_.SetExchangeTimeout(settings_.exchangeTimeout);
    if (!settings::CreateDataFolders(settings_)) {
        observer_.Message(settings::ContentFolderErrorText(), "Brevio提示",
                          platform::MessageBoxSink::kWarning);
    }
    // A crash may have left a compaction half replaced, counts wrong or temporaries behind;
    // the owner of the program folder puts them right before anything reads the news files.
    if (OwnsProgramFolder()) {
        store::RecoverNewsFiles(settings_.contentFolder);
    } else {
        store::RecoverInterruptedCompactions(settings_.contentFolder);
    }
    runFolder_ = settings_.contentFolder;
    tables_.LoadAll(settings_.contentFolder);
    // With the stock table: the stock-terminal transfer folder, which must be set while that
    // transfer is on (otherwise it stays off for this run).
    const conversion::StockTerminalCheck terminal =
        conversion::CheckStockTerminalFolder(settings_.isTransNews, settings_.transPath);
    if (terminal.message) {
        observer_.Message(terminal.message->text, terminal.message->title, terminal.message->icon);
    }
    settings_.isTransNews = terminal.transferOn;
    if (terminal.transferOn) settings_.transPath = terminal.folder;
    lists_.Build(tables_, CategoryFile());

    if (options.logIn) {
        if (StartResult login = LogIn(options); !login.Ok()) return login;
    }
    ApplyUserSelection();

    documentPath_ = options.configurationDocument.empty() ? platform::UserConfigPath()
                                                          : options.configurationDocument;
    observer_.SplashText("正在初始化...");
    observer_.SplashText("正在初始化系统数据...");
    if (options.loadConfiguration) {
        if (StartResult loaded = LoadConfiguration(); !loaded.Ok()) return loaded;
    } else {
        // The document of an earlier run, when there is one.
        portal_.LoadAll(documentPath_);
    }

    folderLists_ = store::FolderLists(favorites_, settings_.pemloIni, subscriptions_,
                                      settings_.pemlo2Ini);
    folderLists_.SetOnSaved([this](int code) { observer_.RefreshNavigation(code); });
    favorites_.Reload(settings_.pemloIni);
    subscriptions_.Reload(settings_.pemlo2Ini);
    StartReception();

    if (options.startRadar && !StartRadar(options)) {
        return {StartStep::kRadarThread, RadarThreadFailedText()};
    }
    return {};
}

StartResult ClientCore::LogIn(const StartOptions& options) {
    std::string detail;
    net::LoginResult login = net::AutomaticLogin(settings_, &detail);
    std::string problem;
    LoginValues values{settings_.userId, settings_.password, settings_.autoLogin};
    while (login != net::LoginResult::kOk) {
        if (login == net::LoginResult::kRejected) {
            problem = settings_.autoLogin ? net::LoginRejectedText() : std::string();
        } else {
            problem = detail.empty() ? net::LoginRejectedText() : detail;
        }
        if (!options.loginDialog) {
            return {StartStep::kLogin,
                    problem.empty() ? std::string("自动登录未设置,无法登录") : problem};
        }
        std::optional<LoginValues> typed = options.loginDialog(values, problem);
        if (!typed) return {StartStep::kLogin, std::string()};
        values = *typed;
        // As the login dialog's OK does: the values are stored before the portal checks them.
        net::StoreLoginValues(values.userId, values.password, values.autoLogin);
        settings_.userId = values.userId;
        settings_.password = values.password;
        settings_.autoLogin = values.autoLogin;
        detail.clear();
        login = net::WebLogin(settings_.portalAddress, settings_.programFolder, values.userId,
                              values.password, &detail);
        if (login == net::LoginResult::kRejected) detail = net::LoginRejectedText();
    }
    SetUser(settings_.userId, settings_.password);
    return {};
}

StartResult ClientCore::LoadConfiguration() {
    ConfigDownload download =
        DownloadConfiguration(settings_.portalAddress, settings_.userId, documentPath_);
    if (!download.ok) return {StartStep::kConfiguration, download.message};
    portal_.LoadAll(documentPath_);
    return {};
}

void ClientCore::StartReception() {
    progress_ = std::make_unique<net::FilingProgress>(lists_, settings_.contentFolder);
    // Items filed before the last run ended count as received before the server is asked.
    if (OwnsProgramFolder()) progress_->Recover();

    store::NewsIntake::Options options;
    options.contentFolder = settings_.contentFolder;
    options.diskIntervalMs = settings_.diskInterval;
    options.window = &observer_;
    options.keywordFolders = [this] { return subscriptions_.Get(); };
    if (OwnsProgramFolder()) {
        options.onFiled = [this](const store::NewsItem& item) { progress_->OnFiled(item); };
    }
    converter_ = std::make_unique<conversion::AutoConverter>(
        tables_, settings_.programFolder,
        [this] { return reception_ && reception_->ReceptionStarted(); });
    if (OwnsProgramFolder()) {
        conversion::ExportHandOff::Options exportOptions;
        exportOptions.programFolder = settings_.programFolder;
        exportOptions.window = &observer_;
        exportOptions.receptionStarted = [this] {
            return reception_ && reception_->ReceptionStarted();
        };
        export_ = std::make_unique<conversion::ExportHandOff>(std::move(exportOptions));
    }
    options.afterFiling = [this](const store::NewsItem& item) {
        converter_->OnFiled(item);
        if (export_) export_->OnFiled(item);
    };
    intake_ = std::make_unique<store::NewsIntake>(options, tables_, limits_);
    intake_->StartWriter();
    if (export_) export_->Start();

    net::ReceptionContext context;
    context.window = &observer_;
    context.lists = &lists_;
    context.intake = intake_.get();
    context.server = &server_;
    context.userId = settings_.userId;
    context.password = settings_.password;
    context.categoryFile = CategoryFile();
    context.threadLimit = settings_.searchThreads;
    context.socketIntervalMs = settings_.socketInterval;
    reception_ = std::make_unique<net::ReceptionScheduler>(context);
}

bool ClientCore::StartRadar(const StartOptions& options) {
    radar::CRadarThread::Options radarOptions = options.radarOptions;
    radarOptions.contentFolder = runFolder_;
    radarSink_ = std::make_unique<RadarSink>(*this);
    radarThread_ = std::make_unique<radar::CRadarThread>(*radarSink_, radarList_, radarOptions);
    return radarThread_->Start(options.radarPriority);
}

ClientCore::~ClientCore() {
    Stop();
}

void ClientCore::Stop(store::CleanupProgress* progress) {
    if (stopped_) return;
    stopped_ = true;
    if (reception_) {
        reception_->StopAll();
        reception_->WaitIdle(-1);
    }
    if (radarThread_) radarThread_->Stop();
    if (intake_) intake_->DrainAndStop();
    // Serial records still queued are sent before the client ends (bounded, reported).
    if (export_) export_->Stop();
    WaitCleanup();
    if (intake_ && cleanupAtExit_ && OwnsProgramFolder()) {
        RunCleanupNow(settings::kCleanupAtExit, progress);
    }
    if (progress_ && OwnsProgramFolder()) progress_->Checkpoint();
    // The content folder was changed during the run: the next start reads the subscription
    // records (with the last ids received) from the new one.
    if (OwnsProgramFolder() && settings_.contentFolder != runFolder_) {
        platform::CopyFileAtomic(CategoryFile(), net::CategoryFilePath(settings_.contentFolder));
    }
}

SectionReload ClientCore::ReloadSection(int reloadIndex) {
    const auto [portal, user] = PortalUserNow();
    return Reported(portal_.Reload(reloadIndex, portal, user, documentPath_));
}

SectionReload ClientCore::ReloadSection(portal::Section section) {
    const auto [portal, user] = PortalUserNow();
    return Reported(portal_.Reload(section, portal, user, documentPath_));
}

SectionReload ClientCore::Reported(SectionReload reload) {
    if (reload.result == kReloadDownloadFailed) {
        observer_.Message(reload.message, "Brevio提示", platform::MessageBoxSink::kError);
    }
    return reload;
}

std::string ClientCore::CategoryFile() const {
    return net::CategoryFilePath(runFolder_);
}

int ClientCore::ApplyUserSelection() {
    return lists_.ApplySelection(net::ReadSelection(net::VantoryFilePath(settings_.programFolder)));
}

std::pair<std::string, std::string> ClientCore::PortalUserNow() const {
    std::lock_guard lock(sharedSettingsMutex_);
    return {settings_.portalAddress, settings_.userId};
}

void ClientCore::SetUser(const std::string& userId, const std::string& password) {
    {
        std::lock_guard lock(sharedSettingsMutex_);
        settings_.userId = userId;
        settings_.password = password;
    }
    if (reception_) reception_->SetCredentials(userId, password);
}

void ClientCore::ChangeContentFolder(const std::string& folder) {
    if (folder == settings_.contentFolder) return;
    const std::string data = folder + "Data/";
    if (!platform::FolderExists(data) && platform::CreateFolders(data)) {
        platform::CopyFolderFiles(settings_.contentFolder + "Data/", data);
    }
    {
        std::lock_guard lock(sharedSettingsMutex_);
        settings_.contentFolder = folder;
        settings_.newsFolder = folder + "News/";
    }
    if (intake_) intake_->SetContentFolder(folder);
    // Refreshed lists are written into the new Data/ and read back from there.
    tables_.LoadAll(folder);
}

void ClientCore::ApplyTuning(int threads, int socketIntervalMs, int diskIntervalMs) {
    if (threads > 0) settings_.searchThreads = threads;
    if (socketIntervalMs > 0) settings_.socketInterval = socketIntervalMs;
    if (diskIntervalMs > 0) settings_.diskInterval = diskIntervalMs;
    if (reception_) reception_->SetTuning(threads, socketIntervalMs);
    if (intake_ && diskIntervalMs > 0) intake_->SetDiskInterval(diskIntervalMs);
}

bool ClientCore::WaitUntilWritten(int timeoutMs) {
    return intake_->WaitUntilDrained(timeoutMs);
}

namespace {

store::CleanupRequest RequestFor(const settings::AppSettings& s,
                                 const net::SubscriptionLists& lists) {
    store::CleanupRequest request;
    request.contentFolder = s.contentFolder;
    for (const net::SubscriptionRecord& r : lists.Records(net::Group::kPublic)) {
        request.publicCategories.push_back({r.categoryId, r.remainDays});
    }
    return request;
}

}  // namespace

bool ClientCore::StartCleanup(int moment, store::CleanupProgress* progress) {
    if (cleanup_) return false;
    bool started = false;
    store::RunCleanup(moment, RequestFor(settings_, lists_), [&](std::vector<store::CleanupJob> jobs) {
        cleanup_ = std::make_unique<store::CleanupWorker>(std::move(jobs), progress);
        cleanup_->Start();
        started = true;
    });
    return started;
}

void ClientCore::WaitCleanup() {
    if (!cleanup_) return;
    cleanup_->Wait();
    cleanup_.reset();
}

int ClientCore::RunCleanupNow(int moment, store::CleanupProgress* progress) {
    return store::RunCleanup(moment, RequestFor(settings_, lists_),
                             [&](std::vector<store::CleanupJob> jobs) {
                                 store::RunCleanupJobs(jobs, progress);
                             });
}

}  // namespace brevio::client
