#include "net/client_core.h"

#include "net/subscription_selection.h"
#include "platform/host.h"
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

ClientCore::ClientCore() : settings_(settings::LoadAppSettings()), server_(settings_) {
    if (!settings::CreateDataFolders(settings_)) {
        platform::MessageBoxes().Show(settings::ContentFolderErrorText(), "Brevio提示",
                                      platform::MessageBoxSink::kWarning,
                                      platform::MessageBoxSink::kOkOnly);
    }
    // A compaction cut short by a crash is completed before anything reads the news files.
    store::RecoverInterruptedCompactions(settings_.contentFolder);
    tables_.LoadAll(settings_.contentFolder);
    lists_.Build(tables_, CategoryFile());
    ApplyUserSelection();
    favorites_.Reload(settings_.pemloIni);
    subscriptions_.Reload(settings_.pemlo2Ini);

    store::NewsIntake::Options options;
    options.contentFolder = settings_.contentFolder;
    options.diskIntervalMs = settings_.diskInterval;
    options.keywordFolders = [this] { return subscriptions_.Get(); };
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

void ClientCore::Shutdown(int drainTimeoutMs) {
    if (shutDown_) return;
    shutDown_ = true;
    reception_->StopEvent().Set();
    reception_->WaitIdle(-1);
    intake_->WaitUntilDrained(drainTimeoutMs);
    intake_->StopWriter();
    lists_.SaveAll(CategoryFile());
}

}  // namespace brevio::net
