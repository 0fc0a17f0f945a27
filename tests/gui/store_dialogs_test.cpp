// The favourites and subscription dialogs, the category dialogs, the find bar and the bulletin
// window as the user sees them, offscreen: what they show, how their buttons and boxes act,
// the messages that keep them open, and what OK and Cancel leave in the files and records.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/widgets/background.h"
#include "app/widgets/browser_view.h"
#include "app/widgets/text.h"
#include "conversion/conversion_settings.h"
#include "conversion/settings_forms.h"
#include "net/subscription_lists.h"
#include "net/subscription_selection.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "reference/bulletin.h"
#include "reference/reference_tables.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/folder_forms.h"
#include "store/news_file.h"
#include "ui/net/subscription_dialogs.h"
#include "ui/news/find_bar.h"
#include "ui/reference/bulletin_window.h"
#include "ui/store/folder_dialogs.h"

using namespace brevio;

namespace {

std::string Gbk(const char* utf8) {
    return platform::Utf8ToGbk(utf8);
}
QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

void WriteFile(const std::string& path, const char* utf8) {
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray::fromStdString(Gbk(utf8)));
}

std::string ReadBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
}

// Runs `step` on the first modal window of type W that shows up (the dialog an exec() opened).
// A step that failed closes the window it got, so the test ends instead of hanging.
template <class W>
void OnNextModal(std::function<void(W*)> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!window) return;
        timer->stop();
        timer->deleteLater();
        step(window);
        if (QTest::currentTestFailed() && window->isVisible()) window->close();
    });
    timer->start();
}

// The next message box is answered with OK; its text goes to `text`.
void AnswerNextMessage(std::shared_ptr<QString> text) {
    OnNextModal<QMessageBox>([text](QMessageBox* box) {
        *text = box->text();
        box->done(QMessageBox::Ok);
    });
}

template <class W>
W* Child(QWidget* parent, const char* name) {
    W* child = parent->findChild<W*>(name);
    if (!child) qWarning("no child %s", name);
    return child;
}

void Click(QWidget* parent, const char* name) {
    auto* button = Child<QAbstractButton>(parent, name);
    QVERIFY(button);
    button->click();
}

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

QList<bool> Ticks(const QListWidget* list) {
    QList<bool> ticks;
    for (int i = 0; i < list->count(); ++i) ticks << (list->item(i)->checkState() == Qt::Checked);
    return ticks;
}

// A content pane that records where it was sent.
class RecordingBrowser : public app::BrowserView {
  public:
    void Open(const QUrl& url) override { opened.append(url); }
    void ShowHtml(const QString&, const QUrl&) override {}
    QUrl Url() const override { return opened.isEmpty() ? QUrl() : opened.back(); }
    void Print(QPrinter*, std::function<void(bool)> done) override { done(false); }
    QList<QUrl> opened;
};

}  // namespace

class StoreDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void organizerAddsRenamesAndStoresOnOk();
    void organizerRefusesWithoutSelectionAndCancelKeepsTheFile();
    void chooseFavouriteNeedsAFolderAndRefillsAfterOrganizing();
    void categorySelectionAddsRefusesAndWritesTheFile();
    void websiteDialogTicksCountsFindsAndStores();
    void websiteCommandNeedsACategory();
    void autoSearchEnablingAndOk();
    void propertyViewIsReadOnly();
    void subscriptionTreesOpenTheChosenCategory();
    void conversionCategoriesByMajorAndEmptyListStaysOpen();
    void findBarSearchesOffTheThreadAndShowsTheHits();
    void findBarChecksTheKeywordAndOpensTheWebSearch();
    void bulletinWindowShowsColoursAndRewritesTheFlag();

  private:
    std::string Content() const { return home_ + "content/"; }
    ui::SubscriptionContext Context() {
        return ui::SubscriptionContext(*tables_, *lists_, Content(), home_);
    }
    std::unique_ptr<QTemporaryDir> dir_;
    std::string home_;
    std::unique_ptr<reference::ReferenceTables> tables_;
    std::unique_ptr<net::SubscriptionLists> lists_;
    std::unique_ptr<store::FolderListHolder> favorites_, subscriptions_;
    std::unique_ptr<store::FolderLists> folderLists_;
    std::vector<int> refreshed_;
};

void StoreDialogsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    qputenv("BREVIO_HOME", dir_->path().toUtf8());
    home_ = dir_->path().toStdString() + "/";
    const std::string data = Content() + "Data/";
    WriteFile(data + "NewsKind.tab", "10\t要闻\tF\r\n20\t财经\tF\r\n");
    WriteFile(data + "NewsClassify.tab",
              "10001\t国内\tF\r\n10002\t国际\tF\r\n20001\t股市\tF\r\n40006\t新闻快递\tF\r\n");
    WriteFile(data + "Trade.tab", "05\t银行\tF\r\n17\t钢铁\tF\r\n");
    WriteFile(data + "Region.tab", "17\t北京\tF\r\n23\t上海\tF\r\n");
    WriteFile(data + "websites.tab", "1\t新华网\r\n2\t人民网\r\n3\t新浪财经\r\n");
    WriteFile(data + "UserWebsite.tabOther", "[10002]\r\nWebsite=2|\r\n");
    WriteFile(data + "Category.dat", "[10001]\r\nMAXID=3\r\nINTERVALMIN=0\r\n");
    tables_ = std::make_unique<reference::ReferenceTables>();
    tables_->LoadAll(Content());
    lists_ = std::make_unique<net::SubscriptionLists>();
    lists_->Build(*tables_, net::CategoryFilePath(Content()));

    favorites_ = std::make_unique<store::FolderListHolder>();
    subscriptions_ = std::make_unique<store::FolderListHolder>();
    folderLists_ = std::make_unique<store::FolderLists>(*favorites_, home_ + "Pemlo.ini",
                                                        *subscriptions_, home_ + "Pemlo2.ini");
    refreshed_.clear();
    folderLists_->SetOnSaved([this](int code) { refreshed_.push_back(code); });
}

void StoreDialogsTest::cleanup() {
    app::WaitForBackgroundWork();
    folderLists_.reset();
    favorites_.reset();
    subscriptions_.reset();
    lists_.reset();
    tables_.reset();
    dir_.reset();
}

// --- Favourites and subscriptions --------------------------------------------------------

void StoreDialogsTest::organizerAddsRenamesAndStoresOnOk() {
    QVERIFY(store::SaveFolders(home_ + "Pemlo.ini", {{3, Gbk("财经"), {}}}));
    favorites_->Reload(home_ + "Pemlo.ini");
    settings::WriteInt(settings::keys::kFavMaxID, 2);
    auto refused = std::make_shared<QString>();

    OnNextModal<ui::CFolderOrganizerDlg>([this, refused](ui::CFolderOrganizerDlg* dialog) {
        QCOMPARE(dialog->windowTitle(), U("整理"));
        auto* list = Child<QListWidget>(dialog, "folders");
        QCOMPARE(Texts(list), QStringList{U("财经")});

        // Add: a name the stored list has (in other letters) is refused, the dialog stays.
        OnNextModal<ui::CNewFolderDlg>([refused](ui::CNewFolderDlg* add) {
            QCOMPARE(add->windowTitle(), U("添加收藏夹"));
            auto* name = Child<QLineEdit>(add, "name");
            name->setText(U(" 财经 "));
            AnswerNextMessage(refused);
            Click(add, "ok");
            QVERIFY(add->isVisible());
            QCOMPARE(add->focusWidget(), name);
            name->setText(U("股票"));
            Child<QLineEdit>(add, "keywords")->setText(U(" 银行,证券 "));
            Click(add, "ok");
            QVERIFY(!add->isVisible());
        });
        Click(dialog, "add");
        QCOMPARE(Texts(list), (QStringList{U("财经"), U("股票")}));
        QCOMPARE(list->currentRow(), 1);

        // Rename the new entry in place.
        OnNextModal<ui::CRenameDlg>([](ui::CRenameDlg* rename) {
            QCOMPARE(Child<QLabel>(rename, "oldName")->text(), U("股票"));
            Child<QLineEdit>(rename, "newName")->setText(U("个股"));
            Click(rename, "ok");
        });
        Click(dialog, "rename");
        QCOMPARE(Texts(list), (QStringList{U("财经"), U("个股")}));

        // Properties: the keywords joined with ",".
        OnNextModal<ui::CFolderPropertiesDlg>([](ui::CFolderPropertiesDlg* properties) {
            QCOMPARE(Child<QLineEdit>(properties, "keywords")->text(), U("银行,证券"));
            QVERIFY(Child<QLineEdit>(properties, "name")->isReadOnly());
            Child<QLineEdit>(properties, "keywords")->setText(U("基金"));
            Click(properties, "ok");
        });
        Click(dialog, "properties");
        Click(dialog, "ok");
    });
    QVERIFY(ui::ShowFavoritesOrganizer(nullptr, *folderLists_));
    QCOMPARE(*refused, U("文件夹\"财经\"已存在!"));

    const store::FolderList stored = store::LoadFolders(home_ + "Pemlo.ini");
    QCOMPARE(stored.size(), std::size_t(2));
    QCOMPARE(stored[1].name, Gbk("个股"));
    QCOMPARE(stored[1].keywords, std::vector<std::string>{Gbk("基金")});
    QCOMPARE(stored[1].id, 4);  // FavMaxID 2 + 1 is the stored 3's: the next one
    QCOMPARE(settings::ReadInt(settings::keys::kFavMaxID, 0), 4);
    QCOMPARE(*favorites_->Get(), stored);  // reloaded
    QCOMPARE(refreshed_, std::vector<int>{8});
}

