// CGfxOutBarCtrl: the outlook-style side bar. Folders stacked one above the other, one open at
// a time, each holding entries with an icon and a label; large or small icons. A click on an
// entry reports the folder index and the entry's position.
#pragma once

#include <QStringList>
#include <QWidget>

class QToolBox;
class QListWidget;

namespace brevio::app {

class OutBar : public QWidget {
    Q_OBJECT
  public:
    explicit OutBar(QWidget* parent = nullptr);

    int AddFolder(const QString& label);
    int FolderCount() const;
    QString FolderLabel(int folder) const;
    // Replaces every entry of a folder (in order; an entry's position is its index).
    void FillFolder(int folder, const QStringList& labels);
    QStringList Entries(int folder) const;
    int OpenFolder() const;
    void SetOpenFolder(int folder);
    // The selected entry of the open folder, -1 when none.
    int SelectedEntry() const;
    void SetLargeIcons(bool large);
    bool LargeIcons() const { return large_; }

  signals:
    void EntryClicked(int folder, int entry);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QListWidget* List(int folder) const;
    QToolBox* box_;
    bool large_ = true;
};

}  // namespace brevio::app
