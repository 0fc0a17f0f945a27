// The news commands: store accept, login, receive, fetch, addsite.
#include <cstdio>
#include <mutex>

#include "commands.h"
#include "cli_client.h"
#include "net/subscription_lists.h"
#include "net/login.h"
#include "net/subscription_lists.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/http.h"
#include "reference/reference_tables.h"
#include "settings/app_settings.h"

namespace brevio::cli {
namespace {

int StoreAccept(const Args& args) {
    if (args.size() < 4 || args[0] != "accept" || args[1] != "--group") return Usage("store");
    const std::string group = ToGbk(args[2]);
    std::vector<std::string> blocks;
    for (std::size_t i = 3; i < args.size(); ++i) {
        std::string bytes;
        if (!platform::ReadWholeFile(ToGbk(args[i]), bytes)) {
            ErrorLine("cannot read " + ToGbk(args[i]));
            return kExitFailure;
        }
        blocks.push_back(std::move(bytes));
    }
    // Items handed in by hand belong to no subscription record: the command files them beside
    // a running client without taking its program folder.
    client::StartOptions options = ShortCommandOptions("brevio-cli store");
    options.guest = true;
    PrintingObserver observer(false);
    std::unique_ptr<client::ClientCore> core = StartClient(options, observer);
    if (!core) return kExitFailure;
    for (const std::string& block : blocks) {
        std::printf("%d\n", core->Intake().AcceptRecord(block, group));
    }
    core->Stop();
    return ReportUnwritten(*core) ? kExitFailure : kExitOk;
}

// The login at start-up without a dialog: the automatic login with the stored values.
int AutoLoginCommand() {
    settings::AppSettings s = settings::LoadAppSettings();
    std::string detail;
    switch (net::AutomaticLogin(s, &detail)) {
        case net::LoginResult::kOk:
            PrintLineGbk("logged in as " + s.userId);
            return kExitOk;
        case net::LoginResult::kRejected:
            ErrorLine(s.autoLogin
                          ? net::LoginRejectedText()
                          : "automatic login is off: brevio-cli login USER PASSWORD --auto");
            return kExitFailure;
        default:
            ErrorLine("automatic login failed: " + detail);
            return kExitFailure;
    }
}

int Login(const Args& args) {
    if (args.empty()) return AutoLoginCommand();
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--auto")) {
        return Usage("login");
    }
    const std::string user = ToGbk(args[0]);
    const std::string password = ToGbk(args[1]);
    // As the login dialog's OK does: the values are stored before the portal checks them.
    net::StoreLoginValues(user, password, args.size() == 3);
    settings::AppSettings s = settings::LoadAppSettings();
    std::string detail;
    switch (net::WebLogin(s.portalAddress, s.programFolder, user, password, &detail)) {
        case net::LoginResult::kOk:
            PrintLineGbk("logged in as " + user);
            return kExitOk;
        case net::LoginResult::kRejected:
            ErrorLine(net::LoginRejectedText());
            return kExitFailure;
        case net::LoginResult::kUnreachable:
            ErrorLine("portal " + s.portalAddress + " unreachable: " + detail);
            return kExitFailure;
        case net::LoginResult::kWriteFailed:
            ErrorLine(detail);
            return kExitFailure;
    }
    return kExitFailure;
}

// One line per finished exchange: group, category key, name, then the number of records
// accepted or the failure text.
void PrintReceptionSummary(client::ClientCore& core, const net::ReceptionScheduler::Finished& f) {
    std::optional<net::SubscriptionRecord> r = core.Lists().FindByKey(f.job.categoryId);
    std::string line = net::GroupName(f.job.group) + "\t" + f.job.categoryId + "\t" +
                       (r ? r->categoryName : std::string()) + "\t";
    line += f.result >= 0 ? std::to_string(f.result) : net::ReceptionResultText(f.result);
    PrintLineGbk(line);
}

// The keys among `ids` that no subscription record has. The lists are built as the client
// builds them, without starting it, so a mistyped key stops the command before it begins.
int Receive(const Args& args) {
    enum { kAll, kPublic, kCategories } mode = kAll;
    std::vector<std::string> ids;
    bool quiet = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--quiet") {
            quiet = true;
        } else if (args[i] == "--all") {
            mode = kAll;
        } else if (args[i] == "--public") {
            mode = kPublic;
        } else if (args[i] == "--category") {
            mode = kCategories;
            const std::size_t before = ids.size();
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
                ids.push_back(ToGbk(args[++i]));
            if (ids.size() == before) return Usage("receive");
        } else {
            return Usage("receive");
        }
    }
    PrintingObserver observer(!quiet);
    std::unique_ptr<client::ClientCore> core =
        StartClient(ShortCommandOptions("brevio-cli receive"), observer);
    if (!core) return kExitFailure;
    bool known = true;
    for (const std::string& id : ids) {
        if (core->Lists().FindByKey(id)) continue;
        ErrorLine("no news category " + id);
        known = false;
    }
    if (!known) return Usage("receive");
    auto& reception = core->Reception();
    if (mode == kAll) reception.ReceiveAllSelected();
    if (mode == kPublic) reception.ReceivePublic();
    for (const std::string& id : ids) {
        std::optional<net::SubscriptionRecord> r = core->Lists().FindByKey(id);
        if (r) reception.ReceiveCategory(net::RecordRef{r->group, r->categoryId});
    }
    // Reception schedules itself; it is over when no thread runs.
    reception.WaitIdle(-1);
    const std::size_t left = reception.Queued();
    core->Stop();
    bool ok = !ReportUnwritten(*core);
    if (left > 0) {
        ErrorLine(std::to_string(left) + " categories were not received: an exchange failed");
        ok = false;
    }
    for (const auto& finished : reception.Results()) {
        ok = ok && finished.result >= 0;
        PrintReceptionSummary(*core, finished);
    }
    return ok ? kExitOk : kExitFailure;
}

