// The desktop client's main window over the real client core and the demo server, offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/brevio_app.h"
#include "app/main_frame.h"
#include "app/navigation_view.h"
#include "app/qt_observer.h"
#include "app/splash_window.h"
#include "app/widgets/browser_view.h"
#include "app/widgets/text.h"
#include "gui/gui_support.h"
#include "net/login.h"
#include "platform/profile.h"
#include "reference/list_update.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "unit/net_protocol/loopback.h"

using brevio::app::BrevioApp;
using brevio::app::MainFrame;
using brevio::app::NavigationView;

class MainFrameTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { brevio::test::UsePrivateRuntimeFolder(); }

    void startUpReachesTheMaximisedMainWindow() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        MainFrame* frame = app.Frame();
        QVERIFY(frame->isVisible());
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
        QCOMPARE(frame->DialogBarUser()->text(), QString::fromUtf8("demo(在线)"));
        QVERIFY(frame->Navigation()->BranchLabels(NavigationView::kTrade).contains(
            QString::fromUtf8("银行")));
        QVERIFY(app.Splash()->Status().startsWith(QString::fromUtf8("正在初始化系统数据...")));
        QCOMPARE(app.Splash()->Status().size(), 47);
    }

    void aWrongStoredPasswordBringsUpTheLoginDialog() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        brevio::net::StoreLoginValues("demo", "wrong", true);
        QStringList problems;
        BrevioApp app;
        brevio::app::AppOptions options;
        options.startRadar = false;
        options.loginDialog = [&](const brevio::client::LoginValues& current,
                                  std::string_view problem)
            -> std::optional<brevio::client::LoginValues> {
            problems << brevio::app::Q(problem);
            return brevio::client::LoginValues{current.userId, "demo123", true};
        };
        QVERIFY(app.Start(options));
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems[0], brevio::app::Q(brevio::net::LoginRejectedText()));
    }

    void theCloseBoxHidesToTheTrayAndTheTrayShowsItAgain() {
        brevio::test::DemoHome home;
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        MainFrame* frame = app.Frame();
        frame->close();
        QVERIFY(!frame->isVisible());
        QVERIFY(app.Core() != nullptr);
        // A left click on the tray icon shows the window maximised again.
        emit frame->Tray()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(frame->isVisible());
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
    }

    void anExitWhileItemsWaitIsRefusedWithTheirCount() {
        brevio::test::DemoHome home;
        brevio::settings::WriteInt(brevio::settings::keys::kDiskInterval, 1000);
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        auto& core = *app.Core();
        core.Reception().ReceiveAllSelected();
        QTRY_VERIFY_WITH_TIMEOUT(core.ItemsWaiting() > 5, 20000);
        core.Reception().StopAll();
        QVERIFY(core.Reception().WaitIdle(20000));
        const QString texts = brevio::test::AnswerMessageBoxes(
            [&] { QVERIFY(!app.Frame()->Exit()); }, QMessageBox::Yes);
        QVERIFY2(texts.contains(QString::fromUtf8("条新闻尚未保存到磁盘,请稍后退出!")),
                 qPrintable(texts));
        QVERIFY(texts.startsWith(QString::fromUtf8("还有")));
        QVERIFY(app.Core()->Reception().Running() == 0);
        // Nothing was stopped: the writer goes on writing.
        const int written = core.Intake().WrittenCount();
        QTRY_VERIFY_WITH_TIMEOUT(core.Intake().WrittenCount() > written, 5000);
    }

    void theSwitchedOnListsAreRefreshedOnceTheWindowShows() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        const std::string pemlo = brevio::settings::LoadAppSettings().pemloIni;
        QVERIFY(brevio::platform::ProfileWriteString(pemlo, "UPDATELIST", "AutoUpdateTrade", "1"));
        const std::string key = brevio::reference::LastUpdateKey(brevio::reference::ListType::kTrade);
        const std::int64_t before = brevio::reference::ReadLastUpdate(pemlo, key);
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        // The trade list's exchange ran (with its dialog) and moved the last-update value; the
        // lists whose switch is off were left alone.
        QTRY_VERIFY_WITH_TIMEOUT(brevio::reference::ReadLastUpdate(pemlo, key) != before, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget() == nullptr, 10000);
        const std::string stockKey =
            brevio::reference::LastUpdateKey(brevio::reference::ListType::kStock);
        QCOMPARE(brevio::reference::ReadLastUpdate(pemlo, stockKey),
                 brevio::reference::DefaultLastUpdate());
    }

    void statusTextsFromWorkerThreadsArriveInPaneOrder() {
        brevio::test::DemoHome home;
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        brevio::app::QtObserver* observer = app.Observer();
        std::vector<QString> seen[3];
        connect(observer, &brevio::app::QtObserver::statusText, this,
                [&](int pane, const QString& text) { seen[pane].push_back(text); });
        std::vector<std::thread> threads;
        for (int pane = 0; pane < 3; ++pane) {
            threads.emplace_back([observer, pane] {
                for (int i = 0; i < 300; ++i) {
                    observer->StatusText(pane, std::to_string(pane) + ":" + std::to_string(i));
                }
            });
        }
        for (std::thread& t : threads) t.join();
        QTRY_COMPARE(seen[2].size(), std::size_t{300});
        for (int pane = 0; pane < 3; ++pane) {
            QCOMPARE(seen[pane].size(), std::size_t{300});
            for (int i = 0; i < 300; ++i) {
                QCOMPARE(seen[pane][i], QStringLiteral("%1:%2").arg(pane).arg(i));
            }
            // Pane 0 also shows the selected node's line; the others show the last text.
            if (pane > 0) {
                QCOMPARE(app.Frame()->StatusPaneText(pane), QStringLiteral("%1:299").arg(pane));
            }
        }
    }

    void theTrayBlinkTogglesTheIcon() {
        brevio::test::DemoHome home;
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        MainFrame* frame = app.Frame();
        QVERIFY(!frame->Blinking());
        const qint64 plain = frame->Tray()->icon().cacheKey();
        frame->StartBlinking();
        QTRY_VERIFY_WITH_TIMEOUT(frame->BlinkIconShown(), 2000);
        QVERIFY(frame->Tray()->icon().cacheKey() != plain);
        QTRY_VERIFY_WITH_TIMEOUT(!frame->BlinkIconShown(), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(frame->BlinkIconShown(), 2000);
        frame->StopBlinking();
        QVERIFY(!frame->Blinking());
        QVERIFY(!frame->BlinkIconShown());
    }

    void refreshCode12RebuildsTheTradesAfterAListChange() {
        brevio::test::DemoHome home;
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        const QString added = QString::fromUtf8("新能源");
        QVERIFY(!app.Frame()->Navigation()->BranchLabels(NavigationView::kTrade).contains(added));
        brevio::test::WriteFileBytes(home.Content() + "Data/Trade.tab",
                                     brevio::test::ReadFileBytes(home.Content() + "Data/Trade.tab") +
                                         brevio::app::G(QStringLiteral("99\t")) + brevio::app::G(added) +
                                         "\tF\r\n");
        app.Core()->Tables().Reload(brevio::reference::Table::kTrades);
        // Sent from another thread, as the list update sends it.
        std::thread([&] { app.Observer()->RefreshNavigation(12); }).join();
        QTRY_VERIFY(app.Frame()->Navigation()->BranchLabels(NavigationView::kTrade).contains(added));
    }

    void theWindowStaysResponsiveWhileThreeReceptionsCrawl() {
        brevio::test::DemoHome home;
        // A server that answers every news request one small piece every 30 ms for 3 s.
        brevio::net::test::LoopbackServer slow([](int fd) {
            brevio::net::test::ReadUntil(fd, "\r\n\r\n");
            brevio::net::test::WriteAll(fd, "200,OK\r\n");
            for (int i = 0; i < 100; ++i) {
                brevio::net::test::WriteAll(fd, "X");
                QThread::msleep(30);
            }
        });
        brevio::settings::WriteInt(brevio::settings::keys::kServerPort, slow.Port());
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        auto& reception = app.Core()->Reception();
        for (const char* id : {"09001", "10001", "11001"}) {
            reception.ReceiveCategory({brevio::net::Group::kPublic, id});
        }
        QTRY_COMPARE_WITH_TIMEOUT(reception.Running(), 3, 5000);
        QElapsedTimer clock;
        qint64 last = 0, worst = 0;
        int ticks = 0;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (ticks++ > 0) worst = std::max(worst, now - last - 50);
            last = now;
        });
        clock.start();
        timer.start(50);
        QTest::qWait(2000);
        timer.stop();
        QVERIFY(ticks > 20);
        QVERIFY2(worst <= 100, qPrintable(QStringLiteral("a 50 ms timer fired %1 ms late").arg(worst)));
        reception.StopAll();
        QVERIFY(reception.WaitIdle(10000));
    }
};

int main(int argc, char** argv) {
    brevio::test::UsePrivateRuntimeFolder();
    brevio::app::BrowserView::PrepareBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    MainFrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_frame_test.moc"
