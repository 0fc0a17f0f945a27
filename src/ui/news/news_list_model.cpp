#include "ui/news/news_list_model.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "app/widgets/text.h"
#include "settings/keys.h"

namespace brevio::ui {
namespace {

constexpr int kIconSize = 16;

// The four images of the strip, drawn: a closed envelope (unread), an open grey one (read),
// a page with a globe mark (web form) and a page with lines (text form).
QPixmap DrawIcon(int image) {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
        case news::kIconUnread:
            p.setPen(QColor(0x1f, 0x5a, 0xa6));
            p.setBrush(QColor(0xff, 0xe0, 0x80));
            p.drawRect(2, 4, 12, 9);
            p.drawLine(2, 4, 8, 9);
            p.drawLine(14, 4, 8, 9);
            break;
        case news::kIconRead:
            p.setPen(QColor(0x90, 0x90, 0x90));
            p.setBrush(QColor(0xf0, 0xf0, 0xf0));
            p.drawRect(2, 6, 12, 8);
            p.drawLine(2, 6, 8, 2);
            p.drawLine(14, 6, 8, 2);
            break;
        case news::kIconWeb:
            p.setPen(QColor(0x30, 0x70, 0x30));
            p.setBrush(Qt::white);
            p.drawRect(3, 1, 10, 14);
            p.drawEllipse(QPointF(8, 8), 3.5, 3.5);
            break;
        default:
            p.setPen(QColor(0x50, 0x50, 0x50));
            p.setBrush(Qt::white);
            p.drawRect(3, 1, 10, 14);
            for (int y = 4; y <= 12; y += 3) p.drawLine(5, y, 11, y);
            break;
    }
    return pixmap;
}

}  // namespace

CNewsListModel::CNewsListModel(QObject* parent)
    : QAbstractTableModel(parent), readColor_(FromWindowsColor(settings::keys::kReadColorDefault)) {
    for (int i = 0; i < 4; ++i) icons_[i] = QIcon(DrawIcon(i));
}

QColor CNewsListModel::FromWindowsColor(int value) {
    const auto v = static_cast<unsigned>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

QColor CNewsListModel::TextColor() {
    return FromWindowsColor(0xE40000);
}

QIcon CNewsListModel::Icon(int image) const {
    return icons_[std::clamp(image, 0, 3)];
}

void CNewsListModel::SetReadColor(int windowsColor) {
    readColor_ = FromWindowsColor(windowsColor);
    if (!rows_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, news::kColumnCount - 1),
                         {Qt::ForegroundRole});
    }
}

int CNewsListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CNewsListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : news::kColumnCount;
}

QVariant CNewsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const news::ListRow& row = Row(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            if (role == Qt::ToolTipRole && index.column() != news::kColumnTitle) return {};
            return app::Q(news::CellText(row, index.column()));
        case Qt::DecorationRole:
            if (index.column() == news::kColumnId) return Icon(row.icon);
            return {};
        case Qt::ForegroundRole:
            return row.InReadColor() ? readColor_ : TextColor();
        default:
            return {};
    }
}

QVariant CNewsListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= news::kColumnCount) return {};
    return app::Q(news::ColumnAt(section).header);
}

void CNewsListModel::SetRows(std::vector<news::ListRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void CNewsListModel::InsertRow(int row, news::ListRow value) {
    row = std::clamp(row, 0, rowCount());
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, std::move(value));
    endInsertRows();
}

void CNewsListModel::Clear() {
    SetRows({});
}

void CNewsListModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the end, one run of neighbouring rows at a time.
    std::size_t end = rows.size();
    while (end > 0) {
        std::size_t start = end - 1;
        while (start > 0 && rows[start - 1] == rows[start] - 1) --start;
        const int first = rows[start];
        const int last = rows[end - 1];
        if (first >= 0 && last < rowCount()) {
            beginRemoveRows(QModelIndex(), first, last);
            rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
            endRemoveRows();
        }
        end = start;
    }
}

void CNewsListModel::Sort(int column, bool ascending) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<std::size_t> order = news::SortRows(rows_, column, ascending);
    std::vector<int> newRowOf(order.size());
    for (std::size_t to = 0; to < order.size(); ++to) newRowOf[order[to]] = static_cast<int>(to);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.append(index(newRowOf[static_cast<std::size_t>(old.row())], old.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool CNewsListModel::SetRead(int row, bool read) {
    if (row < 0 || row >= rowCount()) return false;
    if (!news::SetRowRead(rows_[static_cast<std::size_t>(row)], read)) return false;
    emit dataChanged(index(row, 0), index(row, news::kColumnCount - 1),
                     {Qt::DecorationRole, Qt::ForegroundRole});
    return true;
}

}  // namespace brevio::ui
