#include "store_args.h"

#include <climits>

#include "commands.h"

namespace brevio::cli {
namespace {

struct KindName {
    const char* name;
    store::FolderKind kind;
};

constexpr KindName kKinds[] = {
    {"public", store::kFolderPublic},     {"stock", store::kFolderStock},
    {"favorite", store::kFolderFavorite}, {"subscription", store::kFolderSubscription},
    {"region", store::kFolderRegion},     {"trade", store::kFolderTrade},
};

}  // namespace

bool ParseFolderKind(const std::string& text, store::FolderKind& kind) {
    for (const KindName& k : kKinds) {
        if (text == k.name) {
            kind = k.kind;
            return true;
        }
    }
    long long v = 0;
    if (!ParseInt(text, v) || v < INT_MIN || v > INT_MAX) return false;
    kind = static_cast<store::FolderKind>(v);
    return true;
}

std::string FolderKindName(store::FolderKind kind) {
    for (const KindName& k : kKinds) {
        if (k.kind == kind) return k.name;
    }
    return std::to_string(kind);
}

bool ParseNewsId(const std::string& text, std::int32_t& id) {
    long long v = 0;
    if (!ParseInt(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
    id = static_cast<std::int32_t>(v);
    return true;
}

std::string TsvCell(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

std::string RecordRow(const store::NewsRecord& r) {
    return std::to_string(r.newsId) + "\t" + store::RecordTimeText(r.date, r.time) + "\t" +
           TsvCell(r.WebSite()) + "\t" + std::to_string(r.isRead) + "\t" + TsvCell(r.Title()) +
           "\n";
}

}  // namespace brevio::cli
