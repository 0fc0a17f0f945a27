#include "reference_data.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "text_util.h"

namespace brevio::demo {
namespace {

bool AllDigits(std::string_view s, std::size_t minLen, std::size_t maxLen) {
    return s.size() >= minLen && s.size() <= maxLen &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Reads the rows of one table: the fields of every line that is neither empty nor a comment.
bool ReadTable(const std::string& dir, const std::string& file,
               std::vector<std::vector<std::string>>& rows, std::string& error) {
    std::vector<std::string> lines;
    if (!ReadLines(dir + "/" + file, lines)) {
        error = "cannot read " + dir + "/" + file;
        return false;
    }
    rows.clear();
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == '#') continue;
        auto fields = TabFields(line);
        if (!fields.empty()) rows.push_back(std::move(fields));
    }
    return true;
}

// Reads a code list; `valid` checks each code.
bool ReadCodes(const std::string& dir, const std::string& file, std::vector<CodeName>& out,
               bool (*valid)(std::string_view), std::string& error) {
    std::vector<std::vector<std::string>> rows;
    if (!ReadTable(dir, file, rows, error)) return false;
    out.clear();
    for (const auto& row : rows) {
        if (row.size() < 2 || !valid(row[0])) {
            error = file + ": bad row starting with \"" + row[0] + "\"";
            return false;
        }
        out.push_back({row[0], row[1]});
    }
    return true;
}

bool ReadPairs(const std::string& dir, const std::string& file, std::vector<SitePair>& out,
               const std::vector<CodeName>& sites, const std::vector<CodeName>& categories,
               std::string& error) {
    std::vector<std::vector<std::string>> rows;
    if (!ReadTable(dir, file, rows, error)) return false;
    auto has = [](const std::vector<CodeName>& list, const std::string& code) {
        return std::any_of(list.begin(), list.end(),
                           [&](const CodeName& e) { return e.code == code; });
    };
    out.clear();
    for (const auto& row : rows) {
        if (row.size() < 2 || !has(sites, row[0]) || !has(categories, row[1])) {
            error = file + ": unknown site or category in the row starting with \"" + row[0] + "\"";
            return false;
        }
        out.push_back({row[0], row[1]});
    }
    return true;
}

}  // namespace

bool ReferenceData::Load(const std::string& dir, std::string& error) {
    auto twoDigits = [](std::string_view c) { return AllDigits(c, 2, 2); };
    auto fiveDigits = [](std::string_view c) { return AllDigits(c, 5, 5); };
    auto regionCode = [](std::string_view c) { return AllDigits(c, 3, 4); };
    auto siteCode = [](std::string_view c) { return AllDigits(c, 1, 9); };
    if (!ReadCodes(dir, "NewsKind.tab", kinds, twoDigits, error) ||
        !ReadCodes(dir, "NewsClassify.tab", classify, fiveDigits, error) ||
        !ReadCodes(dir, "Trade.tab", trades, twoDigits, error) ||
        !ReadCodes(dir, "Region.tab", regions, regionCode, error) ||
        !ReadCodes(dir, "websites.tab", websites, siteCode, error))
        return false;
    for (const CodeName& c : classify) {
        if (!Find(kinds, std::string_view(c.code).substr(0, 2))) {
            error = "NewsClassify.tab: " + c.code + " has no major category";
            return false;
        }
    }
    if (!FindPublic(kBulletinCategory)) {
        error = "NewsClassify.tab: the bulletin category " + std::string(kBulletinCategory) +
                " is missing";
        return false;
    }
    std::set<std::string> seen;
    for (const auto* list : {&classify, &trades, &regions}) {
        for (const CodeName& c : *list) {
            if (!seen.insert(c.code).second) {
                error = "code " + c.code + " is listed twice among categories, trades and regions";
                return false;
            }
        }
    }
    if (!ReadPairs(dir, "WebsiteNews.tab", websiteNews, websites, classify, error) ||
        !ReadPairs(dir, "WebsiteTrade.tab", websiteTrade, websites, trades, error) ||
        !ReadPairs(dir, "WebsiteRegion.tab", websiteRegion, websites, regions, error))
        return false;

    std::vector<std::vector<std::string>> rows;
    if (!ReadTable(dir, "stocktbl.tab", rows, error)) return false;
    stocks.clear();
    for (auto& row : rows) {
        row.resize(4);
        if (!AllDigits(row[0], 6, 6) || row[1].empty() || !FindTrade(row[3])) {
            error = "stocktbl.tab: bad row starting with \"" + row[0] + "\"";
            return false;
        }
        stocks.push_back({row[0], row[1], row[2], row[3]});
    }

    modified_.clear();
    for (const char* file :
         {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab", "websites.tab",
          "WebsiteNews.tab", "WebsiteTrade.tab", "WebsiteRegion.tab", "stocktbl.tab"}) {
        struct stat st {};
        if (stat((dir + "/" + file).c_str(), &st) == 0) modified_[file] = st.st_mtime;
    }
    return true;
}

Group ReferenceData::GroupOf(std::string_view code) const {
    if (FindPublic(code)) return Group::kPublic;
    if (FindTrade(code)) return Group::kTrade;
    if (FindRegion(code)) return Group::kRegion;
    return Group::kNone;
}

const StockRow* ReferenceData::FindStock(std::string_view code) const {
    for (const StockRow& s : stocks) {
        if (s.code == code) return &s;
    }
    return nullptr;
}

std::vector<std::string> ReferenceData::SitesFor(const std::vector<SitePair>& pairs,
                                                 std::string_view category) {
    std::vector<std::string> sites;
    for (const SitePair& p : pairs) {
        if (p.category == category) sites.push_back(p.site);
    }
    return sites;
}

std::time_t ReferenceData::Modified(std::string_view fileName) const {
    auto it = modified_.find(fileName);
    return it == modified_.end() ? 0 : it->second;
}

const CodeName* ReferenceData::Find(const std::vector<CodeName>& list, std::string_view code) {
    for (const CodeName& e : list) {
        if (e.code == code) return &e;
    }
    return nullptr;
}

}  // namespace brevio::demo
