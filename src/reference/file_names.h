// The files of the reference tables. They all live in the folder "Data/" under the content
// folder; each file has exactly one spelling here, and every path to it is built from these.
#pragma once

#include <string>
#include <string_view>

namespace brevio::reference {

inline constexpr std::string_view kDataFolder = "Data/";

inline constexpr std::string_view kNewsKindFile = "NewsKind.tab";          // major categories
inline constexpr std::string_view kNewsClassifyFile = "NewsClassify.tab";  // public categories
inline constexpr std::string_view kRegionFile = "Region.tab";
inline constexpr std::string_view kTradeFile = "Trade.tab";
inline constexpr std::string_view kWebsitesFile = "websites.tab";
inline constexpr std::string_view kWebsiteNewsFile = "WebsiteNews.tab";
inline constexpr std::string_view kWebsiteTradeFile = "WebsiteTrade.tab";
inline constexpr std::string_view kWebsiteRegionFile = "WebsiteRegion.tab";
inline constexpr std::string_view kStockTableFile = "stocktbl.tab";
inline constexpr std::string_view kBulletinFile = "Bullient.tab";
inline constexpr std::string_view kUserWebsiteFile = "UserWebsite.tab";

// Appended to the full path of "UserWebsite.tab" for the categories above 6999.
inline constexpr std::string_view kOtherSuffix = "Other";

// The data folder of a content folder (which ends in "/"): contentFolder + "Data/".
inline std::string DataFolder(std::string_view contentFolder) {
    std::string folder(contentFolder);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    folder += kDataFolder;
    return folder;
}

// Full path of one reference file of a content folder.
inline std::string DataPath(std::string_view contentFolder, std::string_view fileName) {
    return DataFolder(contentFolder) + std::string(fileName);
}

}  // namespace brevio::reference
