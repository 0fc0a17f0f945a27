#include "ui/news/news_list_view.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <thread>

#include "app/widgets/background.h"
#include "app/widgets/browser_view.h"
#include "app/widgets/text.h"
#include "client/client_core.h"
#include "news/content_page.h"
#include "news/save_text.h"
#include "news/work_queue.h"
#include "platform/fs.h"
#include "settings/history_cleanup.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/folder_forms.h"
#include "store/maintenance.h"
#include "ui/news/news_content_view.h"
#include "ui/news/news_list_model.h"
#include "ui/store/folder_dialogs.h"

namespace brevio::ui {

using app::U;
namespace {

constexpr int kStripHeight = 22;
constexpr int kCollapsedHeight = 20;
constexpr int kExpandedHeight = 250;

// The clean-up's progress in its dialog: the first line, then the news file at work.
QString CleanupLabel(const QString& basePath) {
    return U("<font face=\"宋体\" color=blue>整理过期新闻...</font><br>") +
           basePath.toHtmlEscaped();
}

// Reports the clean-up's jobs to its dialog. Called on the clean-up's thread; the dialog is
// reached on the user-interface thread only.
class DialogProgress : public store::CleanupProgress {
  public:
    explicit DialogProgress(QProgressDialog* dialog) : dialog_(dialog) {}
    void JobStarted(std::size_t, const store::CleanupJob& job) override {
        QPointer<QProgressDialog> dialog = dialog_;
        const QString label = CleanupLabel(app::Q(job.basePath));
        QMetaObject::invokeMethod(
            qApp,
            [dialog, label] {
                if (dialog) dialog->setLabelText(label);
            },
            Qt::QueuedConnection);
    }

  private:
    QPointer<QProgressDialog> dialog_;  // copied here, looked at on the user-interface thread
};

// One selected row's item as the worker reads it.
struct ItemRef {
    store::FolderKind kind = 0;
    std::string base;
    std::int32_t id = 0;
};

ItemRef RefOf(const news::ListRow& row) {
    return {row.kind, row.base, row.newsId};
}

}  // namespace

CNewsListView::CNewsListView(client::ClientCore& core, app::BrowserView* contentPane,
                             QWidget* parent)
    : CNewsListView(core, contentPane, Options{}, parent) {}

CNewsListView::CNewsListView(client::ClientCore& core, app::BrowserView* contentPane,
                             Options options, QWidget* parent)
    : QWidget(parent),
      core_(core),
      options_(options),
      latestLoad_(std::make_shared<std::atomic<int>>(0)),
      replies_(std::make_shared<std::atomic<int>>(0)),
      worker_(std::make_unique<news::WorkQueue>()) {
    content_ = new CNewsContentView(contentPane, this);
    model_ = new CNewsListModel(this);
    model_->SetReadColor(
        settings::ReadInt(settings::keys::kReadColor, settings::keys::kReadColorDefault));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    list_ = new QTableView(this);
    BuildList();
    layout->addWidget(list_, 1);
    auto* strip = new QWidget(this);
    BuildStrip(strip);
    layout->addWidget(strip, 0);
    BuildActions();

    markTimer_ = new QTimer(this);
    markTimer_->setSingleShot(true);
    connect(markTimer_, &QTimer::timeout, this, &CNewsListView::CheckMarkTimer);

    if (options_.cleanupAtSetUp) {
        QTimer::singleShot(0, this, &CNewsListView::RunStartUpCleanup);
    }
}

CNewsListView::~CNewsListView() {
    // Every job asked for is done (flags and copies are not lost); its reply is dropped with
    // this object's posted events.
    worker_.reset();
}

void CNewsListView::BuildList() {
    list_->setObjectName(QStringLiteral("newsList"));
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    list_->setWordWrap(false);
    list_->setIconSize(QSize(16, 16));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setMinimumHeight(0);
    QHeaderView* rows = list_->verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    QHeaderView* header = list_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    for (int c = 0; c < news::kColumnCount; ++c) {
        const int width = news::ColumnAt(c).width;
        if (width == 0) {
            list_->setColumnHidden(c, true);
        } else {
            list_->setColumnWidth(c, width);
        }
    }
    list_->viewport()->installEventFilter(this);

    connect(header, &QHeaderView::sectionClicked, this, &CNewsListView::OnHeaderClicked);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CNewsListView::OnSelectionChanged);
    connect(list_, &QTableView::doubleClicked, this, &CNewsListView::OnDoubleClicked);
    connect(list_, &QTableView::customContextMenuRequested, this, &CNewsListView::ShowContextMenu);
}

