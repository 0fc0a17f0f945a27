// CNewsListView: the news list above the content pane. A table over the index records of one
// news file (or of search hits), newest first; selecting an item shows it in the content pane
// and marks it read (at once or after MarkSeconds of active showing); commands delete, save as
// text, print, copy into a favourites folder and mark read or unread. The strip below the list
// holds the status line and the collapse button.
//
// Threads: every file operation (loading a news file, reading an item and writing the content
// page, flag writes, deletions, copies, saved files) runs on the view's own worker, one job
// after the other in the order they were asked for, so the user-interface thread never waits
// on a news file or its lock; results come back to the user-interface thread. The daily
// clean-up of the first set-up runs through the client core on a background thread behind a
// modal progress dialog.
#pragma once

#include <QAction>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "news/news_rows.h"
#include "ui/conversion/news_edit_dialogs.h"
#include "news/read_marker.h"
#include "store/news_file.h"
#include "store/news_search.h"

class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace brevio::app {
class BrowserView;
}
namespace brevio::client {
class ClientCore;
}
namespace brevio::news {
class WorkQueue;
}

namespace brevio::ui {

class CNewsContentView;
class CNewsListModel;

class CNewsListView : public QWidget {
    Q_OBJECT
  public:
    // Commands of the list (the ids of the menus and accelerators).
    enum Command {
        kDelete = news::kCommandDelete,                  // Del
        kSave = news::kCommandSave,                      // Ctrl+S
        kPrint = news::kCommandPrint,                    // Ctrl+P
        kAddToFavorites = news::kCommandAddToFavorites,  // Ctrl+I
        kMarkRead = news::kCommandMarkRead,
        kMarkUnread = news::kCommandMarkUnread,
        kMarkAllRead = news::kCommandMarkAllRead,
        kMarkAllUnread = news::kCommandMarkAllUnread,
        kDeleteConverted = 32833,
        kEditNews = 32827,     // the news edit dialog for the first selected item
        kConvertNews = 32828,  // the selected items into files (or rows) for outside programs
    };

    struct Options {
        // Runs the daily clean-up for the start-up moment once the view is set up.
        bool cleanupAtSetUp = true;
    };

    // `contentPane` is the main window's browser view, not owned.
    CNewsListView(client::ClientCore& core, app::BrowserView* contentPane,
                  QWidget* parent = nullptr);
    CNewsListView(client::ClientCore& core, app::BrowserView* contentPane, Options options,
                  QWidget* parent = nullptr);
    ~CNewsListView() override;

    // Fills the list from a news file (replacing the rows, or adding to them without
    // `clearFirst`), sorts it newest first and selects the first row, which shows it. Loaded
    // reports the number of rows added, or store::kCannotOpen when the index is missing (the
    // content pane then shows the empty page).
    void LoadNewsFile(store::FolderKind kind, const std::string& base, bool clearFirst = true);
    // The news file of a navigation leaf (what the main window calls).
    void OpenNewsFile(store::FolderKind kind, const std::string& base) {
        LoadNewsFile(kind, base, true);
    }
    // One row at `row` (the news search passes each hit).
    void AddRecord(int row, store::FolderKind kind, const std::string& base,
                   const store::NewsRecord& record);
    void Clear();
    // The hits of a local search replace the rows (they act on the news files they came
    // from); the first is selected and shown, the status line shows the result's text.
    void ShowSearchHits(const store::LocalSearchResult& result);

    void RunCommand(int command);
    QAction* Action(int command) const;
    // The commands' states for the current selection and rows.
    news::CommandStates CommandStates() const;

    // The status line of the strip (the main window's loaders and the search fill it).
    void SetStatusLine(const QString& text);
    QString StatusLine() const;

    // The list pane's height between 20 and 250 pixels (the "..." button).
    void ToggleCollapse();
    bool Collapsed() const { return collapsed_; }

    CNewsContentView* ContentView() const { return content_; }
    app::BrowserView* ContentPane() const;
    QTableView* List() const { return list_; }
    CNewsListModel* Model() const { return model_; }
    const news::ReadMarker& Marker() const { return marker_; }
    // Rows selected, in list order.
    std::vector<int> SelectedRows() const;

