// The pages of the demo portal, built as text: the login answer, the user configuration
// document, the settings pages of the portal lists and the pages their links lead to.
// Pages for the client's own parsing (login answer, news, radar, stock and site pages) are
// GBK like the rest of the client's data; the configuration document and the settings pages
// are UTF-8.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "news_generator.h"
#include "reference_data.h"
#include "users.h"

namespace brevio::demo {

// One entry of a portal list; the link may hold "{portal}" for the portal's address.
struct PortalEntry {
    std::string title;  // UTF-8
    std::string link;
};

// The portal lists of one user, by section name ("myRadar", "myNews", "myStock",
// "informationRelease", "MyWeb", "MyEmail", "MyBlog").
using PortalLists = std::map<std::string, std::vector<PortalEntry>, std::less<>>;

// Reads "portal.txt": "[section]" lines, then one "title<TAB>link" line per entry.
bool LoadPortalLists(const std::string& path, PortalLists& lists, std::string& error);

// Replaces "{portal}" in a link by the portal's address.
std::string ExpandLink(std::string_view link, std::string_view base);

// The markers around the category list in the login answer.
inline constexpr std::string_view kLoginMarker = "###!!!###OK@@@";

// The user's category list as the client stores it, with "<br>" for each line end:
// "[0]<br>CategoryID=...<br>CategoryName=...<br>[1]<br>...". A public category is written as
// its number, a trade as 200 plus its number, a region as 100000 plus its number. GBK.
std::string CategoryListText(const User& user, const ReferenceData& refs);

// Login pages (GBK). The accepted answer carries the category list between two markers;
// the form page shows `message` above the form and carries no marker.
std::string LoginAcceptedPage(const User& user, const ReferenceData& refs);
std::string LoginFormPage(std::string_view messageUtf8);
std::string RegistrationPage();

// The user configuration document (UTF-8 XML).
std::string UserTreeXml(const User& user, const PortalLists& lists, std::string_view base);

// One settings page of a portal list and the ids of its two buttons: the first accepts the
// changes, the second leaves the list as it was.
struct SettingsPageInfo {
    std::string_view path;     // as the client spells it
    std::string_view section;  // portal list it edits
    std::string_view title;
    std::string_view okId;
    std::string_view cancelId;
};
const std::vector<SettingsPageInfo>& SettingsPages();
// The page for `path` (compared without regard to case), or null.
const SettingsPageInfo* FindSettingsPage(std::string_view path);

// The form of a settings page (UTF-8): the list with a check box per entry, fields for a
// new entry and the two buttons. `action` is the address the form posts to.
std::string SettingsFormPage(const SettingsPageInfo& page, const std::vector<PortalEntry>& list,
                             std::string_view action, std::string_view base);
// The page shown after a button was pressed (UTF-8), without buttons.
std::string SettingsResultPage(const SettingsPageInfo& page, bool saved,
                               const std::vector<PortalEntry>& list, std::string_view base);
std::string SettingsRefusedPage();

// Pages behind the links (GBK).
std::string NewsPage(const NewsItem& item, const ReferenceData& refs);
std::string StockPage(const StockRow& stock, const std::vector<NewsItem>& news,
                      const ReferenceData& refs);
std::string SitePage(const CodeName& site, const std::vector<NewsItem>& news,
                     const ReferenceData& refs);
// A small UTF-8 page for the other portal links.
std::string PlainPortalPage(std::string_view name);
std::string IndexPage(std::string_view base);

// The radar pages. Page 1 changes one line on every fetch (`fetch` counts from 1 and
// `headline` is GBK); page 2 never changes; page 3 is served on odd fetches with a line that
// names the count of its appearances, and is missing (404) on even ones.
std::string RadarPageChanging(int fetch, std::string_view headline);
std::string RadarPageStatic(const ReferenceData& refs);
std::string RadarPageSometimes(int appearance);

}  // namespace brevio::demo
