// The news list and the content pane as the user drives them, offscreen, over news files written
// by the store: loading, the mark-read timing with a test clock, the commands, the start-up
// clean-up through the client core, and the content page byte for byte.
#include <sys/stat.h>

#include <QApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QtTest>
#include <cstdlib>
#include <QMessageBox>
#include <QLineEdit>
#include <memory>

#include "app/widgets/browser_view.h"
#include "client/client_core.h"
#include "conversion/conversion_settings.h"
#include "conversion/stored_conversion.h"
#include "news/content_page.h"
#include "news/read_marker.h"
#include "news/save_text.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/folder_list.h"
#include "store/news_file.h"
#include "store/news_search.h"
#include "ui/news/converted_news.h"
#include "ui/news/news_content_view.h"
#include "ui/news/news_list_model.h"
#include "ui/news/news_list_view.h"

using namespace brevio;
namespace keys = settings::keys;
using ui::CNewsListView;

namespace {

std::string Gbk(const char* utf8) {
    return platform::Utf8ToGbk(utf8);
}

std::string FileBytes(const std::string& gbkPath) {
    std::string bytes;
    platform::ReadWholeFile(gbkPath, bytes);
    return bytes;
}

store::NewsItem Item(std::int32_t id, const char* time, const char* titleUtf8,
                     const char* contentUtf8 = "正文", const char* url = nullptr) {
    store::NewsItem item;
    item.newsId = id;
    item.title = Gbk(titleUtf8);
    item.timeText = time;
    item.content = Gbk(contentUtf8);
    item.url = url ? url : "http://news.example.cn/" + std::to_string(id) + ".html";
    return item;
}

// Every file below a folder (UTF-8 paths), for failure messages.
std::string FindFiles(const std::string& gbkFolder) {
    std::string out;
    for (const std::string& name : platform::ListFolder(gbkFolder)) {
        const std::string path = gbkFolder + name;
        if (platform::FolderExists(path)) {
            out += FindFiles(path + "/");
        } else {
            out += platform::GbkToUtf8(path) + "\n";
        }
    }
    return out;
}

class UrlRecorder : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { opened.append(url); }

  public:
    QList<QUrl> opened;
};

}  // namespace

class NewsViewsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void threeRecordsWithOneDeletedLoadTwoRowsNewestFirst();
    void aMissingNewsFileShowsTheEmptyPage();
    void anItemLeftAfterFourSecondsStaysUnreadOneShownFiveIsMarked();
    void theReadTimerCountsOnlyWhileTheWindowIsActive();
    void selectingTheShownItemAgainNeitherRedrawsNorRestartsTheTimer();
    void markCommandsWriteOnlyRowsWhoseStateChanges();
    void deletingTwoRowsLowersLiveCountByTwo();
    void aTitleWithAQuestionMarkSavesUnderTheNewsId();
    void addToFavouritesCopiesTheRecordsIntoTheChosenFolder();
    void searchHitsActOnTheFilesTheyCameFrom();
    void headerClicksSortAndTheSelectionFollowsItsRow();
    void doubleClickOpensTheItemsAddress();
    void theContentPageIsRenderedByteForByte();
    void aGroupInItsConvertedFormListsOpensAndDeletesConvertedItems();
    void collapseTogglesTheListPaneHeight();
    void theFirstSetUpRunsTheDailyCleanUpThroughTheCore();
    void convertAndEditCommandsWriteTheSelectedItemsForOutsidePrograms();

  private:
    // A list view (and a content pane) in a window, over the client core.
    void MakeView(CNewsListView::Options options = {false});
    void Append(store::FolderKind kind, const std::string& base, const store::NewsItem& item) {
        QVERIFY(store::AppendItem(Folder(kind), base, item, Gbk("新浪财经")) >= 0);
    }
    std::string Folder(store::FolderKind kind) const {
        return store::ResolveFolder(core_->Settings().contentFolder, kind);
    }
    // A byte of record `index` of a news file's index.
    char RecordByte(store::FolderKind kind, const std::string& base, int index,
                    std::size_t offset) const {
        const std::string bytes = FileBytes(store::IndexPath(store::BasePath(Folder(kind), base)));
        const std::size_t at = store::kIndexHeaderSize + index * store::kRecordSize + offset;
        return at < bytes.size() ? bytes[at] : char(-1);
    }
    int LiveCount(store::FolderKind kind, const std::string& base) const {
        store::IndexHeader header;
        return store::ReadHeader(Folder(kind), base, header) == 0 ? header.liveCount : -1;
    }
    void Load(store::FolderKind kind, const std::string& base) {
        QSignalSpy loaded(view_, &CNewsListView::Loaded);
        view_->LoadNewsFile(kind, base);
        view_->WaitForFileWork();
        QCOMPARE(loaded.count(), 1);
    }
    // Selects one row as a click does (whatever modifier state earlier key clicks left).
    void SelectRow(int row) {
        view_->List()->selectionModel()->setCurrentIndex(
            view_->Model()->index(row, 1),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view_->WaitForFileWork();
    }
    std::int32_t IdAt(int row) const { return view_->Model()->Row(row).newsId; }
    bool ShownRead(int row) const { return view_->Model()->Row(row).ShownRead(); }
    std::string Page() const { return FileBytes(news::ContentPagePath()); }

    std::unique_ptr<QTemporaryDir> home_;
    client::ClientObserver observer_;
    std::unique_ptr<client::ClientCore> core_;
    std::unique_ptr<QWidget> window_;
    CNewsListView* view_ = nullptr;
    news::ManualClock clock_;
};