void StoreDialogsTest::organizerRefusesWithoutSelectionAndCancelKeepsTheFile() {
    QVERIFY(store::SaveFolders(home_ + "Pemlo2.ini", {{5, "a", {"x"}}, {6, "b", {}}}));
    subscriptions_->Reload(home_ + "Pemlo2.ini");
    const std::string before = ReadBytes(home_ + "Pemlo2.ini");
    auto messages = std::make_shared<QStringList>();

    OnNextModal<ui::CFolderOrganizerDlg>([messages](ui::CFolderOrganizerDlg* dialog) {
        QCOMPARE(dialog->windowTitle(), U("个性化订阅"));
        auto* list = Child<QListWidget>(dialog, "folders");
        list->clearSelection();
        for (const char* button : {"delete", "rename", "properties"}) {
            auto text = std::make_shared<QString>();
            AnswerNextMessage(text);
            Click(dialog, button);
            *messages << *text;
        }
        list->setCurrentRow(0);
        Click(dialog, "delete");
        QCOMPARE(Texts(list), QStringList{"b"});
        QCOMPARE(list->currentRow(), 0);
        Click(dialog, "cancel");
    });
    QVERIFY(!ui::ShowSubscriptionOrganizer(nullptr, *folderLists_));
    QCOMPARE(*messages, QStringList(3, U("请选择一个收藏文件夹!")));
    QCOMPARE(ReadBytes(home_ + "Pemlo2.ini"), before);
    QCOMPARE(subscriptions_->Get()->size(), std::size_t(2));
    QVERIFY(refreshed_.empty());
}

void StoreDialogsTest::chooseFavouriteNeedsAFolderAndRefillsAfterOrganizing() {
    auto message = std::make_shared<QString>();
    OnNextModal<ui::CChooseFavouriteDlg>([message](ui::CChooseFavouriteDlg* dialog) {
        QCOMPARE(dialog->windowTitle(), U("添加到收藏夹"));
        auto* list = Child<QListWidget>(dialog, "favourites");
        QCOMPARE(list->count(), 0);
        AnswerNextMessage(message);
        Click(dialog, "ok");
        QVERIFY(dialog->isVisible());

        // The organiser adds a folder; the list is filled again after its OK.
        OnNextModal<ui::CFolderOrganizerDlg>([](ui::CFolderOrganizerDlg* organizer) {
            OnNextModal<ui::CNewFolderDlg>([](ui::CNewFolderDlg* add) {
                Child<QLineEdit>(add, "name")->setText(U("收藏一"));
                Click(add, "ok");
            });
            Click(organizer, "add");
            Click(organizer, "ok");
        });
        Click(dialog, "organize");
        QCOMPARE(Texts(list), QStringList{U("收藏一")});
        QCOMPARE(list->currentRow(), 0);  // the first is preselected
        Click(dialog, "ok");
    });
    std::optional<std::int32_t> chosen = ui::ChooseFavourite(nullptr, *folderLists_);
    QCOMPARE(*message, U("请选择一个收藏文件夹!"));
    QVERIFY(chosen);
    QCOMPARE(*chosen, favorites_->Get()->front().id);
}

