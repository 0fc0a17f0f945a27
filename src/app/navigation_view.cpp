#include "app/navigation_view.h"

#include <QHeaderView>
#include <QStyle>

#include "app/widgets/text.h"

namespace brevio::app {
namespace {

// Items carry the path of child indices from their branch root: branch, i, j, ...
constexpr int kPathRole = Qt::UserRole + 1;

QTreeWidgetItem* MakeItem(const client::NavNode& node, QList<QVariant> path, QStyle* style) {
    auto* item = new QTreeWidgetItem(QStringList{Q(node.label)});
    item->setData(0, kPathRole, path);
    const bool leaf = node.children.empty() && client::NewsFileOf(node).has_value();
    item->setIcon(0, style->standardIcon(leaf ? QStyle::SP_FileIcon : QStyle::SP_DirIcon));
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        QList<QVariant> childPath = path;
        childPath << static_cast<int>(i);
        item->addChild(MakeItem(node.children[i], childPath, style));
    }
    return item;
}

}  // namespace

NavigationView::NavigationView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    roots_.resize(kBranchCount);
    for (int b = 0; b < kBranchCount; ++b) addTopLevelItem(new QTreeWidgetItem(QStringList{}));
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) return;
        if (std::optional<client::NavNode> node = SelectedNode()) emit NodeSelected(*node);
    });
}

void NavigationView::SetBranch(Branch branch, const client::NavNode& root) {
    roots_[branch] = root;
    QTreeWidgetItem* old = topLevelItem(branch);
    const bool expanded = old && old->isExpanded();
    blockSignals(true);
    delete takeTopLevelItem(branch);
    QTreeWidgetItem* item = MakeItem(root, QList<QVariant>{static_cast<int>(branch)}, style());
    insertTopLevelItem(branch, item);
    item->setExpanded(expanded || branch == kPublic);
    blockSignals(false);
}

std::optional<client::NavNode> NavigationView::SelectedNode() const {
    return NodeOf(currentItem());
}

std::optional<client::NavNode> NavigationView::NodeOf(QTreeWidgetItem* item) const {
    if (!item) return std::nullopt;
    const QList<QVariant> path = item->data(0, kPathRole).toList();
    if (path.isEmpty()) return std::nullopt;
    const int branch = path[0].toInt();
    if (branch < 0 || branch >= kBranchCount) return std::nullopt;
    const client::NavNode* node = &roots_[branch];
    for (int i = 1; i < path.size(); ++i) {
        const int index = path[i].toInt();
        if (index < 0 || index >= static_cast<int>(node->children.size())) return std::nullopt;
        node = &node->children[index];
    }
    return *node;
}

QString NavigationView::MajorOfSelected() const {
    QTreeWidgetItem* item = currentItem();
    if (!item || !item->parent() || !item->parent()->parent()) return QString();
    const QList<QVariant> path = item->data(0, kPathRole).toList();
    if (path.size() != 3 || path[0].toInt() != kPublic) return QString();
    return item->parent()->text(0);
}

bool NavigationView::SelectLeaf(client::NavKind kind, const std::string& key) {
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        std::optional<client::NavNode> node = NodeOf(*it);
        if (node && node->kind == kind && node->key == key) {
            for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) p->setExpanded(true);
            setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

QStringList NavigationView::BranchLabels(Branch branch) const {
    QStringList labels;
    for (const client::NavNode& child : roots_[branch].children) labels << Q(child.label);
    return labels;
}

}  // namespace brevio::app