void CNewsListView::BuildStrip(QWidget* strip) {
    strip->setObjectName(QStringLiteral("newsStrip"));
    strip->setFixedHeight(kStripHeight);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(4);
    statusLine_ = new QLabel(strip);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    row->addWidget(statusLine_, 1);
    collapseButton_ = new QPushButton(QStringLiteral("..."), strip);
    collapseButton_->setObjectName(QStringLiteral("collapse"));
    collapseButton_->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    collapseButton_->setFixedHeight(kStripHeight - 2);
    row->addWidget(collapseButton_);
    connect(collapseButton_, &QPushButton::clicked, this, &CNewsListView::ToggleCollapse);
}

QAction* CNewsListView::AddAction(int command, const QString& text, const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    action->setData(command);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    addAction(action);
    actions_[command] = action;
    return action;
}

void CNewsListView::BuildActions() {
    AddAction(kAddToFavorites, U("添加到收藏夹"), QKeySequence(Qt::CTRL | Qt::Key_I));
    AddAction(kPrint, U("打印"), QKeySequence(Qt::CTRL | Qt::Key_P));
    AddAction(kDelete, U("删除"), QKeySequence(Qt::Key_Delete));
    AddAction(kMarkRead, U("标记成\"已读\""));
    AddAction(kMarkUnread, U("标记成\"未读\""));
    AddAction(kSave, U("保存到文件"), QKeySequence(Qt::CTRL | Qt::Key_S));
    AddAction(kMarkAllRead, U("全部标记成\"已读\""));
    AddAction(kMarkAllUnread, U("全部标记成\"未读\""));
    AddAction(kDeleteConverted, U("删除新闻"));
    AddAction(kEditNews, U("编辑新闻"));
    AddAction(kConvertNews, U("转换新闻"));
    UpdateActions();
}

