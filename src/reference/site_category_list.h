// Which news web sites carry which category: one table each for the public categories, the
// trades and the regions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::reference {

struct SiteCategoryPair {
    std::string category;  // public category, trade or region code
    std::string site;      // web-site code
    char flag = '1';       // always '1'

    bool operator==(const SiteCategoryPair&) const = default;
};

using SiteCategoryList = std::vector<SiteCategoryPair>;

// Index of the next pair at or after `fromIndex` whose category is `categoryCode`, with its
// site code in `site`; -1 when there is none (also for a negative `fromIndex`). Continue with
// the returned index + 1 to visit every site of the category in table order.
int SitesForCategory(const SiteCategoryList& list, std::string_view categoryCode, int fromIndex,
                     std::string& site);

// Every site code of a category, in table order (duplicates kept).
std::vector<std::string> AllSitesForCategory(const SiteCategoryList& list,
                                             std::string_view categoryCode);

}  // namespace brevio::reference
