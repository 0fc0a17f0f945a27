// The recent-news index page: the newest converted items (at most "pxRecentNewsNum"), turned
// into an HTML page from the text "pxHtmlTitle" with its slots "*Title<n>*" and
// "*LinkPoint<n>*". The list lives in memory for the run; automatic conversion adds every
// item it converts and writes the page again.
//
// Page and folders under F = "pxTitleFilePath": with "pxAutoTrans" 1 the page is
// F/IndexAuto.html with the content folder F/AutoContent, otherwise F/IndexHand.html with
// F/HandContent. With "pxTitleLinkPoint" 1 an entry links to the item's URL, otherwise to a
// page in the content folder holding the item's content.
//
// Threads: one owner (the automatic conversion on the store writer thread).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::conversion {

struct ConversionSettings;

struct RecentItem {
    std::int32_t id = 0;
    std::string title;
    std::string url;
    std::string timeText;  // "yyyy-mm-dd hh:mm:ss"
    std::string content;
};

class RecentNewsIndex {
  public:
    // Inserts the item before the first entry that is strictly older; with none, appends it
    // only while the list holds fewer than `limit` entries. Then keeps at most `limit`.
    void AddRecentItem(RecentItem item, int limit);
    const std::vector<RecentItem>& Items() const { return items_; }

    // Writes the page (and the content pages) for the settings; the page's path, or empty
    // when no folder is set or the page cannot be written.
    std::string WriteRecentIndex(const ConversionSettings& settings) const;

  private:
    std::vector<RecentItem> items_;
};

// The date and time of a time text: "-" and ":" removed, the first eight and the last six
// characters read as numbers.
struct RecentStamp {
    long long date = 0;
    long long time = 0;
    auto operator<=>(const RecentStamp&) const = default;
};
RecentStamp StampOf(std::string_view timeText);

// The page folder F of a "pxTitleFilePath" (at most three characters: the last one dropped;
// a trailing "/" dropped), and the page text for a list of entries. Content pages are written
// into `contentFolder` unless the entries link to their URLs.
std::string RecentPageFolder(std::string_view titleFilePath);
std::string RecentPageText(const ConversionSettings& settings, const std::vector<RecentItem>& items,
                           std::string_view contentFolder);

}  // namespace brevio::conversion