void NewsViewsTest::initTestCase() {
    static char runtime[] = "/tmp/brevio-news-gui.XXXXXX";
    if (char* made = ::mkdtemp(runtime)) {
        ::chmod(made, 0700);
        ::setenv("XDG_RUNTIME_DIR", made, 1);
    }
}

void NewsViewsTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    qputenv("BREVIO_HOME", home_->path().toUtf8());
    client::StartOptions options;
    options.frontEnd = "news_views_test";
    options.guest = true;
    options.logIn = false;
    options.loadConfiguration = false;
    client::StartResult result;
    core_ = client::ClientCore::Start(options, observer_, result);
    QVERIFY2(core_, result.message.c_str());
    core_->Settings().isAutoMark = 1;
    core_->Settings().markSeconds = 0;
}

void NewsViewsTest::cleanup() {
    window_.reset();
    view_ = nullptr;
    core_.reset();
    home_.reset();
}

void NewsViewsTest::MakeView(CNewsListView::Options options) {
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    auto* split = new QSplitter(Qt::Vertical, window_.get());
    layout->addWidget(split);
    app::BrowserView* browser = app::BrowserView::Create(nullptr);
    view_ = new CNewsListView(*core_, browser, options, split);
    split->addWidget(view_);
    split->addWidget(browser);
    split->setSizes({300, 300});
    window_->resize(900, 700);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    view_->SetClock(clock_);
}

void NewsViewsTest::threeRecordsWithOneDeletedLoadTwoRowsNewestFirst() {
    Append(store::kFolderTrade, "0101", Item(101, "2007-3-14 8:00:00", "较早"));
    Append(store::kFolderTrade, "0101", Item(102, "2007-3-15 9:30:05", "最新"));
    Append(store::kFolderTrade, "0101", Item(103, "2007-3-16 10:00:00", "已删除"));
    QCOMPARE(store::MarkDeleted(Folder(store::kFolderTrade), "0101", 103, true), store::kWritten);
    MakeView();
    QSignalSpy shown(view_, &CNewsListView::ItemShown);
    QSignalSpy loaded(view_, &CNewsListView::Loaded);
    view_->OpenNewsFile(store::kFolderTrade, "0101");
    view_->WaitForFileWork();
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded[0][0].toInt(), 2);
    QCOMPARE(view_->Model()->rowCount(), 2);
    QCOMPARE(IdAt(0), 102);
    QCOMPARE(IdAt(1), 101);
    QCOMPARE(view_->Model()->data(view_->Model()->index(0, 2)).toString(),
             QStringLiteral("2007-03-15 09:30:05"));
    QCOMPARE(view_->Model()->data(view_->Model()->index(0, 1)).toString(),
             QString::fromUtf8("最新"));
    QCOMPARE(view_->Model()->data(view_->Model()->index(0, 4)).toString(),
             QStringLiteral("12,0101"));
    // The newest row is selected, has the focus and is shown.
    QCOMPARE(view_->SelectedRows(), std::vector<int>{0});
    QVERIFY(view_->List()->hasFocus());
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown[0][0].toInt(), 102);
    QVERIFY(Page().find(Gbk("<title>最新</title>")) != std::string::npos);
    QTRY_COMPARE(
        view_->ContentPane()->Url(),
        QUrl::fromLocalFile(QString::fromStdString(platform::NativePath(news::ContentPagePath()))));
    // Six columns, the last two hidden, sorted by time, newest first.
    QCOMPARE(view_->Model()->columnCount(), 6);
    QVERIFY(view_->List()->isColumnHidden(4) && view_->List()->isColumnHidden(5));
    QCOMPARE(view_->List()->columnWidth(1), 280);
    QCOMPARE(view_->List()->horizontalHeader()->sortIndicatorSection(), 2);
    QCOMPARE(view_->List()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
}