// --- Subscription dialogs ----------------------------------------------------------------

void StoreDialogsTest::categorySelectionAddsRefusesAndWritesTheFile() {
    std::vector<net::CategoryChoice> current;
    for (int i = 0; i < 15; ++i) {
        current.push_back({std::to_string(100100 + i), "r" + std::to_string(i)});
    }
    QVERIFY(net::WriteSelection(net::VantoryFilePath(home_), current));
    int saved = 0;
    auto messages = std::make_shared<QStringList>();
    ui::CCategorySelectionDlg dialog(Context(), [&saved] { ++saved; });
    dialog.show();
    QCOMPARE(dialog.windowTitle(), U("自选信息"));
    auto* group = Child<QComboBox>(&dialog, "group");
    auto* available = Child<QListWidget>(&dialog, "available");
    auto* chosen = Child<QListWidget>(&dialog, "chosen");
    QCOMPARE(group->count(), 3);
    QCOMPARE(Texts(available), (QStringList{U("国内"), U("国际"), U("股市")}));
    QCOMPARE(chosen->count(), 15);

    group->setCurrentIndex(1);  // trades
    QCOMPARE(Texts(available), (QStringList{U("银行"), U("钢铁")}));
    const QPoint first = available->visualItemRect(available->item(0)).center();
    QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, first);
    QCOMPARE(chosen->count(), 16);
    QCOMPARE(chosen->currentRow(), 15);
    available->setCurrentRow(1);
    auto full = std::make_shared<QString>();
    AnswerNextMessage(full);
    Click(&dialog, "add");
    *messages << *full;
    QCOMPARE(chosen->count(), 16);

    // Removing the first makes room; the same name again is refused.
    chosen->setCurrentRow(0);
    Click(&dialog, "remove");
    QCOMPARE(chosen->currentRow(), 0);
    available->setCurrentRow(0);
    auto again = std::make_shared<QString>();
    AnswerNextMessage(again);
    Click(&dialog, "add");
    *messages << *again;
    QCOMPARE(*messages, (QStringList{U("您只能选择16种类别!!"), U("此类别已经添加啦!!")}));

    Click(&dialog, "ok");
    QCOMPARE(saved, 1);
    const std::vector<net::CategoryChoice> written =
        net::ReadSelection(net::VantoryFilePath(home_));
    QCOMPARE(written.size(), std::size_t(15));
    QCOMPARE(written.back(), (net::CategoryChoice{"205", Gbk("银行")}));
    QCOMPARE(settings::ReadInt(settings::keys::kMyFolderCount, 0), 15);
}

void StoreDialogsTest::websiteDialogTicksCountsFindsAndStores() {
    auto record = lists_->Get(net::SubscriptionLists::RefFor(net::Group::kPublic, "10002"));
    QVERIFY(record);
    const std::string userWebsite = Content() + "Data/UserWebsite.tab";
    ui::CWebsiteDlg dialog(net::WebsiteForm(*record, *tables_->Websites(), userWebsite), *lists_);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), U("定制网站 —— 国际"));
    QCOMPARE(Child<QLabel>(&dialog, "info")->text(), U("大众->国际(10002) 最后更新时间:0:0"));
    auto* sites = Child<QListWidget>(&dialog, "sites");
    auto* count = Child<QLabel>(&dialog, "count");
    QCOMPARE(Texts(sites), (QStringList{U("新华网"), U("人民网"), U("新浪财经")}));
    QCOMPARE(Ticks(sites), (QList<bool>{false, true, false}));
    QCOMPARE(count->text(), U("共3个,已选择1个"));

    // A click on a box counts at once.
    const QRect row = sites->visualItemRect(sites->item(2));
    QTest::mouseClick(sites->viewport(), Qt::LeftButton, {},
                      QPoint(row.left() + 10, row.center().y()));
    QCOMPARE(Ticks(sites), (QList<bool>{false, true, true}));
    QCOMPARE(count->text(), U("共3个,已选择2个"));
    Click(&dialog, "clearAll");
    QCOMPARE(count->text(), U("共3个,已选择0个"));
    Click(&dialog, "tickAll");
    QCOMPARE(Ticks(sites), (QList<bool>{true, true, true}));

    // Find walks from one hit to the next; a miss says so and selects the text.
    auto* findText = Child<QLineEdit>(&dialog, "findText");
    findText->setText(U("网"));
    Click(&dialog, "find");
    QCOMPARE(sites->currentRow(), 0);
    Click(&dialog, "find");
    QCOMPARE(sites->currentRow(), 1);
    auto miss = std::make_shared<QString>();
    AnswerNextMessage(miss);
    Click(&dialog, "find");
    QCOMPARE(*miss, U("没找到包含\"网\"的网站!\n可进入添加网站进行添加."));
    QCOMPARE(findText->selectedText(), U("网"));

    sites->item(1)->setCheckState(Qt::Unchecked);
    Child<QCheckBox>(&dialog, "allCategories")->setChecked(true);
    Click(&dialog, "ok");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    for (const net::SubscriptionRecord& r : lists_->Records(net::Group::kPublic)) {
        QCOMPARE(r.websites, std::string("1|3|"));
        QVERIFY(r.changed);
    }
    QCOMPARE(platform::ProfileGetString(userWebsite + "Other", "10002", "Website", "", 100),
             std::string("1|3|"));
}

