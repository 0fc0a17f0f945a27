#include "reference/list_update.h"

#include <time.h>

#include <cstring>

#include "net/exchange.h"
#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "reference/file_names.h"
#include "reference/reference_tables.h"
#include "reference/stock_export.h"
#include "reference/tab_files.h"

namespace brevio::reference {
namespace {

const ListTypeInfo kInfos[] = {
    {ListType::kKind, "Kind", "新闻大类", "Classify_LastUpdate", kNewsKindFile},
    {ListType::kClassify, "Classify", "新闻小类", "Classify_LastUpdate", kNewsClassifyFile},
    {ListType::kTrade, "trade", "行业列表", "Trade_LastUpdate", kTradeFile},
    {ListType::kRegion, "region", "地区列表", "Region_LastUpdate", kRegionFile},
    {ListType::kWebsites, "websites", "网站列表", "Websites_LastUpdate", kWebsitesFile},
    {ListType::kStock, "stock", "股票列表", "Stocks_LastUpdate", kStockTableFile},
    {ListType::kCategorySites, "catwebsites", "新闻网站", "CATWEBSITES_%s_LASTUPDATE", ""},
};

std::string Trimmed(std::optional<std::string> value) {
    return value ? std::string(platform::Trim(*value)) : std::string();
}

std::string Cut(std::string_view text, std::size_t max) {
    return std::string(platform::DbcsPrefix(text, max));
}

// Writes `text` as the temporary `tempPath` (flushed), copies it into `copyFolder` (when not
// empty) and renames it over `targetPath`. kTempFileFailed when the temporary cannot be made.
int ReplaceTable(std::string_view targetPath, const std::string& tempPath, const std::string& text,
                 std::string_view copyFolder, bool logRenameFailure) {
    platform::File file;
    if (!file.Open(tempPath, platform::File::kCreate)) {
        platform::LogFileError("Create " + tempPath, platform::LastError());
        return kTempFileFailed;
    }
    if (!file.Write(text) || !file.Sync()) {
        platform::LogFileError("Write " + tempPath, platform::LastError());
        file.Close();
        platform::RemoveFile(tempPath);
        return kTempFileFailed;
    }
    file.Close();
    if (!copyFolder.empty()) {
        std::string target(targetPath);
        std::size_t slash = target.rfind('/');
        const std::string copy =
            std::string(copyFolder) + (slash == std::string::npos ? target : target.substr(slash + 1));
        if (!platform::CreateFolders(copyFolder) || !platform::WriteFileAtomic(copy, text)) {
            platform::LogFileError("Copy to " + copy, platform::LastError());
        }
    }
    if (!platform::RenameFile(tempPath, targetPath) && logRenameFailure) {
        platform::LogFileError("Rename " + tempPath, platform::LastError());
    }
    return 0;
}

std::string ProfileKey(ListType list, std::string_view cat) {
    if (list != ListType::kCategorySites) return std::string(InfoOf(list).lastUpdateKey);
    return "CATWEBSITES_" + std::string(cat) + "_LASTUPDATE";
}

}  // namespace

const ListTypeInfo& InfoOf(ListType list) {
    return kInfos[static_cast<int>(list)];
}

const CategorySitesGroup* CategorySitesGroupOf(std::string_view cat) {
    for (const CategorySitesGroup& g : kCategorySitesGroups) {
        if (platform::EqualsNoCase(g.cat, cat)) return &g;
    }
    return nullptr;
}

// ---- Last-update values -------------------------------------------------------------------

std::int64_t DefaultLastUpdate() {
    tm t{};
    t.tm_year = 2001 - 1900;
    t.tm_mon = 7;
    t.tm_mday = 13;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(mktime(&t));
}

std::string LastUpdateKey(ListType list, std::string_view cat) {
    return ProfileKey(list, cat);
}

std::int64_t ReadLastUpdate(std::string_view pemloIni, std::string_view key) {
    unsigned char bytes[4] = {};
    if (!platform::ProfileGetStruct(pemloIni, kUpdateSection, key, bytes, sizeof bytes)) {
        return DefaultLastUpdate();
    }
    const std::uint32_t value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                (static_cast<std::uint32_t>(bytes[3]) << 24);
    return static_cast<std::int32_t>(value);
}

bool WriteLastUpdate(std::string_view pemloIni, std::string_view key, std::int64_t time) {
    const std::uint32_t value = static_cast<std::uint32_t>(time);
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return platform::ProfileWriteStruct(pemloIni, kUpdateSection, key, bytes, sizeof bytes);
}

AutoRefreshSwitches ReadAutoRefreshSwitches(std::string_view pemloIni) {
    auto on = [&](std::string_view key) {
        return platform::ProfileGetString(pemloIni, kUpdateSection, key, "0") == "1";
    };
    AutoRefreshSwitches s;
    s.classify = on("AutoUpdateClassify");
    s.region = on("AutoUpdateRegion");
    s.trade = on("AutoUpdateTrade");
    s.websites = on("AutoUpdateWebsites");
    s.stock = on("AutoUpdateStock");
    return s;
}

// ---- Records and writers -----------------------------------------------------------------

std::optional<std::vector<std::string_view>> SplitRecords(std::string_view body) {
    if (body.find('\0') != std::string_view::npos) return std::nullopt;
    std::vector<std::string_view> records;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t end = body.find('\x80', pos);
        if (end == std::string_view::npos) end = body.size();
        std::string_view piece = body.substr(pos, end - pos);
        if (!platform::Trim(piece).empty()) records.push_back(piece);
        pos = body.find_first_not_of('\x80', end);
        if (pos == std::string_view::npos) break;
    }
    return records;
}

