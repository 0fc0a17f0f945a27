#include "client/navigation_tree.h"

#include "client/main_window_logic.h"

namespace brevio::client {
namespace {

// A public category belongs to the major category whose code its first two characters are.
bool BelongsTo(const std::string& category, const std::string& major) {
    return major.size() == 2 && category.compare(0, 2, major) == 0;
}

NavNode Branch(NavKind kind, const char* label) {
    NavNode node;
    node.kind = kind;
    node.label = label;
    return node;
}

NavNode Leaf(NavKind kind, std::string label, std::string key) {
    NavNode node;
    node.kind = kind;
    node.label = std::move(label);
    node.key = std::move(key);
    return node;
}

}  // namespace

NavNode BuildPublicBranch(const reference::RefList& kinds, const reference::RefList& categories) {
    NavNode root = Branch(NavKind::kPublicRoot, "大众新闻");
    for (const reference::RefEntry& major : kinds) {
        NavNode node = Leaf(NavKind::kMajorCategory, major.name, major.code);
        for (const reference::RefEntry& c : categories) {
            if (BelongsTo(c.code, major.code)) {
                node.children.push_back(Leaf(NavKind::kPublicCategory, c.name, c.code));
            }
        }
        root.children.push_back(std::move(node));
    }
    return root;
}

NavNode BuildTradeBranch(const reference::RefList& trades) {
    NavNode root = Branch(NavKind::kTradeRoot, "行业新闻");
    for (const reference::RefEntry& t : trades) {
        root.children.push_back(Leaf(NavKind::kTrade, t.name, t.code));
    }
    return root;
}

NavNode BuildRegionBranch(const reference::RefList& regions) {
    NavNode root = Branch(NavKind::kRegionRoot, "地区新闻");
    for (const reference::RefEntry& r : regions) {
        root.children.push_back(Leaf(NavKind::kRegion, r.name, r.code));
    }
    return root;
}

NavNode BuildFavoritesBranch(const store::FolderList& favorites) {
    NavNode root = Branch(NavKind::kFavoritesRoot, "收藏夹");
    for (const store::FolderEntry& f : favorites) {
        root.children.push_back(Leaf(NavKind::kFavoriteFolder, f.name, std::to_string(f.id)));
    }
    return root;
}

NavNode BuildSubscriptionsBranch(const store::FolderList& subscriptions) {
    NavNode root = Branch(NavKind::kSubscriptionsRoot, "个性化订阅");
    for (const store::FolderEntry& f : subscriptions) {
        root.children.push_back(
            Leaf(NavKind::kSubscriptionFolder, f.name, std::to_string(f.id)));
    }
    return root;
}

std::optional<NewsFileRef> NewsFileOf(const NavNode& node) {
    switch (node.kind) {
        case NavKind::kPublicCategory:
            return NewsFileRef{store::kFolderPublic, node.key};
        case NavKind::kTrade:
            return NewsFileRef{store::kFolderTrade, node.key};
        case NavKind::kRegion:
            return NewsFileRef{store::kFolderRegion, node.key};
        case NavKind::kFavoriteFolder:
            return NewsFileRef{store::kFolderFavorite, node.key};
        case NavKind::kSubscriptionFolder:
            return NewsFileRef{store::kFolderSubscription, node.key};
        default:
            return std::nullopt;
    }
}

std::optional<NodeRecord> RecordOf(const NavNode& node) {
    switch (node.kind) {
        case NavKind::kPublicCategory:
            return NodeRecord{0, node.key};
        case NavKind::kTrade:
            return NodeRecord{1, node.key};
        case NavKind::kRegion:
            return NodeRecord{2, node.key};
        default:
            return std::nullopt;
    }
}

std::string NodeStatusLine(const NavNode& node, int count, std::string_view majorName,
                           std::string_view lastUpdate) {
    switch (node.kind) {
        case NavKind::kPublicCategory:
            if (majorName.empty()) return NewsCategoryStatus(node.label, count);
            return NewsCategoryStatus(majorName, node.label, count, lastUpdate);
        case NavKind::kTrade:
            return TradeCategoryStatus(node.label, count);
        case NavKind::kRegion:
            return RegionCategoryStatus(node.label, count);
        case NavKind::kFavoriteFolder:
            return FavoritesFolderStatus(node.label, count);
        case NavKind::kSubscriptionFolder:
            return PersonalSubscriptionStatus(node.label, count);
        default:
            return node.label;
    }
}

}  // namespace brevio::client