void StoreDialogsTest::websiteCommandNeedsACategory() {
    auto text = std::make_shared<QString>();
    AnswerNextMessage(text);
    QVERIFY(!ui::ShowWebsites(nullptr, Context(), std::nullopt));
    QCOMPARE(*text, U("请选择要定制的类别"));

    client::NavNode folder;
    folder.kind = client::NavKind::kFavoriteFolder;
    AnswerNextMessage(text);
    QVERIFY(!ui::ShowWebsites(nullptr, Context(), folder));
    QCOMPARE(*text, U("请选择要定制的类别"));

    client::NavNode gone;
    gone.kind = client::NavKind::kTrade;
    gone.key = "99";
    AnswerNextMessage(text);
    QVERIFY(!ui::ShowWebsites(nullptr, Context(), gone));
    QCOMPARE(*text, U("请选择一新闻类别"));

    client::NavNode trade;
    trade.kind = client::NavKind::kTrade;
    trade.key = "17";
    OnNextModal<ui::CWebsiteDlg>([](ui::CWebsiteDlg* dialog) {
        QCOMPARE(dialog->windowTitle(), U("定制网站 —— 钢铁"));
        Click(dialog, "cancel");
    });
    QVERIFY(!ui::ShowWebsites(nullptr, Context(), trade));
}

void StoreDialogsTest::autoSearchEnablingAndOk() {
    ui::CAutoSearchDlg dialog(*lists_);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), U("自动搜索设置 "));
    QCOMPARE(Child<QLabel>(&dialog, "info")->text(), U(" 最后更新时间:0:0"));
    auto* box = Child<QCheckBox>(&dialog, "autoSearch");
    auto* start = Child<QTimeEdit>(&dialog, "start");
    auto* interval = Child<QLineEdit>(&dialog, "interval");
    QVERIFY(!box->isChecked());
    QCOMPARE(interval->text(), QString("15"));  // stored 0
    QVERIFY(!start->isEnabled());
    QVERIFY(!interval->isEnabled());
    box->setChecked(true);
    QVERIFY(start->isEnabled());
    QVERIFY(interval->isEnabled());
    QCOMPARE(interval->maxLength(), 8);

    start->setTime(QTime(7, 15, 0));
    interval->setText("25");
    Click(&dialog, "ok");
    for (const net::SubscriptionRecord& r : lists_->Records(net::Group::kPublic)) {
        QVERIFY(r.autoSearch);
        QCOMPARE(r.intervalMinutes, 25);
        QCOMPARE(net::LocalTimeOfDay(r.timeStart), (net::TimeOfDay{7, 15, 0}));
    }
    QVERIFY(!lists_->Records(net::Group::kTrade).front().autoSearch);
}