QAction* CNewsListView::Action(int command) const {
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

news::CommandStates CNewsListView::CommandStates() const {
    std::vector<std::size_t> selected;
    for (int row : SelectedRows()) selected.push_back(static_cast<std::size_t>(row));
    return news::CommandStatesFor(model_->Rows(), selected);
}

void CNewsListView::UpdateActions() {
    std::vector<std::size_t> selected;
    for (int row : SelectedRows()) selected.push_back(static_cast<std::size_t>(row));
    const news::CommandStates states = news::SelectionCommandStates(model_->Rows(), selected);
    for (int command : std::initializer_list<int>{kDelete, kSave, kPrint, kAddToFavorites,
                                                  kMarkRead, kMarkUnread}) {
        actions_[command]->setEnabled(states.Enabled(command));
    }
    // The conversion commands act on what the save command acts on: any selected stored item.
    actions_[kEditNews]->setEnabled(states.Enabled(kSave));
    actions_[kConvertNews]->setEnabled(states.Enabled(kSave));
}

void CNewsListView::ShowContextMenu(const QPoint& pos) {
    const int first = FirstSelectedRow();
    if (first < 0) return;
    QMenu menu(this);
    if (model_->Row(first).Converted()) {
        QAction* remove = actions_[kDeleteConverted];
        remove->setEnabled(static_cast<bool>(converted_.remove));
        menu.addAction(remove);
    } else {
        const news::CommandStates states = CommandStates();
        constexpr int kSeparator = -1;
        for (int command : std::initializer_list<int>{kAddToFavorites, kPrint, kDelete, kSeparator,
                                                      kMarkRead, kMarkUnread, kMarkAllRead,
                                                      kMarkAllUnread, kSeparator, kSave,
                                                      kSeparator, kEditNews, kConvertNews}) {
            if (command == kSeparator) {
                menu.addSeparator();
                continue;
            }
            const int enabling = command == kEditNews || command == kConvertNews ? kSave : command;
            actions_[command]->setEnabled(states.Enabled(enabling));
            menu.addAction(actions_[command]);
        }
    }
    menu.exec(list_->viewport()->mapToGlobal(pos));
    UpdateActions();
}

template <class Result>
void CNewsListView::OnWorker(std::function<Result()> work, std::function<void(Result)> done) {
    std::shared_ptr<std::atomic<int>> replies = replies_;
    replies->fetch_add(1);
    // The worker ends before this object does (the destructor), so `this` stays valid for
    // posting; a reply still queued when the object goes is dropped with its posted events.
    worker_->Post([this, replies, work = std::move(work), done = std::move(done)] {
        Result result = work();
        QMetaObject::invokeMethod(
            this,
            [replies, done, result = std::move(result)]() mutable {
                done(std::move(result));
                replies->fetch_sub(1);
            },
            Qt::QueuedConnection);
    });
}

void CNewsListView::OnWorker(std::function<void()> work) {
    worker_->Post(std::move(work));
}

void CNewsListView::WaitForFileWork() {
    do {
        worker_->WaitIdle();
        QCoreApplication::sendPostedEvents(this);
        QCoreApplication::processEvents();
    } while (replies_->load() > 0 || worker_->Pending() > 0);
}

const std::string& CNewsListView::ContentFolder() const {
    return core_.Settings().contentFolder;
}

std::string CNewsListView::FolderOf(store::FolderKind kind) const {
    return store::ResolveFolder(ContentFolder(), kind);
}

app::BrowserView* CNewsListView::ContentPane() const {
    return content_->Browser();
}

// ---- loading

void CNewsListView::LoadNewsFile(store::FolderKind kind, const std::string& base, bool clearFirst) {
    const int request = ++loadRequest_;
    latestLoad_->store(request);
    struct LoadedRows {
        int result = 0;
        std::vector<news::ListRow> rows;
    };
    std::shared_ptr<std::atomic<int>> latest = latestLoad_;
    const std::string folder = ContentFolder();
    ConvertedNews converted = converted_;
    OnWorker<std::shared_ptr<LoadedRows>>(
        [latest, request, folder, kind, base, converted] {
            auto loaded = std::make_shared<LoadedRows>();
            if (latest->load() != request) return loaded;  // another load was asked for since
            if (converted.rowsFor) {
                if (auto rows = converted.rowsFor(kind, base)) {
                    loaded->rows = std::move(*rows);
                    loaded->result = static_cast<int>(loaded->rows.size());
                    return loaded;
                }
            }
            loaded->result = news::ReadNewsFileRows(folder, kind, base, loaded->rows);
            return loaded;
        },
        [this, request, clearFirst](std::shared_ptr<LoadedRows> loaded) {
            RowsArrived(request, clearFirst, loaded->result, std::move(loaded->rows));
        });
}

void CNewsListView::RowsArrived(int request, bool clearFirst, int result,
                                std::vector<news::ListRow> rows) {
    if (request != loadRequest_) return;

    if (result < 0) {
        if (clearFirst) model_->Clear();
        ShowEmptyPage();
        UpdateActions();
        emit Loaded(result);
        return;
    }
    const int added = static_cast<int>(rows.size());
    if (clearFirst || model_->rowCount() == 0) {
        model_->SetRows(std::move(rows));
    } else {
        std::vector<news::ListRow> all = model_->Rows();
        all.insert(all.end(), std::make_move_iterator(rows.begin()),
                   std::make_move_iterator(rows.end()));
        news::SortRows(all, news::kColumnTime, false);
        model_->SetRows(std::move(all));
    }
    sort_.Set(news::kColumnTime, false);
    list_->horizontalHeader()->setSortIndicator(news::kColumnTime, Qt::DescendingOrder);
    if (added == 0 && model_->rowCount() == 0) {
        ShowEmptyPage();
    } else if (model_->rowCount() > 0) {
        list_->setCurrentIndex(model_->index(0, news::kColumnTitle));
        list_->scrollToTop();
        list_->setFocus();
    }
    UpdateActions();
    emit Loaded(added);
}

void CNewsListView::AddRecord(int row, store::FolderKind kind, const std::string& base,
                              const store::NewsRecord& record) {
    model_->InsertRow(row, news::RowOfRecord(kind, base, record));
    UpdateActions();
}

void CNewsListView::ShowSearchHits(const store::LocalSearchResult& result) {
    std::vector<news::ListRow> rows;
    rows.reserve(result.hits.size());
    for (const store::SearchHit& hit : result.hits) {
        rows.push_back(news::RowOfRecord(hit.kind, hit.base, hit.record));
    }
    // Any load still on its way would replace the hits.
    ++loadRequest_;
    latestLoad_->store(loadRequest_);
    RowsArrived(loadRequest_, true, static_cast<int>(rows.size()), std::move(rows));
    SetStatusLine(app::Q(result.statusText));
}

void CNewsListView::Clear() {
    ++loadRequest_;
    latestLoad_->store(loadRequest_);
    model_->Clear();
    UpdateActions();
}

// ---- selection and showing

std::vector<int> CNewsListView::SelectedRows() const {
    std::vector<int> rows;
    const QItemSelection selection = list_->selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int CNewsListView::FirstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : list_->selectionModel()->selection()) {
        if (first < 0 || range.top() < first) first = range.top();
    }
    return first;
}

