#include "reference/reference_tables.h"

#include "reference/file_names.h"
#include "reference/tab_files.h"

namespace brevio::reference {
namespace {

template <typename T>
std::shared_ptr<const T> Empty() {
    return std::make_shared<const T>();
}

// A site code as a number: decimal digits only, at most 18 of them.
bool CodeNumber(std::string_view code, long long& value) {
    if (code.empty() || code.size() > 18) return false;
    value = 0;
    for (char c : code) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool IsRefTable(Table t) {
    return t == Table::kKinds || t == Table::kPublic || t == Table::kRegions ||
           t == Table::kTrades || t == Table::kWebsites;
}

bool IsSiteTable(Table t) {
    return t == Table::kWebsiteNews || t == Table::kWebsiteTrade || t == Table::kWebsiteRegion;
}

std::shared_ptr<const RefList>* RefSlotOf(Snapshot& s, Table t) {
    switch (t) {
        case Table::kKinds:
            return &s.kinds;
        case Table::kPublic:
            return &s.publicCategories;
        case Table::kRegions:
            return &s.regions;
        case Table::kTrades:
            return &s.trades;
        case Table::kWebsites:
            return &s.websites;
        default:
            return nullptr;
    }
}

std::shared_ptr<const SiteCategoryList>* SiteSlotOf(Snapshot& s, Table t) {
    switch (t) {
        case Table::kWebsiteNews:
            return &s.websiteNews;
        case Table::kWebsiteTrade:
            return &s.websiteTrade;
        case Table::kWebsiteRegion:
            return &s.websiteRegion;
        default:
            return nullptr;
    }
}

constexpr Table kAllTables[kTableCount] = {
    Table::kKinds,        Table::kPublic,        Table::kRegions,
    Table::kTrades,       Table::kWebsites,      Table::kWebsiteNews,
    Table::kWebsiteTrade, Table::kWebsiteRegion, Table::kStocks,
};

}  // namespace

std::string_view TableFileName(Table table) {
    switch (table) {
        case Table::kKinds:
            return kNewsKindFile;
        case Table::kPublic:
            return kNewsClassifyFile;
        case Table::kRegions:
            return kRegionFile;
        case Table::kTrades:
            return kTradeFile;
        case Table::kWebsites:
            return kWebsitesFile;
        case Table::kWebsiteNews:
            return kWebsiteNewsFile;
        case Table::kWebsiteTrade:
            return kWebsiteTradeFile;
        case Table::kWebsiteRegion:
            return kWebsiteRegionFile;
        case Table::kStocks:
            return kStockTableFile;
    }
    return {};
}

ReferenceTables::ReferenceTables() {
    snapshot_.kinds = snapshot_.publicCategories = snapshot_.regions = snapshot_.trades =
        snapshot_.websites = Empty<RefList>();
    snapshot_.websiteNews = snapshot_.websiteTrade = snapshot_.websiteRegion =
        Empty<SiteCategoryList>();
    snapshot_.stocks = Empty<StockTable>();
}

int ReferenceTables::LoadInto(Snapshot& target, Table table,
                              const std::string& contentFolder) const {
    std::string path = DataPath(contentFolder, TableFileName(table));
    int count;
    if (IsRefTable(table)) {
        auto list = std::make_shared<RefList>();
        count = LoadRefList(path, table != Table::kWebsites, *list);
        *RefSlotOf(target, table) = std::move(list);
    } else if (IsSiteTable(table)) {
        auto list = std::make_shared<SiteCategoryList>();
        count = LoadSiteCategoryList(path, *list);
        *SiteSlotOf(target, table) = std::move(list);
    } else {
        auto stocks = std::make_shared<StockTable>();
        count = LoadStockTable(path, *stocks);
        target.stocks = std::move(stocks);
    }
    return count;
}

LoadCounts ReferenceTables::LoadAll(std::string_view contentFolder) {
    std::lock_guard update(updateMutex_);
    std::string folder(contentFolder);
    Snapshot fresh;
    LoadCounts counts;
    for (Table t : kAllTables) counts.counts[static_cast<int>(t)] = LoadInto(fresh, t, folder);
    std::lock_guard lock(mutex_);
    snapshot_ = std::move(fresh);
    contentFolder_ = std::move(folder);
    return counts;
}

int ReferenceTables::Reload(Table table) {
    std::lock_guard update(updateMutex_);
    Snapshot fresh = Current();
    int count = LoadInto(fresh, table, ContentFolder());
    std::lock_guard lock(mutex_);
    snapshot_ = std::move(fresh);
    return count;
}

std::string ReferenceTables::ContentFolder() const {
    std::lock_guard lock(mutex_);
    return contentFolder_;
}

Snapshot ReferenceTables::Current() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
}

#define BREVIO_TABLE_GETTER(Type, Name, member)                 \
    std::shared_ptr<const Type> ReferenceTables::Name() const { \
        std::lock_guard lock(mutex_);                           \
        return snapshot_.member;                                \
    }
BREVIO_TABLE_GETTER(RefList, Kinds, kinds)
BREVIO_TABLE_GETTER(RefList, PublicCategories, publicCategories)
BREVIO_TABLE_GETTER(RefList, Regions, regions)
BREVIO_TABLE_GETTER(RefList, Trades, trades)
BREVIO_TABLE_GETTER(RefList, Websites, websites)
BREVIO_TABLE_GETTER(SiteCategoryList, WebsiteNews, websiteNews)
BREVIO_TABLE_GETTER(SiteCategoryList, WebsiteTrade, websiteTrade)
BREVIO_TABLE_GETTER(SiteCategoryList, WebsiteRegion, websiteRegion)
BREVIO_TABLE_GETTER(StockTable, Stocks, stocks)
#undef BREVIO_TABLE_GETTER

std::shared_ptr<const RefList> ReferenceTables::ListOfKind(int kindCode) const {
    switch (kindCode) {
        case kKindPublicCategories:
            return PublicCategories();
        case kKindRegions:
            return Regions();
        case kKindTrades:
            return Trades();
        default:
            return nullptr;
    }
}

std::optional<std::string> ReferenceTables::NameByKind(int kindCode, std::string_view code) const {
    std::shared_ptr<const RefList> list = ListOfKind(kindCode);
    if (!list) return std::nullopt;
    return list->NameOf(code);
}

std::string ReferenceTables::WebsiteName(long long websiteId) const {
    std::shared_ptr<const RefList> sites = Websites();
    for (const RefEntry& e : *sites) {
        long long value;
        if (CodeNumber(e.code, value) && value == websiteId) return e.name;
    }
    return {};
}

bool ReferenceTables::SetFlag(Table table, std::string_view code, bool selected) {
    if (!IsRefTable(table)) return false;
    std::lock_guard update(updateMutex_);
    Snapshot fresh = Current();
    std::shared_ptr<const RefList>* slot = RefSlotOf(fresh, table);
    auto changed = std::make_shared<RefList>(**slot);
    if (!changed->SetFlag(code, selected)) return false;
    *slot = std::move(changed);
    std::lock_guard lock(mutex_);
    snapshot_ = std::move(fresh);
    return true;
}

void ReferenceTables::Replace(Table table, RefList list) {
    if (!IsRefTable(table)) return;
    std::lock_guard update(updateMutex_);
    auto published = std::make_shared<const RefList>(std::move(list));
    std::lock_guard lock(mutex_);
    *RefSlotOf(snapshot_, table) = std::move(published);
}

void ReferenceTables::Replace(Table table, SiteCategoryList list) {
    if (!IsSiteTable(table)) return;
    std::lock_guard update(updateMutex_);
    auto published = std::make_shared<const SiteCategoryList>(std::move(list));
    std::lock_guard lock(mutex_);
    *SiteSlotOf(snapshot_, table) = std::move(published);
}

void ReferenceTables::Replace(Table table, StockTable list) {
    if (table != Table::kStocks) return;
    std::lock_guard update(updateMutex_);
    auto published = std::make_shared<const StockTable>(std::move(list));
    std::lock_guard lock(mutex_);
    snapshot_.stocks = std::move(published);
}

ReferenceTables& AppReferenceTables() {
    static ReferenceTables tables;
    return tables;
}

std::optional<std::string> NameByKind(int kindCode, std::string_view code) {
    return AppReferenceTables().NameByKind(kindCode, code);
}

}  // namespace brevio::reference