std::optional<std::string> RecordValue(std::string_view record, std::string_view key) {
    std::size_t at = record.find(key);
    if (key.empty() || at == std::string_view::npos) return std::nullopt;
    const std::size_t start = at + key.size();
    const std::size_t lf = record.find('\n', start);
    if (lf == std::string_view::npos) return std::nullopt;
    std::string_view value = record.substr(start, lf - start);
    if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
    return std::string(value);
}

std::string StockTempPath(std::string_view targetPath) {
    const std::size_t dot = targetPath.rfind('.');
    return std::string(targetPath.substr(0, dot)) + ".~ab";
}

std::string SiteTempPath(std::string_view targetPath) {
    const std::size_t dot = targetPath.rfind('.');
    return std::string(targetPath.substr(0, dot)) + "~ab";
}

std::string ConversionDataFolder(std::string_view conversionPath) {
    if (conversionPath.empty()) return {};
    return platform::WithSlash(std::string(conversionPath)) + "文本格式/Data/";
}

int WriteStockTable(std::string_view targetPath, std::string_view body,
                    std::string_view conversionPath, const StockNameSink& stockNames) {
    std::optional<std::vector<std::string_view>> records = SplitRecords(body);
    if (!records) return kBodySplitFailed;
    std::string text;
    int lines = 0;
    for (std::string_view record : *records) {
        const std::string code = Trimmed(RecordValue(record, "ID:"));
        const std::string name = Cut(Trimmed(RecordValue(record, "NAME:")), kStockNameMax);
        const std::string aliases = Cut(Trimmed(RecordValue(record, "ALIAS:")), kStockAliasMax);
        const std::string trade = Cut(Trimmed(RecordValue(record, "TRADE:")), kStockTradeMax);
        if (code.empty() || name.empty() || code.size() > kStockCodeMax) continue;
        text += EscapeField(code) + "\t" + EscapeField(name) + "\t" + QuoteField(aliases) + "\t" +
                QuoteField(trade) + "\r\n";
        ++lines;
        if (stockNames) stockNames(code, name, trade, aliases);
    }
    const int count = static_cast<int>(records->size());
    if (lines == 0) return count;
    int rc = ReplaceTable(targetPath, StockTempPath(targetPath), text,
                          ConversionDataFolder(conversionPath), true);
    return rc < 0 ? rc : count;
}

int WriteSiteTable(std::string_view targetPath, std::string_view body,
                   std::string_view conversionPath) {
    std::optional<std::vector<std::string_view>> records = SplitRecords(body);
    if (!records) return kBodySplitFailed;
    std::string text;
    int lines = 0;
    for (std::string_view record : *records) {
        const std::string site = Trimmed(RecordValue(record, "WEBSITEID:"));
        const std::string category = Trimmed(RecordValue(record, "CATID:"));
        if (site.empty() || category.empty() || site.size() > kSiteCodeMax ||
            category.size() > kSiteCodeMax) {
            continue;
        }
        text += EscapeField(site) + "\t" + EscapeField(category) + "\r\n";
        ++lines;
    }
    const int count = static_cast<int>(records->size());
    if (lines == 0) return count;
    int rc = ReplaceTable(targetPath, SiteTempPath(targetPath), text,
                          ConversionDataFolder(conversionPath), false);
    return rc < 0 ? rc : count;
}