void CNewsListView::OnSelectionChanged() {
    UpdateActions();
    if (FirstSelectedRow() < 0) return;  // a changed item with nothing selected does nothing
    ShowFirstSelected();
}

void CNewsListView::OnClicked() {
    if (FirstSelectedRow() < 0) {
        ShowEmptyPage();
        return;
    }
    ShowFirstSelected();
}

bool CNewsListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // After the view has handled the click (and changed the selection).
        QTimer::singleShot(0, this, &CNewsListView::OnClicked);
    }
    return QWidget::eventFilter(watched, event);
}

void CNewsListView::ShowFirstSelected() {
    const int first = FirstSelectedRow();
    if (first < 0) return;
    const news::ListRow& row = model_->Row(first);
    if (row.Converted()) {
        ShowConverted(row);
        return;
    }
    const settings::AppSettings& s = core_.Settings();
    const news::SelectOutcome outcome =
        marker_.Select(row.newsId, s.isAutoMark != 0, s.markSeconds, IsActive());
    if (!outcome.show) return;

    const int request = ++showRequest_;
    const std::string folder = FolderOf(row.kind);
    const std::string path = content_->PagePath();
    news::PageItem item{row.title, row.timeText, row.webSite, {}};
    const ItemRef ref = RefOf(row);
    OnWorker<int>(
        [folder, path, item, ref]() mutable {
            store::NewsRecord record;
            std::string content;
            const int rc = store::ReadItem(folder, ref.base, ref.id, record, content);
            item.content = news::DisplayedContent(rc, std::move(content));
            return news::RenderToFile(item, path);
        },
        [this, request, id = ref.id](int written) {
            if (written != news::kPageWritten || request != showRequest_) return;
            content_->ShowPageFile();
            emit ItemShown(id);
        });

    switch (outcome.mark) {
        case news::MarkAction::kMarkNow:
            markTimer_->stop();
            MarkRow(first, true);
            break;
        case news::MarkAction::kTimerStarted:
            ArmMarkTimer();
            break;
        case news::MarkAction::kNone:
            markTimer_->stop();
            break;
    }
}

