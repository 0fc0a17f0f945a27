#include "net/client_core.h"

#include "net/subscription_selection.h"
#include "platform/host.h"
#include "platform/paths.h"
#include "store/news_file_replace.h"

namespace brevio::net {

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

ClientCore::ClientCore(std::string_view frontEnd, Role role, int instanceWaitMs)
    : instance_(role == Role::kOwner ? platform::InstanceLock(platform::ProgramFolder(), frontEnd,
                                                              instanceWaitMs)
                                     : platform::InstanceLock()),
      settings_(settings::LoadAppSettings()),
      server_(settings_) {
    if (!settings::CreateDataFolders(settings_)) {
        platform::MessageBoxes().Show(settings::ContentFolderErrorText(), "Brevio提示",
                                      platform::MessageBoxSink::kWarning,
                                      platform::MessageBoxSink::kOkOnly);
    }
    // A compaction cut short by a crash is completed before anything reads the news files.
    // A crash may also have left counts wrong or temporaries behind; the owner of the program
    // folder puts them right.
    if (OwnsProgramFolder()) {
        store::RecoverNewsFiles(settings_.contentFolder);
    } else {
        store::RecoverInterruptedCompactions(settings_.contentFolder);
    }
    tables_.LoadAll(settings_.contentFolder);
    lists_.Build(tables_, CategoryFile());
    ApplyUserSelection();
    favorites_.Reload(settings_.pemloIni);
    subscriptions_.Reload(settings_.pemlo2Ini);
    // Items filed before the last run ended are counted as received before anything asks the
    // server again.
    progress_ = std::make_unique<FilingProgress>(lists_, settings_.contentFolder);
    if (OwnsProgramFolder()) progress_->Recover();

    store::NewsIntake::Options options;
    options.contentFolder = settings_.contentFolder;
    options.diskIntervalMs = settings_.diskInterval;
    options.keywordFolders = [this] { return subscriptions_.Get(); };
    if (OwnsProgramFolder()) {
        options.onFiled = [this](const store::NewsItem& item) { progress_->OnFiled(item); };
    }
    intake_ = std::make_unique<store::NewsIntake>(options, tables_, limits_);
    intake_->StartWriter();

    ReceptionContext context;
    context.lists = &lists_;
    context.intake = intake_.get();
    context.server = &server_;
    context.userId = settings_.userId;
    context.password = settings_.password;
    context.categoryFile = CategoryFile();
    context.threadLimit = settings_.searchThreads;
    context.socketIntervalMs = settings_.socketInterval;
    reception_ = std::make_unique<ReceptionScheduler>(context);
}

ClientCore::~ClientCore() {
    Shutdown();
}

std::string ClientCore::CategoryFile() const {
    return CategoryFilePath(settings_.contentFolder);
}

int ClientCore::ApplyUserSelection() {
    return lists_.ApplySelection(ReadSelection(VantoryFilePath(settings_.programFolder)));
}

void ClientCore::SetUser(const std::string& userId, const std::string& password) {
    settings_.userId = userId;
    settings_.password = password;
    reception_->SetCredentials(userId, password);
}

bool ClientCore::WaitUntilWritten(int timeoutMs) {
    return intake_->WaitUntilDrained(timeoutMs);
}

void ClientCore::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    reception_->StopEvent().Set();
    reception_->WaitIdle(-1);
    intake_->DrainAndStop();
    if (OwnsProgramFolder()) progress_->Checkpoint();
}

}  // namespace brevio::net
