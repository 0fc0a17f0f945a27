// The find bar above the news list as a form object: the label "搜索:", the keyword box, the
// category box and the buttons of the local search and of the web search ("百度").
//
// The category box holds the categories of the three subscription groups: every public
// category, then every trade, then every region (store::DefaultSearchScope). The local search
// scans the news files of every entry the box holds, titles only.
//
// Threads: the checks run on the user-interface thread; the scan runs off it (Run may be
// called on any thread). Each search gets a new generation number, so the result of a search
// overtaken by a newer one is dropped when it comes back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "store/form_message.h"
#include "store/news_search.h"

namespace brevio::reference {
class ReferenceTables;
}

namespace brevio::net {

class FindBarForm {
  public:
    static constexpr int kResource = 128;
    static constexpr int kEnterCommand = 1;  // Enter in the keyword box: the local search
    static constexpr int kSearchCommand = 1158;
    static constexpr int kWebSearchCommand = 1159;
    static std::string Label();          // "搜索:"
    static std::string SearchText();     // "搜索"
    static std::string WebSearchText();  // "百度"

    explicit FindBarForm(std::vector<store::SearchScopeEntry> scope = {})
        : scope_(std::move(scope)) {}
    // After a reference list changed.
    void SetScope(std::vector<store::SearchScopeEntry> scope) { scope_ = std::move(scope); }
    const std::vector<store::SearchScopeEntry>& Scope() const { return scope_; }

    struct Request {
        std::uint64_t generation = 0;
        std::string keyword;  // trimmed
        std::vector<store::SearchScopeEntry> scope;
    };

    // The search command: an empty keyword (blanks only count as empty) gives the message, and
    // the focus goes back to the keyword box; otherwise the search to run.
    std::variant<store::FormMessage, Request> BeginLocal(std::string_view keyword);
    // True when `request` is the newest search, whose result is to be shown.
    bool IsCurrent(const Request& request) const { return request.generation == generation_; }
    // Drops the search under way (its result will not be shown).
    void Abandon() { ++generation_; }

    // The scan of a request: store::SearchLocal over its scope. Any thread.
    static store::LocalSearchResult Run(const Request& request,
                                        const reference::ReferenceTables& tables,
                                        std::string_view contentFolder);

    // The web search button: the message for an empty keyword, else the address the content
    // pane shows.
    static store::WebSearchResult Web(std::string_view keyword) {
        return store::SearchWeb(keyword);
    }

    // The list pane's height for a local search (a pane of 50 pixels or less grows to 250)
    // and for a web search (20, so the result page gets the room).
    static int ListPaneHeightForLocal(int current) {
        return store::ListPaneHeightForSearch(current);
    }
    static constexpr int kListPaneHeightForWeb = store::kListPaneWebHeight;

  private:
    std::vector<store::SearchScopeEntry> scope_;
    std::uint64_t generation_ = 0;
};

}  // namespace brevio::net
