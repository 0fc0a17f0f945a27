// The options, news statistics and add-website dialogs as the user sees them, offscreen: a
// refused history count keeps the dialog open with the page and focus on the box, the
// statistics pages fill off the user-interface thread and follow "刷新", and the add-website
// dialog refuses a short address before anything is sent.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "platform/fs.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "store/news_file.h"
#include "ui/news/add_website_dialog.h"
#include "ui/news/options_dialog.h"
#include "ui/news/statistics_dialog.h"

using namespace brevio;
namespace keys = settings::keys;

namespace {

std::string Gbk(const char* utf8) {
    return platform::Utf8ToGbk(utf8);
}

// Closes the next message box that shows up and records its text.
void CloseNextMessage(QString* text) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        timer->stop();
        timer->deleteLater();
        *text = box->text();
        box->accept();
    });
    timer->start();
}

void FileItems(const std::string& folder, const std::string& base, int n) {
    for (int i = 1; i <= n; ++i) {
        store::NewsItem item;
        item.newsId = i;
        item.title = "t";
        item.url = "http://x/";
        item.timeText = "2026-12-01 10:00:00";
        item.content = "c";
        QVERIFY(store::AppendItem(folder, base, item, "") > 0);
    }
}

}  // namespace

class OptionsDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void aRefusedCountKeepsTheDialogOpenOnItsPageAndBox();
    void tuningDefaultsAreHandedToTheRunningClient();
    void statisticsPagesFillInTheBackgroundAndRefresh();
    void addWebsiteRefusesAShortAddressWithoutSending();

  private:
    std::string Content() const { return home_->path().toStdString() + "/content/"; }
    std::unique_ptr<QTemporaryDir> home_;
};

void OptionsDialogsTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    qputenv("BREVIO_HOME", home_->path().toUtf8());
    for (const char* sub : {"News/Trade/", "News/Stock/", "Data/"}) {
        QVERIFY(platform::CreateFolders(Content() + sub));
    }
}

void OptionsDialogsTest::cleanup() {
    home_.reset();
}

void OptionsDialogsTest::aRefusedCountKeepsTheDialogOpenOnItsPageAndBox() {
    ui::OptionsDialogContext context;
    context.contentFolder = Content();
    context.pemloIni = home_->path().toStdString() + "/Pemlo.ini";
    ui::OptionsDialog dialog(context);
    dialog.show();
    auto* trade = dialog.findChild<QSpinBox*>("tradeRemain");
    QVERIFY(trade);
    QCOMPARE(trade->value(), 1000);
    trade->setValue(49);
    QString shown;
    CloseNextMessage(&shown);
    dialog.findChild<QPushButton*>("ok")->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(shown, QString::fromUtf8("保留最近新闻的条数:50 —— 5000"));
    QCOMPARE(dialog.Pages()->currentIndex(), 3);
    QCOMPARE(dialog.focusWidget(), trade);
    QCOMPARE(settings::ReadInt(keys::kTradeRemain, -1), 0);

    trade->setValue(50);
    dialog.findChild<QPushButton*>("ok")->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(settings::ReadInt(keys::kTradeRemain, -1), 50);
    ui::OptionsDialog reopened(context);
    QCOMPARE(reopened.findChild<QSpinBox*>("tradeRemain")->value(), 1000);
}

void OptionsDialogsTest::tuningDefaultsAreHandedToTheRunningClient() {
    settings::WriteInt(keys::kSearchThreads, 5);
    settings::WriteInt(keys::kDiskInterval, 700);
    int handed[3] = {};
    ui::OptionsDialogContext context;
    context.contentFolder = Content();
    context.pemloIni = home_->path().toStdString() + "/Pemlo.ini";
    context.targets.tuning = [&](int t, int s, int d) {
        handed[0] = t, handed[1] = s, handed[2] = d;
    };
    ui::OptionsDialog dialog(context);
    QCOMPARE(dialog.findChild<QSpinBox*>("threads")->value(), 5);
    dialog.findChild<QPushButton*>("defaults")->click();
    QCOMPARE(dialog.findChild<QSpinBox*>("threads")->value(), 3);
    QVERIFY(dialog.Apply());
    QCOMPARE(handed[0], 3);
    QCOMPARE(handed[1], 10);
    QCOMPARE(handed[2], 10);
    QCOMPARE(settings::ReadInt(keys::kDiskInterval, 0), 10);
}

void OptionsDialogsTest::statisticsPagesFillInTheBackgroundAndRefresh() {
    reference::ReferenceTables tables;
    reference::RefList trades;
    trades.push_back({"T1", Gbk("银行")});
    trades.push_back({"T2", Gbk("钢铁")});
    tables.Replace(reference::Table::kTrades, trades);
    FileItems(Content() + "News/Trade/", "T1", 4);

    ui::NewsStatisticsDialog dialog(tables, Content());
    ui::StatisticsPageView* page = dialog.Page(store::StatisticsPage::kTrade);
    QTRY_VERIFY(!page->Counting());
    QCOMPARE(page->List()->count(), 2);
    QCOMPARE(page->List()->item(0)->text(), QString::fromUtf8("        银行 -     4"));
    QCOMPARE(page->List()->item(1)->text(), QString::fromUtf8("        钢铁 -     0"));
    QCOMPARE(page->Total()->text(), QString::fromUtf8("共有   4条新闻"));

    FileItems(Content() + "News/Trade/", "T2", 3);
    page->findChild<QPushButton*>("refresh")->click();
    QTRY_VERIFY(!page->Counting());
    QCOMPARE(page->List()->item(1)->text(), QString::fromUtf8("        钢铁 -     3"));
    QCOMPARE(page->Total()->text(), QString::fromUtf8("共有   7条新闻"));
    QTRY_VERIFY(!dialog.Page(store::StatisticsPage::kStock)->Counting());
    QCOMPARE(dialog.Page(store::StatisticsPage::kStock)->Total()->text(),
             QString::fromUtf8("现有0支股票,共搜索到   0条相关信息"));
}

void OptionsDialogsTest::addWebsiteRefusesAShortAddressWithoutSending() {
    int sent = 0;
    net::AddWebsiteForm form("u", "p", [&](const net::SiteProposalInput&) {
        ++sent;
        net::ExchangeResult r;
        r.code = 0;
        r.reply = "200 ok";
        return r;
    });
    net::AddWebsiteLists lists{{Gbk("国内"), Gbk("国际")}, {}, {}};
    ui::AddWebsiteDialog dialog(std::move(form), lists);
    dialog.show();
    QCOMPARE(dialog.findChild<QComboBox*>("category")->count(), 2);
    QCOMPARE(dialog.findChild<QComboBox*>("category")->itemText(1), QString::fromUtf8("国际"));
    dialog.findChild<QLineEdit*>("name")->setText(QString::fromUtf8("网"));
    auto* url = dialog.findChild<QLineEdit*>("url");
    url->setText("http:");
    QString shown;
    CloseNextMessage(&shown);
    dialog.findChild<QPushButton*>("submit")->click();
    QCOMPARE(shown, QString::fromUtf8("网址(URL)的长度在6-128字符之间!"));
    QCOMPARE(sent, 0);
    QCOMPARE(dialog.focusWidget(), url);
    QVERIFY(dialog.isVisible());

    url->setText("http://x.cn");
    CloseNextMessage(&shown);
    dialog.findChild<QPushButton*>("submit")->click();
    QCOMPARE(sent, 1);
    QCOMPARE(shown, QString::fromUtf8("递交成功,谢谢!\r\n"));
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(OptionsDialogsTest)
#include "options_dialogs_test.moc"
