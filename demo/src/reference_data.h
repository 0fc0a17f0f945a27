// The reference tables the demo serves: public categories under their major categories,
// trades, regions, news web sites, which sites carry which category, and the stock table.
// They are read from the tab-separated UTF-8 files of the data folder.
#pragma once

#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::demo {

struct CodeName {
    std::string code;
    std::string name;  // UTF-8
};

struct SitePair {
    std::string site;
    std::string category;  // public category, trade or region code
};

struct StockRow {
    std::string code;
    std::string name;
    std::string aliases;  // comma-separated
    std::string trade;    // trade code
};

// Which subscription group a category code belongs to.
enum class Group { kNone, kPublic, kTrade, kRegion };

// The bulletin category: its items are the server's announcements.
inline constexpr std::string_view kBulletinCategory = "40005";

class ReferenceData {
  public:
    // Loads every table of `dir`; false with a message on a missing file or a bad row.
    bool Load(const std::string& dir, std::string& error);

    // The group of a code: a public category (five digits, "NewsClassify.tab"), a trade
    // ("Trade.tab") or a region ("Region.tab"). The tables keep the three sets of codes
    // apart, so a code names at most one group.
    Group GroupOf(std::string_view code) const;

    const CodeName* FindPublic(std::string_view code) const { return Find(classify, code); }
    const CodeName* FindTrade(std::string_view code) const { return Find(trades, code); }
    const CodeName* FindRegion(std::string_view code) const { return Find(regions, code); }
    const CodeName* FindWebsite(std::string_view code) const { return Find(websites, code); }
    const StockRow* FindStock(std::string_view code) const;

    // Site codes paired with `category` in one of the site tables, in table order.
    static std::vector<std::string> SitesFor(const std::vector<SitePair>& pairs,
                                             std::string_view category);

    // Modification time of one table file (by file name), 0 when unknown.
    std::time_t Modified(std::string_view fileName) const;

    std::vector<CodeName> kinds;     // NewsKind.tab
    std::vector<CodeName> classify;  // NewsClassify.tab
    std::vector<CodeName> trades;    // Trade.tab
    std::vector<CodeName> regions;   // Region.tab
    std::vector<CodeName> websites;  // websites.tab
    std::vector<SitePair> websiteNews;
    std::vector<SitePair> websiteTrade;
    std::vector<SitePair> websiteRegion;
    std::vector<StockRow> stocks;  // stocktbl.tab

  private:
    static const CodeName* Find(const std::vector<CodeName>& list, std::string_view code);
    std::map<std::string, std::time_t, std::less<>> modified_;
};

}  // namespace brevio::demo