int WriteCodeList(std::string_view targetPath, std::string_view body, bool withFlags) {
    std::optional<std::vector<std::string_view>> records = SplitRecords(body);
    if (!records) return kBodySplitFailed;
    RefList current;
    if (withFlags) LoadRefList(targetPath, true, current);
    std::string text;
    int lines = 0;
    for (std::string_view record : *records) {
        const std::string code = Trimmed(RecordValue(record, "ID:"));
        const std::string name = Cut(Trimmed(RecordValue(record, "NAME:")), kListNameMax);
        if (code.empty() || name.empty() || code.size() > kListCodeMax) continue;
        text += EscapeField(code) + "\t" + EscapeField(name);
        if (withFlags) {
            const RefEntry* old = current.FindByCode(code);
            text += '\t';
            text += old && old->flag == kFlagSelected ? kFlagSelected : kFlagNotSelected;
        }
        text += "\r\n";
        ++lines;
    }
    const int count = static_cast<int>(records->size());
    if (lines == 0) return count;
    int rc = ReplaceTable(targetPath, StockTempPath(targetPath), text, {}, true);
    return rc < 0 ? rc : count;
}

// ---- Refresh ------------------------------------------------------------------------------

UpdateDialogRunner HeadlessDialogRunner(std::function<bool()> stopRequested) {
    return [stopRequested](UpdateRequest& request, ListExchange exchange) {
        UpdateDialogForm form(request, std::move(exchange));
        DialogEnd end;
        end.result = form.RunToEnd(stopRequested);
        end.status = form.StatusText();
        end.messages = form.TakeMessages();
        return end;
    };
}

ListExchange ServerListExchange(const net::ServerEndpoint& server,
                                const net::NspCredentials& user) {
    return [&server, user](const UpdateRequest& r) {
        net::ExchangeResult result =
            net::FetchReferenceList(server, user, r.type, r.lastUpdate, r.cat, r.catId);
        return ListReply{result.code, std::move(result.reply)};
    };
}

store::FormMessage UpdateDoneMessage(RefreshList list) {
    const auto info = platform::MessageBoxSink::kInformation;
    switch (list) {
        case RefreshList::kPublicCategories: return {"大众类别更新完毕!", "更新提示", info};
        case RefreshList::kRegions: return {"地区类别更新完毕!", "更新提示", info};
        case RefreshList::kTrades: return {"行业类别更新完毕!", "更新提示", info};
        case RefreshList::kStocks: return {"股票类别更新完毕!", "更新提示", info};
        case RefreshList::kWebsites: break;
    }
    return {"更新完毕!", store::ProgramMessageTitle(), info};
}

int NavigationCodeOf(RefreshList list) {
    switch (list) {
        case RefreshList::kPublicCategories: return kKindPublicCategories;
        case RefreshList::kRegions: return kKindRegions;
        case RefreshList::kTrades: return kKindTrades;
        default: return 0;
    }
}

ListUpdater::ListUpdater(ListUpdateContext context) : context_(std::move(context)) {
    if (!context_.runDialog) context_.runDialog = HeadlessDialogRunner();
}

std::string ListUpdater::TargetPath(std::string_view file) const {
    return DataPath(context_.contentFolder, file);
}

DialogResult ListUpdater::RunExchange(UpdateRequest& request, ExchangeOutcome& outcome) {
    outcome.type = request.type;
    outcome.cat = request.cat;
    DialogEnd end = context_.runDialog(request, context_.exchange);
    outcome.result = end.result;
    outcome.status = std::move(end.status);
    outcome.messages = std::move(end.messages);
    return outcome.result;
}

int ListUpdater::RefreshCodeList(ListType list, bool storeTime) {
    const ListTypeInfo& info = InfoOf(list);
    const std::string key = LastUpdateKey(list);
    UpdateRequest request;
    request.label = info.label;
    request.type = std::string(info.type);
    request.lastUpdate = ReadLastUpdate(context_.pemloIni, key);
    ExchangeOutcome outcome;
    int result = 0;
    if (RunExchange(request, outcome) == DialogResult::kOk) {
        outcome.written = WriteCodeList(TargetPath(info.targetFile), request.body,
                                        list != ListType::kWebsites);
        if (outcome.written >= 0) {
            if (storeTime) WriteLastUpdate(context_.pemloIni, key, request.lastUpdate);
            result = 1;
        }
    }
    exchanges_.push_back(std::move(outcome));
    return result;
}

