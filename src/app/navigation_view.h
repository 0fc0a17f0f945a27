// CNavigationView: the tree of public categories under their major categories, trades,
// regions, favourites folders and personal subscriptions. Each branch is rebuilt by its
// refresh code; a selected leaf is reported with the node it stands for.
#pragma once

#include <QTreeWidget>
#include <optional>

#include "client/navigation_tree.h"

namespace brevio::app {

class NavigationView : public QTreeWidget {
    Q_OBJECT
  public:
    enum Branch { kPublic, kTrade, kRegion, kFavorites, kSubscriptions, kBranchCount };
    explicit NavigationView(QWidget* parent = nullptr);

    // Replaces one branch, keeping the others and the selection where it still exists.
    void SetBranch(Branch branch, const client::NavNode& root);
    // The node of the selected item (leaves and inner nodes), and its major category's label
    // for a public category.
    std::optional<client::NavNode> SelectedNode() const;
    QString MajorOfSelected() const;
    // Selects the leaf with that kind and key; false when there is none.
    bool SelectLeaf(client::NavKind kind, const std::string& key);
    // The labels of a branch's children, for tests and the status line.
    QStringList BranchLabels(Branch branch) const;

  signals:
    void NodeSelected(const client::NavNode& node);

  private:
    std::optional<client::NavNode> NodeOf(QTreeWidgetItem* item) const;
    std::vector<client::NavNode> roots_;  // one per branch
};

}  // namespace brevio::app