    // The clean-up of the first set-up (called by the view itself unless switched off).
    void RunStartUpCleanup();

    // Test seams: the clock of the mark-read timer and the check its timer runs; the save
    // dialog (gets the proposed path, returns the chosen one or an empty text) and the
    // favourites chooser; waiting until the worker is idle and its results were handled.
    void SetClock(const news::MonotonicClock& clock) { marker_.SetClock(clock); }
    void CheckMarkTimer();
    using SaveDialog = std::function<QString(QWidget* parent, const QString& proposedPath)>;
    void SetSaveDialog(SaveDialog dialog) { saveDialog_ = std::move(dialog); }
    using FavouriteChooser = std::function<std::optional<std::int32_t>(QWidget* parent)>;
    void SetFavouriteChooser(FavouriteChooser chooser) { chooser_ = std::move(chooser); }
    void WaitForFileWork();

    // What the conversion contributes to the list: the rows of converted news shown for a
    // category instead of its news file (nothing: the news file is listed), the converted
    // file a converted row shows, and "删除新闻" of converted rows. The first two run on the
    // worker; `remove` runs there for each selected converted row. Unset, the list shows news
    // files only.
    struct ConvertedNews {
        std::function<std::optional<std::vector<news::ListRow>>(store::FolderKind,
                                                                const std::string& base)>
            rowsFor;
        std::function<std::string(const news::ListRow&)> fileOf;  // GBK path, empty: none
        std::function<void(const news::ListRow&)> remove;
    };
    void SetConvertedNews(ConvertedNews converted) { converted_ = std::move(converted); }

  signals:
    // A load finished: rows added, or store::kCannotOpen.
    void Loaded(int result);
    // An item's page was written and the content pane told to show it.
    void ItemShown(std::int32_t newsId);
    // The clean-up of the first set-up ended: jobs run, or store::kCleanupNotDue.
    void CleanupFinished(int jobs);

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildList();
    void BuildStrip(QWidget* strip);
    void BuildActions();
    QAction* AddAction(int command, const QString& text, const QKeySequence& shortcut = {});
    void UpdateActions();
    void ShowContextMenu(const QPoint& pos);

    // Runs `work` on the worker and `done` with its result on the user-interface thread.
    template <class Result>
    void OnWorker(std::function<Result()> work, std::function<void(Result)> done);
    void OnWorker(std::function<void()> work);

    void RowsArrived(int request, bool clearFirst, int result, std::vector<news::ListRow> rows);
    void OnSelectionChanged();
    void OnClicked();
    void ShowFirstSelected();
    void ShowEmptyPage();
    void ShowConverted(const news::ListRow& row);
    void OnHeaderClicked(int column);
    void OnDoubleClicked(const QModelIndex& index);

    bool IsActive() const;
    void ActivityChanged();
    void ArmMarkTimer();
    void MarkRow(int row, bool read);
    void MarkRows(const std::vector<int>& rows, bool read);
    void MarkAll(bool read);
    void DeleteSelected();
    std::vector<StoredNewsRef> SelectedStoredItems() const;
    void EditSelected();
    void ConvertSelected();
    void DeleteConverted();
    void SaveSelected();
    void AddSelectedToFavorites();
    int FirstSelectedRow() const;
    // The running client's content folder (the options may change it while the list shows).
    const std::string& ContentFolder() const;
    std::string FolderOf(store::FolderKind kind) const;

    client::ClientCore& core_;
    Options options_;
    CNewsContentView* content_ = nullptr;
    CNewsListModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* collapseButton_ = nullptr;
    QTimer* markTimer_ = nullptr;
    std::map<int, QAction*> actions_;
    news::SortState sort_;
    news::ReadMarker marker_;
    int loadRequest_ = 0;
    std::shared_ptr<std::atomic<int>> latestLoad_;
    int showRequest_ = 0;
    bool collapsed_ = false;
    bool cleanupStarted_ = false;
    SaveDialog saveDialog_;
    FavouriteChooser chooser_;
    ConvertedNews converted_;
    // Results of the worker not yet handled on the user-interface thread.
    std::shared_ptr<std::atomic<int>> replies_;
    std::unique_ptr<news::WorkQueue> worker_;
};

}  // namespace brevio::ui