void NewsViewsTest::aMissingNewsFileShowsTheEmptyPage() {
    Append(store::kFolderRegion, "GD", Item(7, "2007-3-15 9:30:05", "广东"));
    MakeView();
    Load(store::kFolderRegion, "GD");
    QVERIFY(Page().find(Gbk("广东")) != std::string::npos);
    QSignalSpy loaded(view_, &CNewsListView::Loaded);
    view_->LoadNewsFile(store::kFolderRegion, "nowhere");
    view_->WaitForFileWork();
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded[0][0].toInt(), store::kCannotOpen);
    QCOMPARE(view_->Model()->rowCount(), 0);
    QVERIFY(Page().find("<td class=titleA></td>") != std::string::npos);
}

void NewsViewsTest::anItemLeftAfterFourSecondsStaysUnreadOneShownFiveIsMarked() {
    Append(store::kFolderTrade, "0101", Item(1, "2007-3-14 8:00:00", "一"));
    Append(store::kFolderTrade, "0101", Item(2, "2007-3-15 8:00:00", "二"));
    core_->Settings().markSeconds = 5;
    MakeView();
    Load(store::kFolderTrade, "0101");  // item 2 (record 1) is shown
    QCOMPARE(IdAt(0), 2);
    clock_.Advance(4000);
    view_->CheckMarkTimer();
    QVERIFY(!ShownRead(0));
    SelectRow(1);  // item 1 (record 0): item 2 was left after four seconds
    clock_.Advance(4000);
    view_->CheckMarkTimer();
    QVERIFY(!ShownRead(0));
    QVERIFY(!ShownRead(1));
    clock_.Advance(1000);
    view_->CheckMarkTimer();
    view_->WaitForFileWork();
    QVERIFY(ShownRead(1));
    QVERIFY(!ShownRead(0));
    QCOMPARE(RecordByte(store::kFolderTrade, "0101", 0, store::record_offset::kIsRead), char(1));
    QCOMPARE(RecordByte(store::kFolderTrade, "0101", 1, store::record_offset::kIsRead), char(0));
    // The timer was stopped: more time marks nothing else.
    clock_.Advance(10000);
    view_->CheckMarkTimer();
    view_->WaitForFileWork();
    QVERIFY(!ShownRead(0));
}

void NewsViewsTest::theReadTimerCountsOnlyWhileTheWindowIsActive() {
    Append(store::kFolderTrade, "0101", Item(1, "2007-3-14 8:00:00", "一"));
    core_->Settings().markSeconds = 5;
    MakeView();
    Load(store::kFolderTrade, "0101");
    clock_.Advance(3000);
    // The reader switches to another window for a minute.
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!view_->isActiveWindow());
    clock_.Advance(60000);
    view_->CheckMarkTimer();
    view_->WaitForFileWork();
    QVERIFY(!ShownRead(0));
    QCOMPARE(RecordByte(store::kFolderTrade, "0101", 0, store::record_offset::kIsRead), char(0));
    // Back in the main window the count goes on from three seconds.
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    clock_.Advance(1999);
    view_->CheckMarkTimer();
    QVERIFY(!ShownRead(0));
    clock_.Advance(1);
    view_->CheckMarkTimer();
    view_->WaitForFileWork();
    QVERIFY(ShownRead(0));
    QCOMPARE(RecordByte(store::kFolderTrade, "0101", 0, store::record_offset::kIsRead), char(1));
}

void NewsViewsTest::selectingTheShownItemAgainNeitherRedrawsNorRestartsTheTimer() {
    Append(store::kFolderTrade, "0101", Item(1, "2007-3-14 8:00:00", "一"));
    Append(store::kFolderTrade, "0101", Item(2, "2007-3-15 8:00:00", "二"));
    core_->Settings().markSeconds = 5;
    MakeView();
    QSignalSpy shown(view_, &CNewsListView::ItemShown);
    Load(store::kFolderTrade, "0101");
    QCOMPARE(shown.count(), 1);
    clock_.Advance(3000);
    // A click on the shown row, and the same item loaded again.
    const QRect cell = view_->List()->visualRect(view_->Model()->index(0, 1));
    QTest::mouseClick(view_->List()->viewport(), Qt::LeftButton, {}, cell.center());
    view_->WaitForFileWork();
    Load(store::kFolderTrade, "0101");
    QCOMPARE(shown.count(), 1);
    clock_.Advance(2000);  // five seconds since the first selection
    view_->CheckMarkTimer();
    view_->WaitForFileWork();
    QVERIFY(ShownRead(0));
}