void StoreDialogsTest::propertyViewIsReadOnly() {
    lists_->Update(net::SubscriptionLists::RefFor(net::Group::kPublic, "10002"),
                   [](net::SubscriptionRecord& r) {
                       r.remainDays = 0;
                       r.intervalMinutes = 45;
                   });
    client::NavNode node;
    node.kind = client::NavKind::kPublicCategory;
    node.key = "10002";
    OnNextModal<ui::CPropertyViewDlg>([](ui::CPropertyViewDlg* dialog) {
        QCOMPARE(dialog->windowTitle(), U("属性 —— 国际"));
        auto* sites = Child<QListWidget>(dialog, "sites");
        QCOMPARE(Ticks(sites), (QList<bool>{false, true, false}));
        QVERIFY(!(sites->item(0)->flags() & Qt::ItemIsUserCheckable));
        QCOMPARE(Child<QLabel>(dialog, "count")->text(), U("共3个,已选择1个"));
        QCOMPARE(Child<QLineEdit>(dialog, "interval")->text(), QString("45"));
        QCOMPARE(Child<QLineEdit>(dialog, "days")->text(), QString("7"));  // stored 0
        QVERIFY(Child<QLineEdit>(dialog, "days")->isReadOnly());
        QVERIFY(!Child<QCheckBox>(dialog, "autoSearch")->isEnabled());
        QCOMPARE(Child<QPushButton>(dialog, "close")->text(), U("退  出"));
        Click(dialog, "close");
    });
    ui::ShowCategoryProperties(nullptr, Context(), node);
    QVERIFY(!QApplication::activeModalWidget());
}

void StoreDialogsTest::subscriptionTreesOpenTheChosenCategory() {
    ui::CSubscriptionTreesDlg dialog(Context(), {});
    dialog.show();
    auto* tabs = Child<QTabWidget>(&dialog, "groups");
    QCOMPARE(tabs->count(), 3);
    auto* trees = Child<QTreeWidget>(&dialog, "publicTree");
    QCOMPARE(trees->topLevelItemCount(), 2);  // the two major categories
    QCOMPARE(trees->topLevelItem(0)->childCount(), 2);

    auto text = std::make_shared<QString>();
    AnswerNextMessage(text);
    Click(&dialog, "websites");  // nothing chosen yet
    QCOMPARE(*text, U("请选择要定制的类别"));

    tabs->setCurrentIndex(2);
    auto* regions = Child<QTreeWidget>(&dialog, "regionTree");
    regions->setCurrentItem(regions->topLevelItem(1));
    QVERIFY(dialog.ChosenNode());
    QCOMPARE(dialog.ChosenNode()->key, std::string("23"));
    OnNextModal<ui::CWebsiteDlg>([](ui::CWebsiteDlg* websites) {
        QCOMPARE(websites->windowTitle(), U("定制网站 —— 上海"));
        Click(websites, "cancel");
    });
    Click(&dialog, "websites");
    QVERIFY(!QApplication::activeModalWidget() || QApplication::activeModalWidget() == &dialog);
}

void StoreDialogsTest::conversionCategoriesByMajorAndEmptyListStaysOpen() {
    std::vector<conversion::ConversionEntry> entries{
        {"10001", Gbk("国内"), 'T'}, {"10002", Gbk("国际"), 'F'}, {"20001", Gbk("股市"), 'F'}};
    conversion::ConversionCategoryForm form(home_, 10, entries, *tables_->Kinds());
    ui::CConversionCategoryDlg dialog(10, form);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), U("定制转换类别"));
    auto* majors = Child<QListWidget>(&dialog, "majors");
    auto* shown = Child<QListWidget>(&dialog, "entries");
    QCOMPARE(Texts(majors), (QStringList{U("要闻"), U("财经")}));
    QCOMPARE(shown->count(), 0);
    majors->setCurrentRow(0);
    QCOMPARE(Texts(shown), (QStringList{U("国内"), U("国际")}));
    QCOMPARE(Ticks(shown), (QList<bool>{true, false}));
    shown->item(1)->setCheckState(Qt::Checked);
    majors->setCurrentRow(1);
    Click(&dialog, "tickAll");
    QCOMPARE(Ticks(shown), QList<bool>{true});
    Click(&dialog, "ok");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const std::string file = conversion::ConversionFlagsFile(home_, 10);
    for (const char* code : {"10001", "10002", "20001"}) {
        QCOMPARE(platform::ProfileGetString(file, code, "IsSelect", "", 8), std::string("T"));
    }

    // A trade list without entries: OK keeps the dialog open.
    conversion::ConversionCategoryForm empty(home_, 12, {});
    ui::CConversionCategoryDlg trades(12, empty);
    trades.show();
    QCOMPARE(trades.windowTitle(), U("定制新闻类别"));
    QVERIFY(!trades.findChild<QListWidget*>("majors"));
    Click(&trades, "ok");
    QVERIFY(trades.isVisible());
}