void CNewsListView::ShowEmptyPage() {
    const int request = ++showRequest_;
    const std::string path = content_->PagePath();
    OnWorker<int>([path] { return news::RenderToFile(news::PageItem{}, path); },
                  [this, request](int written) {
                      if (written == news::kPageWritten && request == showRequest_) {
                          content_->ShowPageFile();
                      }
                  });
}

void CNewsListView::ShowConverted(const news::ListRow& row) {
    if (!converted_.fileOf) return;
    const int request = ++showRequest_;
    auto fileOf = converted_.fileOf;
    OnWorker<std::string>([fileOf, row] { return fileOf(row); },
                          [this, request](std::string path) {
                              if (path.empty() || request != showRequest_) return;
                              if (app::BrowserView* pane = ContentPane()) {
                                  pane->OpenFile(app::QPath(path));
                              }
                          });
}

void CNewsListView::OnHeaderClicked(int column) {
    const bool ascending = sort_.Click(column);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    model_->Sort(column, ascending);
    QApplication::restoreOverrideCursor();
    list_->horizontalHeader()->setSortIndicator(
        column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CNewsListView::OnDoubleClicked(const QModelIndex& index) {
    if (!index.isValid()) return;
    const std::string& url = model_->Row(index.row()).url;
    if (url.size() < 2) return;
    QDesktopServices::openUrl(QUrl::fromUserInput(app::Q(url)));
}

// ---- read state

bool CNewsListView::IsActive() const {
    return isVisible() && isActiveWindow();
}

bool CNewsListView::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // The window this view sits in became active or inactive (the window itself gets an
    // activation change, the widgets inside it these two).
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        ActivityChanged();
    }
    return handled;
}

void CNewsListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) ActivityChanged();
    QWidget::changeEvent(event);
}

void CNewsListView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ActivityChanged();
}

void CNewsListView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    ActivityChanged();
}

void CNewsListView::ActivityChanged() {
    marker_.Timer().SetActive(IsActive());
    ArmMarkTimer();
}

void CNewsListView::ArmMarkTimer() {
    const std::int64_t remaining = marker_.Timer().RemainingMs();
    if (remaining < 0) {
        markTimer_->stop();
        return;
    }
    markTimer_->start(static_cast<int>(std::min<std::int64_t>(remaining, INT32_MAX)));
}

void CNewsListView::CheckMarkTimer() {
    news::ReadTimer& timer = marker_.Timer();
    if (!timer.Pending()) return;
    if (!timer.Due()) {
        ArmMarkTimer();
        return;
    }
    timer.Cancel();
    markTimer_->stop();
    const int first = FirstSelectedRow();
    if (first >= 0) MarkRow(first, true);
}

void CNewsListView::MarkRow(int row, bool read) {
    MarkRows({row}, read);
}

void CNewsListView::MarkRows(const std::vector<int>& rows, bool read) {
    std::vector<ItemRef> changed;
    for (int row : rows) {
        if (model_->SetRead(row, read)) changed.push_back(RefOf(model_->Row(row)));
    }
    if (changed.empty()) return;
    UpdateActions();
    const std::string content = ContentFolder();
    OnWorker([content, changed = std::move(changed), read] {
        for (const ItemRef& ref : changed) {
            // A failure is not reported: the row keeps its new icon.
            store::MarkRead(store::ResolveFolder(content, ref.kind), ref.base, ref.id, read);
        }
    });
}

