// The search bar above the news list: the local search over the titles of stored news and
// the web search that hands the keyword to a public search engine.
//
// Scope. The category box holds entries of a display name and a category number. The number
// tells which news file the entry names and which reference list turns the name into the
// file's base name: below 1000 a trade (kind 12, trade list), 1001 to 99999 a public-news
// category (kind 10, category list), 100001 and above a region (kind 11, region list).
// Entries numbered 1000 or 100000, and names no list knows, are skipped.
//
// The local search reads each index in 20-record chunks and keeps every record not marked
// deleted whose Title contains the keyword as a plain byte sequence (GBK bytes,
// case-sensitive); contents are never read. It runs on the user-interface thread while the
// store writer thread may append to the same files: a chunk is read under the news file's
// lock, so a record is seen whole or not at all, and an item appended during the scan may or
// may not be found.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/form_message.h"
#include "store/news_file.h"
#include "store/news_file_format.h"

namespace brevio::reference {
class ReferenceTables;
}

namespace brevio::store {

struct SearchScopeEntry {
    std::string name;  // display name (GBK)
    int number = 0;    // category number
    bool operator==(const SearchScopeEntry&) const = default;
};

// The kind a scope number selects: kFolderTrade, kPublicCategoryKind or kFolderRegion.
inline constexpr FolderKind kPublicCategoryKind = 10;
std::optional<FolderKind> SearchScopeKind(int number);

// Every public category, trade and region of the reference lists, in that order, numbered
// from its code (public and trade codes as they read, regions 100000 + code; a code outside
// its range gets the range's first number).
std::vector<SearchScopeEntry> DefaultSearchScope(const reference::ReferenceTables& tables);

struct SearchHit {
    FolderKind kind = 0;
    std::string base;  // code of the news file
    NewsRecord record;
};

// Not a hit count: the keyword was empty.
inline constexpr int kSearchNoKeyword = -1;

struct LocalSearchResult {
    int result = 0;       // number of hits, or kSearchNoKeyword
    std::string keyword;  // as searched (trimmed)
    // The list rows: newest first by Date and Time; equal times keep the scan order.
    std::vector<SearchHit> hits;
    // The list's status text once there is a hit: "包含"<keyword>"的新闻共有<n>条."
    std::string statusText;
    // The message to show: the empty keyword (warning; the focus goes back to the keyword
    // box) or no hit at all (information). Nothing when there were hits.
    std::optional<FormMessage> message;
};

// The search command. `contentFolder` ends in "/".
LocalSearchResult SearchLocal(std::string_view keyword, const std::vector<SearchScopeEntry>& scope,
                              const reference::ReferenceTables& tables,
                              std::string_view contentFolder);

// The title scan of one news file: calls `hit` for every matching record in file order.
// Returns the number of hits, kCannotOpen when the index cannot be opened (a missing one
// included), kFailed when a read fails part way.
int SearchNewsFile(std::string_view folder, std::string_view base, std::string_view keyword,
                   const std::function<void(const NewsRecord&)>& hit);

struct WebSearchResult {
    int result = 0;       // 1, or kSearchNoKeyword
    std::string address;  // where the content pane navigates
    std::optional<FormMessage> message;
};

// The button of the search bar: the engine address (setting SearchEngine) with
// "word=<keyword>" appended.
WebSearchResult SearchWeb(std::string_view keyword);
// The keyword goes in as its bytes (GBK, which the engine expects); only the bytes that would
// end or change the query value (blank, '#', '&', '+', '%', control bytes) are written %XX.
std::string WebSearchAddress(std::string_view engine, std::string_view keyword);

// Heights of the list pane (pixels): a local search makes a pane of 50 or less 250 high, a
// web search shrinks it to 20 so the result page gets the room.
inline constexpr int kListPaneCollapsed = 50;
inline constexpr int kListPaneSearchHeight = 250;
inline constexpr int kListPaneWebHeight = 20;
int ListPaneHeightForSearch(int current);

}  // namespace brevio::store