int Fetch(const Args& args) {
    if (args.size() != 2) return Usage("fetch");
    std::string error;
    if (!platform::FetchToFile(args[0], ToGbk(args[1]), &error)) {
        ErrorLine("fetch failed: " + error);
        return kExitFailure;
    }
    return kExitOk;
}

int AddSite(const Args& args) {
    if (args.size() != 6) return Usage("addsite");
    settings::AppSettings s = settings::LoadAppSettings();
    net::ServerEndpoint server(s);
    net::SiteProposalInput in;
    in.userId = s.userId;
    in.password = s.password;
    in.name = ToGbk(args[0]);
    in.url = ToGbk(args[1]);
    in.category = ToGbk(args[2]);
    in.trade = ToGbk(args[3]);
    in.region = ToGbk(args[4]);
    in.description = ToGbk(args[5]);
    net::ExchangeResult r = net::SendSiteProposal(server, in);
    if (r.code < 0) {
        ErrorLine(net::ResultText(r.code));
        return kExitFailure;
    }
    PrintLineGbk(net::FirstLine(r.reply));
    return net::SiteProposalAccepted(r.reply) ? kExitOk : kExitFailure;
}

}  // namespace

BREVIO_COMMAND("store",
               "  store accept --group GROUP FILE...  hand raw server text blocks to the store\n"
               "                                      and print each returned id (0 = rejected)",
               StoreAccept);
BREVIO_COMMAND("login",
               "  login USER PASSWORD [--auto]        log in through the portal (--auto: log in\n"
               "                                      by itself from now on)\n"
               "  login                               the automatic login with the stored values",
               Login);
BREVIO_COMMAND("receive",
               "  receive [--all | --public | --category ID...] [--quiet]\n"
               "                                      receive news from the server; prints the\n"
               "                                      status texts (not with --quiet), then per\n"
               "                                      exchange: group, key, name, records\n"
               "                                      accepted or the failure text (TSV)",
               Receive);
BREVIO_COMMAND("fetch", "  fetch URL FILE                      web fetch to file", Fetch);
BREVIO_COMMAND("addsite",
               "  addsite NAME URL CATEGORY TRADE REGION INTRO\n"
               "                                      propose a web site to the server",
               AddSite);

}  // namespace brevio::cli