void NewsViewsTest::markCommandsWriteOnlyRowsWhoseStateChanges() {
    for (int id = 1; id <= 3; ++id) {
        Append(store::kFolderPublic, "40001", Item(id, "2007-3-15 8:00:00", "新闻"));
    }
    core_->Settings().isAutoMark = 0;
    MakeView();
    Load(store::kFolderPublic, "40001");
    QVERIFY(!ShownRead(0));  // no automatic marking
    QVERIFY(!view_->CommandStates().Enabled(CNewsListView::kMarkAllUnread));
    QVERIFY(view_->Action(CNewsListView::kMarkRead)->isEnabled());
    QVERIFY(!view_->Action(CNewsListView::kMarkUnread)->isEnabled());

    view_->RunCommand(CNewsListView::kMarkAllRead);
    view_->WaitForFileWork();
    for (int i = 0; i < 3; ++i) {
        QVERIFY(ShownRead(i));
        QCOMPARE(RecordByte(store::kFolderPublic, "40001", i, store::record_offset::kIsRead),
                 char(1));
    }
    QVERIFY(!view_->Action(CNewsListView::kMarkRead)->isEnabled());
    QVERIFY(view_->Action(CNewsListView::kMarkUnread)->isEnabled());
    // Marking read a row the list shows read writes nothing: a flag changed behind the list's
    // back stays as it is.
    const int row = 0;
    QCOMPARE(store::MarkRead(Folder(store::kFolderPublic), "40001", IdAt(row), false),
             store::kWritten);
    view_->RunCommand(CNewsListView::kMarkRead);
    view_->WaitForFileWork();
    QCOMPARE(
        RecordByte(store::kFolderPublic, "40001", IdAt(row) - 1, store::record_offset::kIsRead),
        char(0));

    view_->RunCommand(CNewsListView::kMarkUnread);
    view_->WaitForFileWork();
    QVERIFY(!ShownRead(row));
    view_->RunCommand(CNewsListView::kMarkAllUnread);
    view_->WaitForFileWork();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(RecordByte(store::kFolderPublic, "40001", i, store::record_offset::kIsRead),
                 char(0));
    }
    // Unread rows are drawn in the list's text colour, read ones in ReadColor (102: 0x66 red).
    QCOMPARE(view_->Model()->data(view_->Model()->index(0, 1), Qt::ForegroundRole).value<QColor>(),
             QColor(0, 0, 0xE4));
    view_->RunCommand(CNewsListView::kMarkRead);
    QCOMPARE(view_->Model()->data(view_->Model()->index(0, 1), Qt::ForegroundRole).value<QColor>(),
             QColor(0x66, 0, 0));
    view_->WaitForFileWork();
}

