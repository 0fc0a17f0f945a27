// The application's reference tables, shared by every subsystem and thread.
//
// Ownership rule: each table is an immutable object behind a shared_ptr. A reader takes a
// table (or a whole Snapshot) and may keep and read it on any thread without further locking;
// it stays valid and unchanged for as long as the reader holds it. Loading and changing a
// table never touches a published table: it builds a new one and publishes it under the lock,
// so readers see the old or the new table, never a half-loaded one.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "reference/ref_list.h"
#include "reference/site_category_list.h"
#include "reference/stock_table.h"

namespace brevio::reference {

enum class Table {
    kKinds,          // "NewsKind.tab", the major public categories
    kPublic,         // "NewsClassify.tab", the public categories (kind 10)
    kRegions,        // "Region.tab" (kind 11)
    kTrades,         // "Trade.tab" (kind 12)
    kWebsites,       // "websites.tab"
    kWebsiteNews,    // "WebsiteNews.tab"
    kWebsiteTrade,   // "WebsiteTrade.tab"
    kWebsiteRegion,  // "WebsiteRegion.tab"
    kStocks,         // "stocktbl.tab"
};
inline constexpr int kTableCount = 9;

// The file name of a table (one of the constants of file_names.h).
std::string_view TableFileName(Table table);

struct Snapshot {
    std::shared_ptr<const RefList> kinds, publicCategories, regions, trades, websites;
    std::shared_ptr<const SiteCategoryList> websiteNews, websiteTrade, websiteRegion;
    std::shared_ptr<const StockTable> stocks;
};

// Per table, the count loaded or kTableOpenFailed.
struct LoadCounts {
    int counts[kTableCount] = {};
    int operator[](Table t) const { return counts[static_cast<int>(t)]; }
};

class ReferenceTables {
  public:
    ReferenceTables();  // every table empty

    // Loads every table from contentFolder + "Data/" (contentFolder ends in "/") and publishes
    // them together. A table whose file cannot be opened becomes empty.
    LoadCounts LoadAll(std::string_view contentFolder);
    // Reloads one table from the content folder of the last LoadAll.
    int Reload(Table table);
    // The content folder of the last LoadAll (empty before).
    std::string ContentFolder() const;

    Snapshot Current() const;
    std::shared_ptr<const RefList> Kinds() const;
    std::shared_ptr<const RefList> PublicCategories() const;
    std::shared_ptr<const RefList> Regions() const;
    std::shared_ptr<const RefList> Trades() const;
    std::shared_ptr<const RefList> Websites() const;
    std::shared_ptr<const SiteCategoryList> WebsiteNews() const;
    std::shared_ptr<const SiteCategoryList> WebsiteTrade() const;
    std::shared_ptr<const SiteCategoryList> WebsiteRegion() const;
    std::shared_ptr<const StockTable> Stocks() const;

    // The list of a kind code (10 public categories, 11 regions, 12 trades); nullptr for any
    // other kind.
    std::shared_ptr<const RefList> ListOfKind(int kindCode) const;
    // The name of `code` in the list of that kind; nothing for an unknown kind or code.
    std::optional<std::string> NameByKind(int kindCode, std::string_view code) const;

    // The name of the web site with that decimal website ID (a site code that reads as the
    // same number, so "12" and "012" both name site 12); empty when the ID is not listed.
    std::string WebsiteName(long long websiteId) const;

    // Sets the selection flag of the first entry with `code` in a code list (kKinds, kPublic,
    // kRegions, kTrades or kWebsites); false when the table has no such entry.
    bool SetFlag(Table table, std::string_view code, bool selected);

    // Publishes a table built elsewhere (after a list update, or in tests).
    void Replace(Table table, RefList list);
    void Replace(Table table, SiteCategoryList list);
    void Replace(Table table, StockTable list);

  private:
    int LoadInto(Snapshot& target, Table table, const std::string& contentFolder) const;

    mutable std::mutex mutex_;  // guards snapshot_ and contentFolder_
    std::mutex updateMutex_;    // serialises loads and changes (read-modify-publish)
    Snapshot snapshot_;
    std::string contentFolder_;
};

// The tables of the running application.
ReferenceTables& AppReferenceTables();

// Name lookup by list kind in the application's tables.
std::optional<std::string> NameByKind(int kindCode, std::string_view code);

}  // namespace brevio::reference