void CNewsListView::MarkAll(bool read) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<int> rows(static_cast<std::size_t>(model_->rowCount()));
    for (int i = 0; i < model_->rowCount(); ++i) rows[static_cast<std::size_t>(i)] = i;
    MarkRows(rows, read);
    QApplication::restoreOverrideCursor();
}

// ---- commands

void CNewsListView::RunCommand(int command) {
    switch (command) {
        case kDelete:
            DeleteSelected();
            return;
        case kSave:
            SaveSelected();
            return;
        case kPrint:
            if (FirstSelectedRow() >= 0) content_->PrintNews(this);
            return;
        case kAddToFavorites:
            AddSelectedToFavorites();
            return;
        case kMarkRead:
            MarkRows(SelectedRows(), true);
            return;
        case kMarkUnread:
            MarkRows(SelectedRows(), false);
            return;
        case kMarkAllRead:
            MarkAll(true);
            return;
        case kMarkAllUnread:
            MarkAll(false);
            return;
        case kDeleteConverted:
            DeleteConverted();
            return;
        case kEditNews:
            EditSelected();
            return;
        case kConvertNews:
            ConvertSelected();
            return;
        default:
            return;
    }
}

std::vector<StoredNewsRef> CNewsListView::SelectedStoredItems() const {
    std::vector<StoredNewsRef> items;
    for (int row : SelectedRows()) {
        const news::ListRow& r = model_->Row(row);
        if (!r.Converted()) items.push_back({r.kind, r.base, r.newsId});
    }
    return items;
}

void CNewsListView::EditSelected() {
    std::vector<StoredNewsRef> items = SelectedStoredItems();
    if (!items.empty()) EditStoredNews(this, core_, items.front());
}

void CNewsListView::ConvertSelected() {
    ConvertStoredNews(this, core_, SelectedStoredItems());
}

void CNewsListView::DeleteSelected() {
    std::vector<int> rows;
    std::vector<ItemRef> items;
    for (int row : SelectedRows()) {
        if (model_->Row(row).Converted()) continue;  // converted rows have their own command
        rows.push_back(row);
        items.push_back(RefOf(model_->Row(row)));
    }
    if (rows.empty()) return;
    model_->RemoveRows(rows);
    UpdateActions();
    const std::string content = ContentFolder();
    OnWorker([content, items = std::move(items)] {
        for (const ItemRef& ref : items) {
            store::MarkDeleted(store::ResolveFolder(content, ref.kind), ref.base, ref.id, true);
        }
    });
}

void CNewsListView::DeleteConverted() {
    if (!converted_.remove) return;
    std::vector<int> rows;
    std::vector<news::ListRow> removed;
    for (int row : SelectedRows()) {
        if (!model_->Row(row).Converted()) continue;
        rows.push_back(row);
        removed.push_back(model_->Row(row));
    }
    if (rows.empty()) return;
    model_->RemoveRows(rows);
    UpdateActions();
    auto remove = converted_.remove;
    OnWorker([remove, removed = std::move(removed)] {
        for (const news::ListRow& row : removed) remove(row);
    });
    ShowEmptyPage();
}