// --- Find bar ----------------------------------------------------------------------------

void StoreDialogsTest::findBarSearchesOffTheThreadAndShowsTheHits() {
    const std::string trades = store::ResolveFolder(Content(), store::kFolderTrade);
    const std::string pub = store::ResolveFolder(Content(), store::kPublicCategoryKind);
    QVERIFY(platform::CreateFolders(trades) && platform::CreateFolders(pub));
    auto file = [](const std::string& folder, const char* base, int id, const char* title,
                   const char* time) {
        store::NewsItem item;
        item.newsId = id;
        item.title = Gbk(title);
        item.timeText = time;
        QVERIFY(store::AppendItem(folder, base, item, "") >= 0);
    };
    file(pub, "10001", 1, "央行降息", "2024-6-1 8:0:0");
    file(trades, "05", 2, "银行与央行", "2024-6-3 8:0:0");
    file(pub, "20001", 3, "股市平稳", "2024-6-2 8:0:0");

    QWidget window;
    auto* split = new QSplitter(Qt::Vertical, &window);
    auto* list = new QWidget(split);
    auto* content = new RecordingBrowser;
    split->addWidget(list);
    split->addWidget(content);
    split->resize(400, 600);
    auto* bar = new ui::FindBar(*tables_, Content(), &window);
    bar->SetPanes(split, content);
    window.show();
    split->setSizes({30, 570});

    // Public categories, trades and regions, in that order.
    auto* categories = bar->Categories();
    QStringList names;
    for (int i = 0; i < categories->count(); ++i) {
        if (!categories->itemText(i).isEmpty()) names << categories->itemText(i);
    }
    QCOMPARE(names, (QStringList{U("国内"), U("国际"), U("股市"), U("新闻快递"), U("银行"),
                                 U("钢铁"), U("北京"), U("上海")}));

    QSignalSpy started(bar, &ui::FindBar::SearchStarted);
    QSignalSpy hits(bar, &ui::FindBar::HitsFound);
    QSignalSpy finished(bar, &ui::FindBar::SearchFinished);
    bar->Keyword()->setText(U(" 央行 "));
    QTest::keyClick(bar->Keyword(), Qt::Key_Return);  // Enter runs the search
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toString(), U("央行"));
    QCOMPARE(split->sizes().value(0), 250);  // a collapsed list pane opens
    QVERIFY(finished.wait(10000));
    QCOMPARE(hits.count(), 1);
    auto result = bar->LastResult();
    QVERIFY(result);
    QCOMPARE(result->hits.size(), std::size_t(2));
    QCOMPARE(result->hits[0].record.newsId, 2);  // newest first
    QCOMPARE(result->hits[0].base, std::string("05"));
    QCOMPARE(app::Q(result->statusText), U("包含\"央行\"的新闻共有2条."));
    QCOMPARE(Child<QLabel>(bar, "status")->text(), app::Q(result->statusText));

    // No hit: the message names the keyword; no rows are brought.
    auto none = std::make_shared<QString>();
    AnswerNextMessage(none);
    bar->Keyword()->setText(U("无此词"));
    QCOMPARE(bar->SearchLocal(), 0);
    QVERIFY(finished.wait(10000));
    QTRY_COMPARE(*none, U("没找到包含\"无此词\"的新闻!"));
    QCOMPARE(hits.count(), 1);
    QCOMPARE(finished.last().at(0).toInt(), 0);
}

