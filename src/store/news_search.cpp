#include "store/news_search.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "reference/ref_list.h"
#include "reference/reference_tables.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/news_file_replace.h"

namespace brevio::store {
namespace {

constexpr int kTradeScopeEnd = 1000;      // trades below
constexpr int kPublicScopeFirst = 1001;   // public categories from here
constexpr int kPublicScopeLast = 99999;   // to here
constexpr int kRegionScopeBase = 100000;  // regions above
constexpr int kRegionScopeFirst = 100001;

std::string SearchTitle() {
    return "新闻查找";
}

const reference::RefList* ListFor(const reference::Snapshot& tables, FolderKind kind) {
    switch (kind) {
        case kFolderTrade:
            return tables.trades.get();
        case kFolderRegion:
            return tables.regions.get();
        default:
            return tables.publicCategories.get();
    }
}

// The Title field up to its NUL.
std::string_view TitleBytes(const char* record) {
    const char* title = record + record_offset::kTitle;
    const void* nul = std::memchr(title, '\0', kTitleFieldSize);
    std::size_t size =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - title) : kTitleFieldSize;
    return {title, size};
}

int ParseCode(std::string_view code) {
    long long v = platform::ParseLeadingInt(code);
    return v < 0 || v > 1000000000 ? -1 : static_cast<int>(v);
}

bool IsQueryByte(unsigned char c) {
    return c > 0x20 && c != 0x7F && c != '#' && c != '&' && c != '+' && c != '%';
}

}  // namespace

std::optional<FolderKind> SearchScopeKind(int number) {
    if (number < kTradeScopeEnd) return kFolderTrade;
    if (number >= kPublicScopeFirst && number <= kPublicScopeLast) return kPublicCategoryKind;
    if (number >= kRegionScopeFirst) return kFolderRegion;
    return std::nullopt;
}

std::vector<SearchScopeEntry> DefaultSearchScope(const reference::ReferenceTables& tables) {
    reference::Snapshot s = tables.Current();
    std::vector<SearchScopeEntry> scope;
    auto add = [&](const reference::RefList* list, auto number) {
        if (!list) return;
        for (const reference::RefEntry& e : *list) scope.push_back({e.name, number(e.code)});
    };
    add(s.publicCategories.get(), [](std::string_view code) {
        int v = ParseCode(code);
        return v >= kPublicScopeFirst && v <= kPublicScopeLast ? v : kPublicScopeFirst;
    });
    add(s.trades.get(), [](std::string_view code) {
        int v = ParseCode(code);
        return v >= 0 && v < kTradeScopeEnd ? v : 0;
    });
    add(s.regions.get(), [](std::string_view code) {
        int v = ParseCode(code);
        return v > 0 && v <= 1000000000 - kRegionScopeBase ? kRegionScopeBase + v
                                                           : kRegionScopeFirst;
    });
    return scope;
}

int SearchNewsFile(std::string_view folder, std::string_view base, std::string_view keyword,
                   const std::function<void(const NewsRecord&)>& hit) {
    if (!IsSafeFolder(folder) || !IsSafeBaseName(base)) return kCannotOpen;
    int hits = 0;
    int rc = ScanRecords(BasePath(folder, base), [&](std::span<const char, kRecordSize> raw) {
        if (TitleBytes(raw.data()).find(keyword) == std::string_view::npos) return;
        ++hits;
        if (hit) hit(DecodeRecord(raw));
    });
    return rc < 0 ? rc : hits;
}

LocalSearchResult SearchLocal(std::string_view keyword, const std::vector<SearchScopeEntry>& scope,
                              const reference::ReferenceTables& tables,
                              std::string_view contentFolder) {
    LocalSearchResult out;
    out.keyword = std::string(platform::Trim(keyword));
    if (out.keyword.empty()) {
        out.result = kSearchNoKeyword;
        out.message = FormMessage{"请输入您想查找的关键字!", SearchTitle(),
                                  platform::MessageBoxSink::kWarning};
        return out;
    }
    const reference::Snapshot snapshot = tables.Current();
    for (const SearchScopeEntry& entry : scope) {
        std::optional<FolderKind> kind = SearchScopeKind(entry.number);
        if (!kind) continue;
        const reference::RefList* list = ListFor(snapshot, *kind);
        std::optional<std::string> code = list ? list->FindCodeByName(entry.name) : std::nullopt;
        if (!code) continue;
        const std::string folder = ResolveFolder(contentFolder, *kind);
        SearchNewsFile(folder, *code, out.keyword, [&](const NewsRecord& record) {
            out.hits.push_back({*kind, *code, record});
        });
    }
    // Sorting after the last entry gives what sorting after each one would: the sort is
    // stable, so earlier rows stay ahead of later ones of the same time.
    std::stable_sort(out.hits.begin(), out.hits.end(), [](const SearchHit& a, const SearchHit& b) {
        if (a.record.date != b.record.date) return a.record.date > b.record.date;
        return a.record.time > b.record.time;
    });
    out.result = static_cast<int>(out.hits.size());
    if (out.result > 0) {
        out.statusText =
            platform::Format("包含\"%s\"的新闻共有%d条.", out.keyword.c_str(), out.result);
    } else {
        out.message = FormMessage{platform::Format("没找到包含\"%s\"的新闻!", out.keyword.c_str()),
                                  SearchTitle(), platform::MessageBoxSink::kInformation};
    }
    return out;
}

std::string WebSearchAddress(std::string_view engine, std::string_view keyword) {
    std::string address(engine);
    address += "word=";
    for (char c : keyword) {
        unsigned char b = static_cast<unsigned char>(c);
        if (IsQueryByte(b)) {
            address += c;
        } else {
            address += platform::Format("%%%02X", b);
        }
    }
    return address;
}

WebSearchResult SearchWeb(std::string_view keyword) {
    WebSearchResult out;
    std::string_view trimmed = platform::Trim(keyword);
    if (trimmed.empty()) {
        out.result = kSearchNoKeyword;
        out.message = FormMessage{"请输入您想查找的关键字!", SearchTitle(),
                                  platform::MessageBoxSink::kWarning};
        return out;
    }
    out.address = WebSearchAddress(
        settings::ReadString(settings::keys::kSearchEngine, settings::keys::kSearchEngineDefault),
        trimmed);
    out.result = 1;
    return out;
}

int ListPaneHeightForSearch(int current) {
    return current <= kListPaneCollapsed ? kListPaneSearchHeight : current;
}

}  // namespace brevio::store
