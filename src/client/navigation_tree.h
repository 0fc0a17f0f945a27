// The navigation tree of the main window without a window: the public categories under their
// major categories, the trades, the regions, the favourites folders and the personal
// subscriptions; which news file a node opens; the status line of a selected node.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "reference/ref_list.h"
#include "store/folder_list.h"
#include "store/news_file.h"

namespace brevio::client {

enum class NavKind {
    kPublicRoot,
    kMajorCategory,
    kPublicCategory,
    kTradeRoot,
    kTrade,
    kRegionRoot,
    kRegion,
    kFavoritesRoot,
    kFavoriteFolder,
    kSubscriptionsRoot,
    kSubscriptionFolder,
};

struct NavNode {
    NavKind kind = NavKind::kPublicRoot;
    std::string label;  // GBK
    std::string key;    // category, trade or region code; folder id
    std::vector<NavNode> children;
};

// The five top-level branches, in the tree's order.
NavNode BuildPublicBranch(const reference::RefList& kinds, const reference::RefList& categories);
NavNode BuildTradeBranch(const reference::RefList& trades);
NavNode BuildRegionBranch(const reference::RefList& regions);
NavNode BuildFavoritesBranch(const store::FolderList& favorites);
NavNode BuildSubscriptionsBranch(const store::FolderList& subscriptions);

// The news file a node opens (leaves only).
struct NewsFileRef {
    store::FolderKind kind = store::kFolderPublic;
    std::string base;
    bool operator==(const NewsFileRef&) const = default;
};
std::optional<NewsFileRef> NewsFileOf(const NavNode& node);

// The subscription record a node receives for (public categories, trades, regions): its group
// and reference code (net::SubscriptionLists::RefFor makes the record's key of them).
struct NodeRecord {
    int group = 0;  // net::Group as int: 0 public, 1 trade, 2 region
    std::string code;
};
std::optional<NodeRecord> RecordOf(const NavNode& node);

// The status line of a selected leaf: its kind's text with the news file's count (negative
// shown as 0); for a public category with its major category and the last update time
// ("" when never).
std::string NodeStatusLine(const NavNode& node, int count, std::string_view majorName = {},
                           std::string_view lastUpdate = {});

}  // namespace brevio::client