void StoreDialogsTest::findBarChecksTheKeywordAndOpensTheWebSearch() {
    settings::WriteString(settings::keys::kSearchEngine, "http://search.example/s?");
    QWidget window;
    auto* split = new QSplitter(Qt::Vertical, &window);
    split->addWidget(new QWidget(split));
    auto* content = new RecordingBrowser;
    split->addWidget(content);
    split->resize(400, 600);
    auto* bar = new ui::FindBar(*tables_, Content(), &window);
    bar->SetPanes(split, content);
    window.show();
    split->setSizes({300, 300});

    auto* elsewhere = new QLineEdit(&window);
    QSignalSpy started(bar, &ui::FindBar::SearchStarted);
    for (auto command : {&ui::FindBar::SearchLocal, &ui::FindBar::SearchWeb}) {
        auto text = std::make_shared<QString>();
        AnswerNextMessage(text);
        bar->Keyword()->setText("   ");
        elsewhere->setFocus();
        QCOMPARE((bar->*command)(), store::kSearchNoKeyword);
        QCOMPARE(*text, U("请输入您想查找的关键字!"));
        QCOMPARE(window.focusWidget(), bar->Keyword());  // the focus goes back to the keyword
    }
    QCOMPARE(started.count(), 0);
    QVERIFY(content->opened.isEmpty());

    bar->Keyword()->setText(U("央行 a&b"));
    QCOMPARE(bar->SearchWeb(), 1);
    QCOMPARE(content->opened.size(), 1);
    // The keyword's GBK bytes, percent-encoded; "&" and the blank cannot end the value.
    QCOMPARE(content->opened[0].toEncoded(),
             QByteArray("http://search.example/s?word=%D1%EB%D0%D0%20a%26b"));
    QCOMPARE(split->sizes().value(0), 20);
}

// --- Bulletin window ---------------------------------------------------------------------

void StoreDialogsTest::bulletinWindowShowsColoursAndRewritesTheFlag() {
    const std::string path = Content() + "Data/Bullient.tab";
    QWidget main;
    {
        ui::CBulletinWindow quiet(path, *lists_, &main);
        QVERIFY(!quiet.ShowAtStart());  // no file
        QVERIFY(!quiet.isVisible());
    }
    reference::Bulletin stored{Gbk("旧公告"), "2024-5-1", "10001", 1, Gbk("内容")};
    QVERIFY(reference::WriteBulletin(path, stored, 1) == 0);

    ui::CBulletinWindow window(path, *lists_, &main);
    QVERIFY(window.ShowAtStart());
    QVERIFY(window.isVisible());
    QVERIFY(!window.isModal());
    QCOMPARE(window.windowTitle(), U("旧公告"));
    QCOMPARE(Child<QLabel>(&window, "category")->text(), U("国内"));
    QVERIFY(Child<QLabel>(&window, "category")->styleSheet().contains("#0000FF"));
    QVERIFY(Child<QLabel>(&window, "time")->styleSheet().contains("#000000"));
    QVERIFY(Child<QTextBrowser>(&window, "content")->styleSheet().contains("#FF0000"));
    auto* box = window.ShowAtStartBox();
    QVERIFY(box->isChecked());

    // Unticking rewrites the flag line at once.
    box->click();
    reference::Bulletin read;
    QCOMPARE(reference::ReadBulletin(path, read), 0);
    QCOMPARE(read.showAtStart, 0);
    QCOMPARE(read.title, Gbk("旧公告"));
    window.close();
    QVERIFY(!window.ShowAtStart());

    // A bulletin arrives (stored by the core with its flag set first).
    reference::Bulletin arrived{Gbk("新公告"), "2024-6-1 8:0:0", "10002", 1,
                                Gbk("第一行\r\n第二行")};
    QVERIFY(reference::WriteBulletin(path, arrived, 1) == 0);
    window.ShowBulletin(U("新公告"), "2024-6-1 8:0:0", "10002", U("第一行\r\n第二行"));
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), U("新公告"));
    QCOMPARE(Child<QLabel>(&window, "time")->text(), QString("2024-6-1 8:0:0"));
    QCOMPARE(Child<QLabel>(&window, "category")->text(), U("国际"));
    QCOMPARE(Child<QTextBrowser>(&window, "content")->toPlainText(), U("第一行\n第二行"));
    QVERIFY(box->isChecked());
}

// The private runtime folder Qt asks for exists before the application object does.
int main(int argc, char** argv) {
    QTemporaryDir runtime;
    if (!runtime.isValid()) return 1;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QApplication app(argc, argv);
    StoreDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "store_dialogs_test.moc"
