// The commands of the database export, the special conversion's hand transfer and the
// reference-list refresh: update, db, transfer.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <optional>
#include <thread>

#include "cli_client.h"
#include "commands.h"
#include "conversion/db_source_form.h"
#include "conversion/export_hand_off.h"
#include "conversion/export_settings.h"
#include "conversion/special_transfer.h"
#include "platform/paths.h"
#include "platform/process_lock.h"
#include "platform/text.h"
#include "reference/list_update.h"
#include "settings/registry_values.h"
#include "store_args.h"

namespace brevio::cli {
namespace {

// ---- update ------------------------------------------------------------------------------

enum class UpdateTarget { kKinds, kTrade, kRegion, kWebsites, kStocks, kCategorySites };

struct UpdateName {
    const char* name;
    UpdateTarget target;
};
constexpr UpdateName kUpdateNames[] = {
    {"kinds", UpdateTarget::kKinds},       {"trade", UpdateTarget::kTrade},
    {"region", UpdateTarget::kRegion},     {"websites", UpdateTarget::kWebsites},
    {"stocks", UpdateTarget::kStocks},     {"catwebsites", UpdateTarget::kCategorySites},
};

std::optional<UpdateTarget> UpdateTargetNamed(const std::string& name) {
    for (const UpdateName& n : kUpdateNames) {
        if (name == n.name) return n.target;
    }
    return std::nullopt;
}

reference::RefreshList RefreshListOf(UpdateTarget target) {
    switch (target) {
        case UpdateTarget::kKinds: return reference::RefreshList::kPublicCategories;
        case UpdateTarget::kTrade: return reference::RefreshList::kTrades;
        case UpdateTarget::kRegion: return reference::RefreshList::kRegions;
        case UpdateTarget::kWebsites: return reference::RefreshList::kWebsites;
        default: return reference::RefreshList::kStocks;
    }
}

std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) {
    gInterrupted.store(true);
}

const char* OutcomeName(const reference::ExchangeOutcome& o) {
    if (o.result == reference::DialogResult::kOk) return "ok";
    if (o.status == reference::UpdateDialogForm::NothingNewText()) return "nothing new";
    if (o.status == reference::UpdateDialogForm::StoppedText()) return "stopped";
    return "failed";
}

std::string ExchangeName(const reference::ExchangeOutcome& o) {
    return o.cat.empty() ? o.type : o.type + ":" + o.cat;
}

// One TSV row per exchange: what was asked for, the list's result, how the dialog ended and
// its last status text. Messages the dialog showed go to stderr. False when one failed.
bool PrintExchanges(const std::string& list, int result,
                    const std::vector<reference::ExchangeOutcome>& exchanges) {
    bool ok = true;
    for (const reference::ExchangeOutcome& o : exchanges) {
        for (const store::FormMessage& m : o.messages) ErrorLine(ExchangeName(o) + ": " + m.text);
        const char* outcome = OutcomeName(o);
        ok = ok && std::string(outcome) != "failed" && o.written >= 0;
        const int shown = o.type == "catwebsites" ? o.written : result;
        PrintLineGbk(list + "\t" + ExchangeName(o) + "\t" + std::to_string(shown) + "\t" + outcome +
                     "\t" + TsvCell(o.status));
    }
    return ok;
}

// update LIST... | update --auto
int Update(const Args& args) {
    std::vector<UpdateTarget> targets;
    bool automatic = false;
    for (const std::string& a : args) {
        if (a == "--auto") {
            automatic = true;
        } else if (auto t = UpdateTargetNamed(a)) {
            targets.push_back(*t);
        } else {
            ErrorLine("no list " + ToGbk(a) + " (kinds, trade, region, websites, stocks, catwebsites)");
            return Usage("update");
        }
    }
    if (automatic == !targets.empty()) return Usage("update");

    // The lists are files of the content folder: the refresh runs beside a running client.
    client::StartOptions options = ShortCommandOptions("brevio-cli update");
    options.guest = true;
    PrintingObserver observer(false);
    std::unique_ptr<client::ClientCore> core = StartClient(options, observer);
    if (!core) return kExitFailure;
    const settings::AppSettings& s = core->Settings();

    // The stock-name procedure runs on the conversion database when a data source is stored.
    std::unique_ptr<conversion::DatabaseExport> database;
    const conversion::DataSource source = conversion::ReadDataSource();
    if (!source.Empty()) {
        database = std::make_unique<conversion::DatabaseExport>(
            conversion::DatabaseExport::Options{source, nullptr, 30000});
    }

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    reference::ListUpdateContext context;
    context.contentFolder = s.contentFolder;
    context.pemloIni = s.pemloIni;
    context.conversionPath = conversion::ReadExportSettings().convertPath;
    context.transferFolder = s.transPath;
    context.exchange = reference::ServerListExchange(
        core->Server(), net::NspCredentials{s.userId, s.password});
    context.runDialog = reference::HeadlessDialogRunner([] { return gInterrupted.load(); });
    if (database) {
        context.stockNames = [&database](std::string_view code, std::string_view name,
                                         std::string_view trade, std::string_view aliases) {
            database->UpdateStockName(code, name, trade, aliases);
        };
    }
    context.tables = &core->Tables();
    context.window = &observer;
    reference::ListUpdater updater(context);

    PrintLineGbk("list\texchange\tresult\toutcome\tstatus");
    bool ok = true;
    if (automatic) {
        updater.AutoRefresh();
        ok = PrintExchanges("auto", 0, updater.Exchanges());
    }
    for (UpdateTarget t : targets) {
        if (gInterrupted.load()) break;
        const char* name = "";
        for (const UpdateName& n : kUpdateNames) {
            if (n.target == t) name = n.name;
        }
        int result = 0;
        if (t == UpdateTarget::kCategorySites) {
            updater.ClearExchanges();
            updater.RefreshCategorySites();
        } else {
            result = updater.Refresh(RefreshListOf(t));
        }
        ok = PrintExchanges(name, result, updater.Exchanges()) && ok;
    }
    return ok && !gInterrupted.load() ? kExitOk : kExitFailure;
}

// ---- db ----------------------------------------------------------------------------------

int DbTest() {
    const store::FormMessage message = conversion::DataSourceForm().Test();
    if (conversion::DataSourceForm::IsSuccess(message)) {
        PrintLineGbk(message.text);
        return kExitOk;
    }
    ErrorLine(message.text);
    return kExitFailure;
}

// db save KIND BASE ID...
int DbSave(const Args& args) {
    store::FolderKind kind = 0;
    if (args.size() < 4 || !ParseFolderKind(args[1], kind)) return Usage("db");
    const std::string base = ToGbk(args[2]);
    std::vector<std::int32_t> ids;
    for (std::size_t i = 3; i < args.size(); ++i) {
        std::int32_t id = 0;
        if (!ParseNewsId(args[i], id)) return Usage("db");
        ids.push_back(id);
    }
    const conversion::DataSource source = conversion::ReadDataSource();
    if (source.Empty()) {
        ErrorLine("no data source is stored (pxDataResource)");
        return kExitFailure;
    }
    client::StartOptions options = ShortCommandOptions("brevio-cli db");
    options.guest = true;
    PrintingObserver observer(true);
    std::unique_ptr<client::ClientCore> core = StartClient(options, observer);
    if (!core) return kExitFailure;
    conversion::DatabaseExport database({source, &observer, 30000});
    const std::string folder = store::ResolveFolder(core->Settings().contentFolder, kind);
    const auto websites = core->Tables().Websites();
    int saved = 0;
    for (std::int32_t id : ids) {
        store::NewsRecord record;
        std::string content;
        if (store::ReadItem(folder, base, id, record, content) < 0) {
            ErrorLine(platform::Format("no news %d in %s %s", id, FolderKindName(kind).c_str(),
                                       base.c_str()));
            continue;
        }
        const store::NewsItem item = conversion::ItemFromStore(kind, base, record, content, *websites);
        if (conversion::SaveItemByHand(database, item) == conversion::kDbOk) {
            ++saved;
        } else {
            ErrorLine(platform::Format("news %d was not saved (see the database error log)", id));
        }
    }
    PrintLineGbk(platform::Format("saved %d of %zu", saved, ids.size()));
    return saved == static_cast<int>(ids.size()) ? kExitOk : kExitFailure;
}

// db test | db save KIND BASE ID...
int Db(const Args& args) {
    if (args.size() == 1 && args[0] == "test") return DbTest();
    if (!args.empty() && args[0] == "save") return DbSave(args);
    return Usage("db");
}

// ---- transfer ----------------------------------------------------------------------------

// The lock a running hand transfer of brevio-cli holds; its text is the process id.
std::string TransferLockPath() {
    return platform::ProgramFolder() + "transfer.lock";
}

int TransferStatus() {
    conversion::HandTransferFile file(platform::ProgramFolder() +
                                      std::string(conversion::kHandTransferFile));
    const long long next = settings::ReadInt(conversion::keys::kEspeTransNum, 0);
    const long long records = file.RecordCount();
    const long long waiting = records > next ? records - next : 0;
    const bool running = !platform::ProcessLock::Try(TransferLockPath()).Held();
    PrintLineGbk("pxEspeTransNum\twaiting\trunning");
    PrintLineGbk(std::to_string(next) + "\t" + std::to_string(waiting) + "\t" +
                 (running ? "yes" : "no"));
    return records < 0 ? kExitFailure : kExitOk;
}

const char* HandEndName(conversion::SpecialTransfer::HandEnd end) {
    using E = conversion::SpecialTransfer::HandEnd;
    switch (end) {
        case E::kPaused: return "paused";
        case E::kFinished: return "finished";
        case E::kReadError: return "read error";
        case E::kPortError: return "port error";
    }
    return "";
}

int TransferStart() {
    const conversion::ExportSettings s = conversion::ReadExportSettings();
    if (!s.specialAuto || !s.SerialChosen() || !s.handTransfer) {
        ErrorLine("the hand transfer is not chosen (pxEspeTransAuto 1, pxEspeTransSelect 0, "
                  "pxEspeTransHand 1)");
        return kExitFailure;
    }
    platform::ProcessLock lock = platform::ProcessLock::Try(TransferLockPath());
    if (!lock.Held()) {
        ErrorLine("a hand transfer is running already (process " +
                  platform::ProcessLock::ReadText(TransferLockPath()) + ")");
        return kExitFailure;
    }
    lock.SetText(std::to_string(getpid()));

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    PrintingObserver observer(true, true);
    conversion::SpecialTransfer transfer({platform::ProgramFolder(), &observer});
    transfer.ApplySettings(s);
    if (transfer.OpenTransferPort() == conversion::TransferPort::kOpenFailed) return kExitFailure;
    transfer.StartHandTransfer();
    std::atomic<bool> done{false};
    conversion::SpecialTransfer::HandEnd end{};
    std::thread worker([&] {
        end = transfer.RunHandTransfer();
        done.store(true);
    });
    // SIGINT or SIGTERM ("transfer pause") clears the run flag: the transfer stores its place.
    while (!done.load()) {
        timespec wait{0, 100 * 1000000L};
        if (sigtimedwait(&signals, nullptr, &wait) > 0) transfer.PauseHandTransfer();
    }
    worker.join();
    PrintLineGbk(std::string("hand transfer ") + HandEndName(end) + "; pxEspeTransNum " +
                 std::to_string(settings::ReadInt(conversion::keys::kEspeTransNum, 0)));
    using E = conversion::SpecialTransfer::HandEnd;
    return end == E::kPaused || end == E::kFinished ? kExitOk : kExitFailure;
}

int TransferPause() {
    const std::string path = TransferLockPath();
    if (platform::ProcessLock::Try(path).Held()) {
        PrintLineGbk("no hand transfer is running");
        return TransferStatus();
    }
    long long pid = 0;
    if (!ParseInt(platform::ProcessLock::ReadText(path), pid) || pid <= 0 ||
        kill(static_cast<pid_t>(pid), SIGTERM) != 0) {
        ErrorLine("the running hand transfer cannot be reached");
        return kExitFailure;
    }
    // It stores its place and ends; its lock goes with it.
    platform::ProcessLock ended = platform::ProcessLock::Try(path, 10000);
    if (!ended.Held()) {
        ErrorLine("the hand transfer did not pause within 10 seconds");
        return kExitFailure;
    }
    return TransferStatus();
}

// transfer start | pause | status
int Transfer(const Args& args) {
    if (args.size() != 1) return Usage("transfer");
    if (args[0] == "status") return TransferStatus();
    if (args[0] == "start") return TransferStart();
    if (args[0] == "pause") return TransferPause();
    return Usage("transfer");
}

}  // namespace

BREVIO_COMMAND("update",
               "  update LIST... | update --auto      refresh reference lists from the news\n"
               "                                      server; LIST: kinds, trade, region,\n"
               "                                      websites, stocks, catwebsites; --auto:\n"
               "                                      the lists switched on in Pemlo.ini; one\n"
               "                                      TSV row per exchange (list, exchange,\n"
               "                                      result, outcome, status text)",
               Update);
BREVIO_COMMAND("db",
               "  db test                             test the stored data source\n"
               "  db save KIND BASE ID...             save stored news through the database\n"
               "                                      procedure (KIND: public, stock, trade,\n"
               "                                      region, favorite, subscription)",
               Db);
BREVIO_COMMAND("transfer",
               "  transfer start                      send the records collected for the hand\n"
               "                                      transfer over the serial port, from\n"
               "                                      pxEspeTransNum on, until the end or a\n"
               "                                      pause (SIGINT, SIGTERM)\n"
               "  transfer pause                      pause the running hand transfer\n"
               "  transfer status                     pxEspeTransNum and the records waiting",
               Transfer);

}  // namespace brevio::cli
