#include "app/out_bar.h"

#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QStyle>
#include <QToolBox>
#include <QVBoxLayout>

namespace brevio::app {

OutBar::OutBar(QWidget* parent) : QWidget(parent), box_(new QToolBox(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box_);
    setMinimumWidth(150);
}

int OutBar::AddFolder(const QString& label) {
    auto* list = new QListWidget;
    list->setUniformItemSizes(true);
    list->setWordWrap(true);
    const int index = box_->addItem(list, label);
    connect(list, &QListWidget::itemClicked, this,
            [this, index, list](QListWidgetItem* item) { emit EntryClicked(index, list->row(item)); });
    SetLargeIcons(large_);
    return index;
}

int OutBar::FolderCount() const {
    return box_->count();
}

QString OutBar::FolderLabel(int folder) const {
    return box_->itemText(folder);
}

QListWidget* OutBar::List(int folder) const {
    return qobject_cast<QListWidget*>(box_->widget(folder));
}

void OutBar::FillFolder(int folder, const QStringList& labels) {
    QListWidget* list = List(folder);
    if (!list) return;
    list->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_FileLinkIcon);
    for (const QString& label : labels) list->addItem(new QListWidgetItem(icon, label));
}

QStringList OutBar::Entries(int folder) const {
    QStringList labels;
    if (QListWidget* list = List(folder)) {
        for (int i = 0; i < list->count(); ++i) labels << list->item(i)->text();
    }
    return labels;
}

int OutBar::OpenFolder() const {
    return box_->currentIndex();
}

void OutBar::SetOpenFolder(int folder) {
    if (folder >= 0 && folder < box_->count()) box_->setCurrentIndex(folder);
}

int OutBar::SelectedEntry() const {
    QListWidget* list = List(OpenFolder());
    return list ? list->currentRow() : -1;
}

void OutBar::SetLargeIcons(bool large) {
    large_ = large;
    for (int i = 0; i < box_->count(); ++i) {
        QListWidget* list = List(i);
        list->setViewMode(large ? QListView::IconMode : QListView::ListMode);
        list->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        list->setFlow(QListView::TopToBottom);
        list->setWrapping(false);
        list->setResizeMode(QListView::Adjust);
        list->setMovement(QListView::Static);
        list->setGridSize(large ? QSize(130, 58) : QSize());
    }
}

void OutBar::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* big = menu.addAction(QString::fromUtf8("大图标"));
    QAction* small = menu.addAction(QString::fromUtf8("小图标"));
    big->setCheckable(true);
    small->setCheckable(true);
    big->setChecked(large_);
    small->setChecked(!large_);
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == big) SetLargeIcons(true);
    if (chosen == small) SetLargeIcons(false);
}

}  // namespace brevio::app