int ListUpdater::UpdateList(RefreshList list) {
    exchanges_.clear();
    switch (list) {
        case RefreshList::kPublicCategories: {
            const int kinds = RefreshCodeList(ListType::kKind, false);
            const int classify = RefreshCodeList(ListType::kClassify, true);
            return kinds > 0 || classify > 0 ? 1 : 0;
        }
        case RefreshList::kRegions: return RefreshCodeList(ListType::kRegion, true);
        case RefreshList::kTrades: return RefreshCodeList(ListType::kTrade, true);
        case RefreshList::kWebsites: return RefreshCodeList(ListType::kWebsites, true);
        case RefreshList::kStocks: break;
    }
    const ListTypeInfo& info = InfoOf(ListType::kStock);
    const std::string key = LastUpdateKey(ListType::kStock);
    UpdateRequest request;
    request.label = info.label;
    request.type = std::string(info.type);
    request.lastUpdate = ReadLastUpdate(context_.pemloIni, key);
    ExchangeOutcome outcome;
    int result = 0;
    if (RunExchange(request, outcome) == DialogResult::kOk) {
        result = WriteStockTable(TargetPath(info.targetFile), request.body,
                                 context_.conversionPath, context_.stockNames);
        outcome.written = result;
        if (result >= 0) WriteLastUpdate(context_.pemloIni, key, request.lastUpdate);
    }
    exchanges_.push_back(std::move(outcome));
    return result;
}

int ListUpdater::UpdateCategorySites(std::string_view cat, std::string_view catId) {
    const CategorySitesGroup* group = CategorySitesGroupOf(cat);
    if (!group) return 0;
    const std::string key = LastUpdateKey(ListType::kCategorySites, group->cat);
    UpdateRequest request;
    request.label = InfoOf(ListType::kCategorySites).label;
    request.type = std::string(InfoOf(ListType::kCategorySites).type);
    request.cat = std::string(group->cat);
    request.catId = std::string(catId);
    request.lastUpdate = ReadLastUpdate(context_.pemloIni, key);
    ExchangeOutcome outcome;
    if (RunExchange(request, outcome) == DialogResult::kOk) {
        outcome.written = WriteSiteTable(TargetPath(group->targetFile), request.body,
                                         context_.conversionPath);
        if (outcome.written >= 0) WriteLastUpdate(context_.pemloIni, key, request.lastUpdate);
        if (outcome.written > 0 && context_.tables) {
            const Table table = group->targetFile == kWebsiteNewsFile    ? Table::kWebsiteNews
                                : group->targetFile == kWebsiteTradeFile ? Table::kWebsiteTrade
                                                                         : Table::kWebsiteRegion;
            context_.tables->Reload(table);
        }
    }
    exchanges_.push_back(std::move(outcome));
    return 0;
}

void ListUpdater::RefreshCategorySites() {
    for (const CategorySitesGroup& g : kCategorySitesGroups) UpdateCategorySites(g.cat);
}

void ListUpdater::Reload(int table) {
    if (context_.tables) context_.tables->Reload(static_cast<Table>(table));
}

void ListUpdater::AfterRefresh(RefreshList list, int result) {
    if (result <= 0) return;
    switch (list) {
        case RefreshList::kPublicCategories:
            Reload(static_cast<int>(Table::kKinds));
            Reload(static_cast<int>(Table::kPublic));
            break;
        case RefreshList::kRegions: Reload(static_cast<int>(Table::kRegions)); break;
        case RefreshList::kTrades: Reload(static_cast<int>(Table::kTrades)); break;
        case RefreshList::kWebsites: Reload(static_cast<int>(Table::kWebsites)); break;
        case RefreshList::kStocks:
            Reload(static_cast<int>(Table::kStocks));
            if (context_.tables && !context_.transferFolder.empty()) {
                ExportStockNames(context_.transferFolder, *context_.tables);
            }
            break;
    }
    const int code = NavigationCodeOf(list);
    if (code != 0 && context_.window) context_.window->RefreshNavigation(code);
}

int ListUpdater::Refresh(RefreshList list) {
    const int result = UpdateList(list);
    AfterRefresh(list, result);
    return result;
}

store::FormMessage ListUpdater::PressButton(RefreshList list) {
    Refresh(list);
    if (list == RefreshList::kWebsites) RefreshCategorySites();  // adds its exchanges
    return UpdateDoneMessage(list);
}

void ListUpdater::AutoRefresh() {
    const AutoRefreshSwitches on = ReadAutoRefreshSwitches(context_.pemloIni);
    std::vector<ExchangeOutcome> all;
    auto run = [&](RefreshList list) {
        Refresh(list);
        if (list == RefreshList::kWebsites) RefreshCategorySites();
        all.insert(all.end(), exchanges_.begin(), exchanges_.end());
    };
    if (on.classify) run(RefreshList::kPublicCategories);
    if (on.region) run(RefreshList::kRegions);
    if (on.trade) run(RefreshList::kTrades);
    if (on.websites) run(RefreshList::kWebsites);
    if (on.stock) run(RefreshList::kStocks);
    exchanges_ = std::move(all);
}

}  // namespace brevio::reference