void CNewsListView::SaveSelected() {
    struct Item {
        ItemRef ref;
        std::string title, timeText, webSite;
        std::string text;
    };
    auto items = std::make_shared<std::vector<Item>>();
    for (int row : SelectedRows()) {
        const news::ListRow& r = model_->Row(row);
        if (r.Converted()) continue;
        items->push_back({RefOf(r), r.title, r.timeText, r.webSite, {}});
    }
    if (items->empty()) return;
    const std::string content = ContentFolder();
    OnWorker<std::shared_ptr<std::vector<Item>>>(
        [content, items] {
            for (Item& item : *items) {
                store::NewsRecord record;
                std::string text;
                const int rc = store::ReadItem(store::ResolveFolder(content, item.ref.kind),
                                               item.ref.base, item.ref.id, record, text);
                if (rc <= 0) text.clear();
                item.text = news::SavedText(item.title, item.timeText, item.webSite, text);
            }
            return items;
        },
        [this](std::shared_ptr<std::vector<Item>> read) {
            for (const Item& item : *read) {
                const std::string proposed =
                    news::ProposedSaveName(item.title, item.ref.id, news::ReadLastSavePath());
                const QString proposedPath = app::QPath(proposed);
                const QString chosen =
                    saveDialog_ ? saveDialog_(this, proposedPath)
                                : QFileDialog::getSaveFileName(this, QString(), proposedPath,
                                                               QStringLiteral("*.txt;;*.*"));
                if (chosen.isEmpty()) continue;
                const std::string path =
                    platform::GbkPathFromNative(QFile::encodeName(chosen).toStdString());
                news::StoreLastSavePath(news::FolderOfSavedFile(path));
                OnWorker([path, text = item.text] { news::WriteSavedText(path, text); });
            }
        });
}

void CNewsListView::AddSelectedToFavorites() {
    std::vector<ItemRef> items;
    for (int row : SelectedRows()) {
        if (!model_->Row(row).Converted()) items.push_back(RefOf(model_->Row(row)));
    }
    if (items.empty()) return;
    const std::optional<std::int32_t> folder =
        chooser_ ? chooser_(this) : ChooseFavourite(this, core_.FolderLists());
    if (!folder) return;
    const std::string content = ContentFolder();
    OnWorker([content, items = std::move(items), id = *folder] {
        for (const ItemRef& ref : items) {
            store::CopyItemToFolder(content, ref.kind, ref.base, ref.id, store::kFolderFavorite,
                                    id);
        }
    });
}

// ---- strip

void CNewsListView::SetStatusLine(const QString& text) {
    statusLine_->setText(text);
}

QString CNewsListView::StatusLine() const {
    return statusLine_->text();
}

void CNewsListView::ToggleCollapse() {
    collapsed_ = !collapsed_;
    collapseButton_->setIcon(
        style()->standardIcon(collapsed_ ? QStyle::SP_ArrowDown : QStyle::SP_ArrowUp));
    const int height = collapsed_ ? kCollapsedHeight : kExpandedHeight;
    // Collapsed, only the strip below the list stays.
    list_->setVisible(!collapsed_);
    // The pane is the child of the nearest splitter that holds this view.
    QWidget* pane = this;
    while (pane->parentWidget() && !qobject_cast<QSplitter*>(pane->parentWidget())) {
        pane = pane->parentWidget();
    }
    auto* splitter = qobject_cast<QSplitter*>(pane->parentWidget());
    if (!splitter) return;
    const int index = splitter->indexOf(pane);
    QList<int> sizes = splitter->sizes();
    int total = 0;
    for (int s : sizes) total += s;
    const int others = sizes.size() - 1;
    for (int i = 0; i < sizes.size(); ++i) {
        sizes[i] = i == index ? height : (others > 0 ? std::max(0, total - height) / others : 0);
    }
    splitter->setSizes(sizes);
}

// ---- clean-up

void CNewsListView::RunStartUpCleanup() {
    if (cleanupStarted_) return;
    cleanupStarted_ = true;
    auto* dialog = new QProgressDialog(this);
    dialog->setWindowTitle(QString());
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setCancelButton(nullptr);
    dialog->setRange(0, 0);
    dialog->setMinimumDuration(300);
    dialog->setLabelText(CleanupLabel(QString()));
    auto progress = std::make_shared<DialogProgress>(dialog);
    client::ClientCore* core = &core_;
    QPointer<QProgressDialog> guard(dialog);
    app::RunInBackground<int>(
        this,
        [core, progress] { return core->RunCleanupNow(settings::kCleanupAtStart, progress.get()); },
        [this, guard](int jobs) {
            if (guard) guard->deleteLater();
            emit CleanupFinished(jobs);
        });
}

}  // namespace brevio::ui
