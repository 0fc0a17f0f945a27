// The news list's model: a table over the rows read from the index records (no item per row
// in the view), six columns, the read-state icons and colours, sorting in the rows' own byte
// order. The rows are GBK; texts are converted only for the cells the view asks for.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <vector>

#include "news/news_rows.h"

namespace brevio::ui {

class CNewsListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit CNewsListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const std::vector<news::ListRow>& Rows() const { return rows_; }
    const news::ListRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }

    // Replaces every row (already in their order).
    void SetRows(std::vector<news::ListRow> rows);
    // Inserts one row at `row` (clamped to the end).
    void InsertRow(int row, news::ListRow value);
    void Clear();
    // Removes rows; `rows` in any order.
    void RemoveRows(std::vector<int> rows);

    // Sorts by a column; selections and other persistent indexes follow their rows.
    void Sort(int column, bool ascending);

    // Marks a row read or unread in the list; true when it changed (see news::SetRowRead).
    bool SetRead(int row, bool read);

    // The colour of rows whose item value is not 0 (ReadColor, a Windows colour value).
    void SetReadColor(int windowsColor);
    QColor ReadColor() const { return readColor_; }
    // The colour of the other rows (0xE40000 as a Windows colour value).
    static QColor TextColor();
    // A Windows colour value (0x00BBGGRR) as a QColor.
    static QColor FromWindowsColor(int value);
    // The image of the icon strip (news::ListIcon).
    QIcon Icon(int image) const;

  private:
    std::vector<news::ListRow> rows_;
    QColor readColor_;
    QIcon icons_[4];
};

}  // namespace brevio::ui
