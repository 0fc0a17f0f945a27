#include "reference/site_category_list.h"

namespace brevio::reference {

int SitesForCategory(const SiteCategoryList& list, std::string_view categoryCode, int fromIndex,
                     std::string& site) {
    if (fromIndex < 0) return -1;
    for (std::size_t i = static_cast<std::size_t>(fromIndex); i < list.size(); ++i) {
        if (list[i].category == categoryCode) {
            site = list[i].site;
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<std::string> AllSitesForCategory(const SiteCategoryList& list,
                                             std::string_view categoryCode) {
    std::vector<std::string> sites;
    std::string site;
    for (int i = SitesForCategory(list, categoryCode, 0, site); i >= 0;
         i = SitesForCategory(list, categoryCode, i + 1, site)) {
        sites.push_back(site);
    }
    return sites;
}

}  // namespace brevio::reference