void NewsViewsTest::deletingTwoRowsLowersLiveCountByTwo() {
    for (int id = 1; id <= 4; ++id) {
        Append(store::kFolderTrade, "0202",
               Item(id, ("2007-3-1" + std::to_string(id) + " 8:00:00").c_str(), "新闻"));
    }
    MakeView();
    Load(store::kFolderTrade, "0202");
    QCOMPARE(LiveCount(store::kFolderTrade, "0202"), 4);
    // Rows 0 and 2: items 4 and 2.
    QItemSelectionModel* selection = view_->List()->selectionModel();
    selection->select(view_->Model()->index(2, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(view_->SelectedRows(), (std::vector<int>{0, 2}));
    view_->List()->setFocus();
    QTest::keyClick(view_->List(), Qt::Key_Delete);
    view_->WaitForFileWork();
    QCOMPARE(view_->Model()->rowCount(), 2);
    QCOMPARE(IdAt(0), 3);
    QCOMPARE(IdAt(1), 1);
    QCOMPARE(LiveCount(store::kFolderTrade, "0202"), 2);
    QCOMPARE(RecordByte(store::kFolderTrade, "0202", 3, store::record_offset::kIsDeleted), char(1));
    QCOMPARE(RecordByte(store::kFolderTrade, "0202", 1, store::record_offset::kIsDeleted), char(1));
    QCOMPARE(RecordByte(store::kFolderTrade, "0202", 2, store::record_offset::kIsDeleted), char(0));
    // Reloading lists what is left.
    Load(store::kFolderTrade, "0202");
    QCOMPARE(view_->Model()->rowCount(), 2);
}

void NewsViewsTest::aTitleWithAQuestionMarkSavesUnderTheNewsId() {
    Append(store::kFolderTrade, "0101",
           Item(12345, "2007-3-15 9:30:05", "谁在买入?", "第一行\r\n第二行"));
    Append(store::kFolderTrade, "0101", Item(12346, "2007-3-14 9:30:05", "今日要闻", "要闻"));
    MakeView();
    Load(store::kFolderTrade, "0101");
    QTemporaryDir target;
    QStringList proposed;
    view_->SetSaveDialog([&](QWidget*, const QString& path) {
        proposed << path;
        return target.path() + "/" + QFileInfo(path).fileName();
    });
    view_->List()->setFocus();
    QTest::keyClick(view_->List(), Qt::Key_S, Qt::ControlModifier);
    view_->WaitForFileWork();
    QCOMPARE(proposed, QStringList{QStringLiteral("12345.txt")});
    const std::string folder = platform::GbkPathFromNative(target.path().toStdString());
    QCOMPARE(FileBytes(folder + "/12345.txt"),
             Gbk("谁在买入?\r\n时间:2007-03-15 09:30:05   来自:新浪财经\r\n第一行\r\n第二行"));
    QCOMPARE(news::ReadLastSavePath(), folder);

    // The next save proposes the title in the folder saved to last.
    SelectRow(1);
    view_->RunCommand(CNewsListView::kSave);
    view_->WaitForFileWork();
    QCOMPARE(proposed.size(), 2);
    QCOMPARE(proposed[1], target.path() + QString::fromUtf8("/今日要闻.txt"));
    QCOMPARE(FileBytes(folder + Gbk("/今日要闻.txt")),
             Gbk("今日要闻\r\n时间:2007-03-14 09:30:05   来自:新浪财经\r\n要闻"));

    // Cancelling the dialog writes nothing.
    view_->SetSaveDialog([](QWidget*, const QString&) { return QString(); });
    SelectRow(0);
    QVERIFY(platform::RemoveFile(folder + "/12345.txt"));
    view_->RunCommand(CNewsListView::kSave);
    view_->WaitForFileWork();
    QVERIFY(!platform::FileExists(folder + "/12345.txt"));
}

void NewsViewsTest::addToFavouritesCopiesTheRecordsIntoTheChosenFolder() {
    Append(store::kFolderRegion, "GD", Item(5, "2007-3-14 9:30:05", "五", "内容五"));
    Append(store::kFolderRegion, "GD", Item(6, "2007-3-15 9:30:05", "六", "内容六"));
    MakeView();
    Load(store::kFolderRegion, "GD");  // item 6 shown and marked read
    view_->WaitForFileWork();
    view_->List()->selectAll();
    int asked = 0;
    view_->SetFavouriteChooser([&](QWidget*) -> std::optional<std::int32_t> {
        ++asked;
        return 3;
    });
    view_->List()->setFocus();
    QTest::keyClick(view_->List(), Qt::Key_I, Qt::ControlModifier);
    view_->WaitForFileWork();
    QCOMPARE(asked, 1);
    std::vector<store::NewsRecord> copied;
    QCOMPARE(store::ListRecords(Folder(store::kFolderFavorite), "3",
                                [&](const store::NewsRecord& r) { copied.push_back(r); }),
             2);
    QCOMPARE(copied[0].newsId, 6);
    QCOMPARE(copied[0].isRead, std::uint8_t{1});  // the read state travels with the record
    QCOMPARE(copied[1].newsId, 5);
    QCOMPARE(copied[1].isRead, std::uint8_t{0});
    store::NewsRecord record;
    std::string content;
    QVERIFY(store::ReadItem(Folder(store::kFolderFavorite), "3", 5, record, content) > 0);
    QCOMPARE(content, Gbk("内容五"));
    // Cancelled chooser: nothing copied.
    view_->SetFavouriteChooser([](QWidget*) { return std::optional<std::int32_t>(); });
    view_->RunCommand(CNewsListView::kAddToFavorites);
    view_->WaitForFileWork();
    QCOMPARE(LiveCount(store::kFolderFavorite, "3"), 2);
}

void NewsViewsTest::searchHitsActOnTheFilesTheyCameFrom() {
    Append(store::kFolderTrade, "0101", Item(1, "2007-3-13 8:00:00", "银行加息"));
    Append(store::kFolderRegion, "GD", Item(2, "2007-3-14 8:00:00", "广东银行"));
    MakeView();
    store::LocalSearchResult result;
    result.result = 2;
    result.statusText = Gbk("包含\"银行\"的新闻共有2条.");
    for (auto [kind, base] : {std::pair{store::kFolderRegion, std::string("GD")},
                              std::pair{store::kFolderTrade, std::string("0101")}}) {
        store::ListRecords(Folder(kind), base, [&](const store::NewsRecord& r) {
            result.hits.push_back({kind, base, r});
        });
    }
    QSignalSpy shown(view_, &CNewsListView::ItemShown);
    view_->ShowSearchHits(result);
    view_->WaitForFileWork();
    QCOMPARE(view_->Model()->rowCount(), 2);
    QCOMPARE(IdAt(0), 2);
    QCOMPARE(view_->StatusLine(), QString::fromUtf8("包含\"银行\"的新闻共有2条."));
    QCOMPARE(shown.count(), 1);
    QVERIFY(Page().find(Gbk("广东银行")) != std::string::npos);
    QCOMPARE(RecordByte(store::kFolderRegion, "GD", 0, store::record_offset::kIsRead), char(1));
    SelectRow(1);
    view_->RunCommand(CNewsListView::kDelete);
    view_->WaitForFileWork();
    QCOMPARE(LiveCount(store::kFolderTrade, "0101"), 0);
    QCOMPARE(LiveCount(store::kFolderRegion, "GD"), 1);
}

void NewsViewsTest::headerClicksSortAndTheSelectionFollowsItsRow() {
    Append(store::kFolderTrade, "0101", Item(1, "2007-3-13 8:00:00", "b 乙"));
    Append(store::kFolderTrade, "0101", Item(2, "2007-3-14 8:00:00", "C 丙"));
    Append(store::kFolderTrade, "0101", Item(3, "2007-3-15 8:00:00", "a 甲"));
    MakeView();
    Load(store::kFolderTrade, "0101");
    SelectRow(1);  // item 2
    QHeaderView* header = view_->List()->horizontalHeader();
    const auto clickHeader = [&](int column) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    };
    clickHeader(1);  // title, ascending: bytes, so "C" before "a" before "b"
    QCOMPARE(IdAt(0), 2);
    QCOMPARE(IdAt(1), 3);
    QCOMPARE(IdAt(2), 1);
    QCOMPARE(view_->SelectedRows(), std::vector<int>{0});
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    clickHeader(1);  // the same column flips
    QCOMPARE(IdAt(0), 1);
    QCOMPARE(IdAt(2), 2);
    QCOMPARE(view_->SelectedRows(), std::vector<int>{2});
    clickHeader(2);  // another column: ascending again
    QCOMPARE(IdAt(0), 1);
    QCOMPARE(IdAt(2), 3);
    // Sorting shows nothing new.
    QSignalSpy shown(view_, &CNewsListView::ItemShown);
    view_->WaitForFileWork();
    QCOMPARE(shown.count(), 0);
}

void NewsViewsTest::doubleClickOpensTheItemsAddress() {
    Append(store::kFolderTrade, "0101",
           Item(1, "2007-3-13 8:00:00", "有地址", "x", "http://finance.example.cn/a.html"));
    Append(store::kFolderTrade, "0101", Item(2, "2007-3-12 8:00:00", "短地址", "x", "h"));
    MakeView();
    Load(store::kFolderTrade, "0101");
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("http", &recorder, "open");
    QDesktopServices::setUrlHandler("h", &recorder, "open");
    for (int row : {0, 1}) {
        const QRect cell = view_->List()->visualRect(view_->Model()->index(row, 1));
        QTest::mouseClick(view_->List()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view_->List()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("h");
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl("http://finance.example.cn/a.html")});
    view_->WaitForFileWork();
}

void NewsViewsTest::theContentPageIsRenderedByteForByte() {
    settings::WriteInt(keys::kContentBgColor, 0x00123456);
    settings::WriteInt(keys::kTitleFontColor, 255);
    settings::WriteInt(keys::kContentFontColor, 0);
    settings::WriteInt(keys::kTitleFontSize, 16);
    settings::WriteInt(keys::kContentFontSize, 14);
    Append(store::kFolderTrade, "0101",
           Item(1, "2007-3-15 9:30:05", "<%%OSTRANEWSTIME%%>标题<%%BGCOLOR%%>",
                "a b\r\nc\x04股票\x05"));
    MakeView();
    Load(store::kFolderTrade, "0101");
    const std::string expected =
        Gbk("<html>\r\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
            "<head>\r\n"
            "<title>2007-03-15 09:30:05标题<%%BGCOLOR%%></title>\r\n"
            "<style type=text/css>\r\n"
            ".contentA{font-size:14px;line-height:150%;color:#000000}\r\n"
            ".titleA {font-size:16px;color:#FF0000;line-height:130%}\r\n"
            ".infoA{font-size:9pt;color:#cccccc;line-height:110%}\r\n"
            "\r\n"
            "</style>\r\n"
            "</head>\r\n"
            "<body topmargin=0 bgcolor=#563412 >\r\n"
            "<table align=center width=98% ><tr><td class=titleA>"
            "2007-03-15 09:30:05标题<%%BGCOLOR%%></td></tr>"
            "<tr><td class=infoA>2007-03-15 09:30:05&nbsp;&nbsp;新浪财经</td></tr>"
            "<tr><td class=contentA>&nbsp;&nbsp;&nbsp;a&nbsp;b<br>&nbsp;&nbsp;&nbsp;c"
            "<font color=red>股票</font></td></tr></table>\r\n"
            "</body></html>");
    QCOMPARE(Page(), expected);

    // An item stored without content shows the substitute line; the content view renders the
    // empty page itself when asked.
    store::NewsRecord empty = store::BuildRecord(Item(2, "2007-3-16 0:0:0", "空"), "");
    QCOMPARE(store::AppendRecord(store::BasePath(Folder(store::kFolderTrade), "0101"), empty, ""),
             0);
    Load(store::kFolderTrade, "0101");
    QCOMPARE(IdAt(0), 2);
    QVERIFY(Page().find(news::ConvertContent(news::UnreadableContentText())) != std::string::npos);
    QVERIFY(view_->ContentView()->ShowEmpty());
    QVERIFY(Page().find("<tr><td class=contentA>&nbsp;&nbsp;&nbsp;</td></tr>") !=
            std::string::npos);
}

void NewsViewsTest::aGroupInItsConvertedFormListsOpensAndDeletesConvertedItems() {
    Append(store::kFolderPublic, "09001", Item(5, "2007-3-15 9:30:05", "转换一"));
    Append(store::kFolderPublic, "09001", Item(6, "2007-3-15 9:31:05", "转换二"));
    Append(store::kFolderPublic, "09002", Item(7, "2007-3-15 9:31:05", "未转换"));
    MakeView();
    // Without a converted index yet the category lists its news file.
    view_->SetConvertedNews(ui::ConvertedNewsOf(*core_, conversion::OutputForm::kText));
    Load(store::kFolderPublic, "09001");
    QCOMPARE(view_->Model()->rowCount(), 2);
    QVERIFY(!view_->Model()->Row(0).Converted());

    const conversion::ConversionSettings settings =
        conversion::LoadConversionSettings(core_->Settings().programFolder, core_->Tables());
    QCOMPARE(
        conversion::ConvertStoredItems(settings, core_->Tables(), core_->Settings().contentFolder,
                                       store::kFolderPublic, "09001", {5}, conversion::kFormatText)
            .converted,
        1);
    view_->SetConvertedNews(ui::ConvertedNewsOf(*core_, conversion::OutputForm::kText));
    Load(store::kFolderPublic, "09001");
    QCOMPARE(view_->Model()->rowCount(), 1);
    const news::ListRow row = view_->Model()->Row(0);
    QVERIFY(row.Converted());
    QCOMPARE(row.newsId, 5);
    QCOMPARE(row.icon, int(news::kIconText));
    QCOMPARE(row.kind, store::kFolderPublic);
    QCOMPARE(row.base, std::string("9001"));
    // The converted file is what the content pane shows.
    QTRY_VERIFY(view_->ContentPane()->Url().isLocalFile());
    const QString shown = view_->ContentPane()->Url().toLocalFile();
    QVERIFY2(shown.startsWith(QString::fromStdString(platform::NativePath(settings.convertPath)) +
                              QString::fromUtf8("文本格式/20070315/")) &&
                 shown.endsWith(QString::fromUtf8("/转换一.txt")),
             qPrintable(shown));
    const std::string file = platform::GbkPathFromNative(shown.toStdString());
    QVERIFY2(platform::FileExists(file), FindFiles(settings.convertPath).c_str());
    // Other categories of the group have no converted items of their own.
    Load(store::kFolderPublic, "09002");
    QCOMPARE(view_->Model()->rowCount(), 0);

    Load(store::kFolderPublic, "09001");
    // The news rows' delete and mark leave converted rows alone.
    view_->RunCommand(CNewsListView::kDelete);
    view_->RunCommand(CNewsListView::kMarkRead);
    QCOMPARE(view_->Model()->rowCount(), 1);
    QCOMPARE(view_->Model()->Row(0).icon, int(news::kIconText));
    QVERIFY(platform::FileExists(file));
    view_->RunCommand(CNewsListView::kDeleteConverted);
    view_->WaitForFileWork();
    QCOMPARE(view_->Model()->rowCount(), 0);
    QVERIFY(!platform::FileExists(file));
    QCOMPARE(LiveCount(store::kFolderPublic, "09001"), 2);  // the news file is untouched
    // Switching the converted form off lists the news file again.
    view_->SetConvertedNews({});
    Load(store::kFolderPublic, "09001");
    QCOMPARE(view_->Model()->rowCount(), 2);
}

void NewsViewsTest::collapseTogglesTheListPaneHeight() {
    MakeView();
    auto* split = qobject_cast<QSplitter*>(view_->parentWidget());
    QVERIFY(split);
    auto* button = view_->findChild<QPushButton*>("collapse");
    button->click();
    QVERIFY(view_->Collapsed());
    QVERIFY(!view_->List()->isVisible());  // only the strip stays
    QVERIFY(split->sizes()[0] < 60);
    const int collapsed = split->sizes()[0];
    button->click();
    QVERIFY(!view_->Collapsed());
    QVERIFY(split->sizes()[0] > collapsed);
    QCOMPARE(split->sizes()[0], 250);
    view_->SetStatusLine(QString::fromUtf8("共 3 条"));
    QCOMPARE(view_->findChild<QLabel*>("statusLine")->text(), QString::fromUtf8("共 3 条"));
}

void NewsViewsTest::theFirstSetUpRunsTheDailyCleanUpThroughTheCore() {
    settings::WriteInt(keys::kWhenCleanup, 0);
    settings::WriteInt(keys::kHandleHistroyTime, 0);
    settings::WriteInt(keys::kRegionRemain, 50);
    const std::string base = store::BasePath(Folder(store::kFolderRegion), "GD");
    for (int id = 1; id <= 120; ++id) {
        store::NewsRecord r = store::BuildRecord(Item(id, "2007-3-15 9:30:05", "新闻"), "");
        QVERIFY(store::AppendRecord(base, r, "content of the item") > 0);
    }
    MakeView(CNewsListView::Options{true});
    QSignalSpy finished(view_, &CNewsListView::CleanupFinished);
    QVERIFY(finished.wait(20000));
    QVERIFY(finished[0][0].toInt() >= 1);
    QCOMPARE(settings::ReadInt(keys::kHandleHistroyTime, 0), platform::Now().Stamp());
    QCOMPARE(LiveCount(store::kFolderRegion, "GD"), 50);
    // Once a day: a second view does not run it again.
    CNewsListView second(*core_, nullptr, CNewsListView::Options{true});
    QSignalSpy again(&second, &CNewsListView::CleanupFinished);
    QVERIFY(again.wait(20000));
    QCOMPARE(again[0][0].toInt(), store::kCleanupNotDue);
}

void NewsViewsTest::convertAndEditCommandsWriteTheSelectedItemsForOutsidePrograms() {
    const std::string out = platform::GbkPathFromNative(home_->path().toStdString()) + "/out/";
    settings::WriteString(conversion::keys::kConvertPath, out);
    settings::WriteInt(conversion::keys::kConvertFormat, conversion::kFormatText);
    core_->Converter().ReloadSettings();
    Append(store::kFolderPublic, "10001", Item(31, "2007-3-14 9:30:05", "第一条", "甲"));
    Append(store::kFolderPublic, "10001", Item(32, "2007-3-15 10:00:00", "第二条", "乙"));
    MakeView();
    Load(store::kFolderPublic, "10001");
    view_->List()->clearSelection();
    view_->WaitForFileWork();
    QVERIFY(!view_->Action(CNewsListView::kConvertNews)->isEnabled());  // nothing selected
    view_->List()->selectAll();
    view_->WaitForFileWork();
    QVERIFY(view_->Action(CNewsListView::kConvertNews)->isEnabled());
    QVERIFY(view_->Action(CNewsListView::kEditNews)->isEnabled());

    // Convert: both items as text files under the date and category folders, then the count.
    QStringList shown;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->text();
            box->accept();
        }
    });
    answer.start(10);
    view_->RunCommand(CNewsListView::kConvertNews);
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 10000);
    QCOMPARE(shown[0], QString::fromUtf8("共有2条新闻转换成功!"));
    const std::string first = out + Gbk("文本格式/20070314/10001/第一条.txt");
    QVERIFY2(platform::FileExists(first), FindFiles(out).c_str());
    QCOMPARE(FileBytes(first), Gbk("第一条\r\n2007-03-14 09:30:05   新浪财经\r\n甲"));
    QVERIFY(platform::FileExists(out + Gbk("文本格式/20070315/10001/第二条.txt")));

    // Edit: the first selected item (the newest) in the edit dialog; an emptied title is
    // refused, an edited one converts under the edited name and closes the dialog.
    bool sawDialog = false;
    QTimer driver;
    connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != "newsEdit") return;
        driver.stop();
        sawDialog = true;
        auto* title = modal->findChild<QLineEdit*>("title");
        QCOMPARE(title->text(), QString::fromUtf8("第二条"));
        title->clear();
        modal->findChild<QPushButton*>("convert")->click();
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 5000);
        QCOMPARE(shown[1], QString::fromUtf8("新闻标题不能为空!"));
        QVERIFY(modal->isVisible());
        title->setText(QString::fromUtf8("改过的标题"));
        modal->findChild<QPushButton*>("convert")->click();
    });
    driver.start(10);
    // A failed check inside the dialog leaves it open: close it rather than hang.
    QTimer::singleShot(20000, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    view_->RunCommand(CNewsListView::kEditNews);
    QTRY_VERIFY_WITH_TIMEOUT(sawDialog && shown.size() == 3, 10000);
    QCOMPARE(shown[2], QString::fromUtf8("转换新闻成功!"));
    const std::string edited = out + Gbk("文本格式/20070315/10001/改过的标题.txt");
    QVERIFY2(platform::FileExists(edited), FindFiles(out).c_str());
    QVERIFY(FileBytes(edited).rfind(Gbk("改过的标题\r\n"), 0) == 0);
}

QTEST_MAIN(NewsViewsTest)
#include "news_views_test.moc"
