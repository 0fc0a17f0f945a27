// The web settings dialog on QtWebEngine against the demo portal's settings pages, offscreen:
// a watched button closes the dialog only after the page it submits has loaded, the close box
// closes any page, no binding outlives its dialog, and the main window reloads the section
// however the dialog was closed.
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <functional>

#include "app/brevio_app.h"
#include "app/main_frame.h"
#include "app/out_bar.h"
#include "app/widgets/browser_view.h"
#include "gui/gui_support.h"
#include "platform/http.h"
#include "ui/portal/web_settings_dialog.h"

using brevio::app::BrevioApp;
using brevio::app::MainFrame;
using brevio::client::WebSettingsForm;
using brevio::ui::WebSettingsDialog;

namespace {

QString Portal(brevio::test::DemoHome& home) {
    return QStringLiteral("http://127.0.0.1:%1").arg(home.Server().HttpPort());
}

QUrl SettingsPage(brevio::test::DemoHome& home, const char* path) {
    return QUrl(Portal(home) + QString::fromLatin1(path) +
                QStringLiteral("?userid=demo&userpw=demo123"));
}

// Runs JavaScript in the page's own world (as the user's click would act).
void RunInPage(WebSettingsDialog& dialog, const QString& script) {
    dialog.Page()->runJavaScript(script);
}

// Fills the settings form's new entry and clicks a button of the page.
QString AddEntryAndClick(const QString& title, const QString& link, const QString& button) {
    return QStringLiteral(
               "document.querySelector('input[name=title]').value = '%1';"
               "document.querySelector('input[name=link]').value = '%2';"
               "document.getElementById('%3').click();")
        .arg(title, link, button);
}

// Runs `dialog` modally; `onReady` is called each time a page is ready (connected: both watched
// buttons found) with the number of that page, from 1. A dialog still open after 30 s is
// rejected and the test fails.
int RunDialog(WebSettingsDialog& dialog,
              const std::function<void(WebSettingsDialog&, bool, int)>& onReady) {
    int pages = 0;
    QObject::connect(&dialog, &WebSettingsDialog::PageReady, &dialog, [&](bool connected) {
        onReady(dialog, connected, ++pages);
    });
    bool timedOut = false;
    QTimer::singleShot(30000, &dialog, [&] {
        timedOut = true;
        dialog.reject();
    });
    const int result = dialog.exec();
    if (timedOut) QTest::qFail("the dialog did not close by itself", __FILE__, __LINE__);
    return result;
}

// Waits for the main window's modal web settings dialog and hands it to `drive`; a dialog
// still open after 30 s is rejected (the test then fails on what it expected).
void WhenDialogOpens(const std::function<void(WebSettingsDialog&)>& drive) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, drive] {
        auto* dialog = qobject_cast<WebSettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        QPointer<WebSettingsDialog> open(dialog);
        QTimer::singleShot(30000, dialog, [open] {
            if (open && open->isVisible()) open->reject();
        });
        drive(*dialog);
    });
    poll->start(20);
}

}  // namespace

class WebSettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void aClickOnTheFirstButtonClosesWithOkOnlyAfterTheNextPageLoaded() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        WebSettingsDialog dialog(3);
        dialog.SetTitle(QString::fromUtf8("设置信息雷达"));
        dialog.SetAddress(SettingsPage(home, "/radarSet1.aspx"));
        QCOMPARE(dialog.size(), QSize(225, 490));
        QStringList events;
        connect(&dialog, &WebSettingsDialog::ClickRecorded, &dialog, [&](const QString& id) {
            events << QStringLiteral("click %1 open=%2").arg(id).arg(dialog.isVisible());
        });
        const int result = RunDialog(dialog, [&](WebSettingsDialog& d, bool connected, int page) {
            events << QStringLiteral("page %1 connected=%2").arg(page).arg(connected);
            if (page == 1) {
                RunInPage(d, AddEntryAndClick(QString::fromUtf8("新雷达"),
                                              QStringLiteral("http://example.test/r"),
                                              QStringLiteral("Button2")));
            }
        });
        QCOMPARE(result, int(QDialog::Accepted));
        // The click was recorded while the dialog stayed open; the page it submitted closed it
        // (no second "page" event: the result page closes the dialog before connecting).
        QCOMPARE(events, QStringList({QStringLiteral("page 1 connected=1"),
                                      QStringLiteral("click Button2 open=1")}));
        QCOMPARE(dialog.Form().BindingCount(), 0u);
        // The portal saved the entry the page submitted.
        const auto tree = brevio::platform::HttpGet(
            (Portal(home) + QStringLiteral("/getTree.aspx?userid=demo")).toStdString());
        QVERIFY(tree.body.find("http://example.test/r") != std::string::npos);
    }

    void theSecondButtonClosesWithCancel() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        WebSettingsDialog dialog(2);
        dialog.SetAddress(SettingsPage(home, "/myNewsSet.aspx"));
        QCOMPARE(dialog.size(), QSize(595, 400));
        const int result = RunDialog(dialog, [&](WebSettingsDialog& d, bool connected, int page) {
            QVERIFY(connected);
            if (page == 1) RunInPage(d, QStringLiteral("document.getElementById('Button2').click()"));
        });
        QCOMPARE(result, int(QDialog::Rejected));
    }

    void aPageWithoutTheWatchedButtonsClosesWithTheCloseBox() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        const std::size_t before = WebSettingsForm::LiveBindings();
        WebSettingsDialog dialog(0);
        dialog.SetAddress(QUrl(Portal(home) + QStringLiteral("/radar/2.html")));
        bool sawPage = false;
        const int result = RunDialog(dialog, [&](WebSettingsDialog& d, bool connected, int) {
            sawPage = true;
            QVERIFY(!connected);
            QVERIFY(!d.Form().Connected());
            QTimer::singleShot(0, &d, [&d] { d.close(); });  // the close box
        });
        QVERIFY(sawPage);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(WebSettingsForm::LiveBindings(), before);
    }

    void fiftyDialogsLeaveNoBindingBehind() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        const char* pages[] = {"/myBLOG.aspx", "/myemail.aspx", "/myNewsSet.aspx",
                               "/radarSet1.aspx", "/stockSet.aspx", "/myweb.aspx"};
        const std::size_t before = WebSettingsForm::LiveBindings();
        for (int run = 0; run < 50; ++run) {
            const int kind = run % 6;
            auto dialog = std::make_unique<WebSettingsDialog>(kind);
            dialog->SetAddress(SettingsPage(home, pages[kind]));
            bool connected = false;
            RunDialog(*dialog, [&](WebSettingsDialog& d, bool c, int) {
                connected = c;
                QVERIFY(WebSettingsForm::LiveBindings() >= before + 2);
                // Alternately the close box and the page's cancel button.
                if (run % 2 == 0) {
                    QTimer::singleShot(0, &d, [&d] { d.close(); });
                } else {
                    const std::string cancel(d.Form().Layout().cancelButton);
                    RunInPage(d, QStringLiteral("document.getElementById('%1').click()")
                                     .arg(QString::fromStdString(cancel)));
                }
            });
            QVERIFY2(connected, qPrintable(QStringLiteral("run %1").arg(run)));
            // Released when the dialog closed, not only when it is destroyed, and the page's
            // listeners were removed.
            QCOMPARE(dialog->Form().BindingCount(), 0u);
            QCOMPARE(WebSettingsForm::LiveBindings(), before);
            if (run % 2 == 0) {  // closed on the settings page itself
                int listeners = -1;
                dialog->Page()->runJavaScript(
                    QStringLiteral("window.brevioListenerCount ? brevioListenerCount() : -2"),
                    QWebEngineScript::ApplicationWorld,
                    [&listeners](const QVariant& v) { listeners = v.toInt(); });
                QTRY_VERIFY_WITH_TIMEOUT(listeners != -1, 5000);
                QCOMPARE(listeners, 0);
            }
            dialog.reset();
            QCOMPARE(WebSettingsForm::LiveBindings(), before);
        }
    }

    void theMainWindowReloadsTheSectionHoweverTheDialogClosed() {
        brevio::test::DemoHome home;
        QVERIFY(home.Ok());
        BrevioApp app;
        brevio::app::AppOptions options = brevio::test::DemoAppOptions();
        QVERIFY(app.Start(options));
        MainFrame* frame = app.Frame();
        constexpr int kMyWebFolder = 4, kMyBlogFolder = 5;
        constexpr int kMyWebSettings = 32863, kMyBlogSettings = 32866;

        // OK: the entry the page added shows in "我的网站" once the section is reloaded.
        WhenDialogOpens([](WebSettingsDialog& d) {
            QCOMPARE(d.windowTitle(), QString::fromUtf8("设置我的网站"));
            QObject::connect(&d, &WebSettingsDialog::PageReady, &d, [&d](bool connected) {
                if (connected)
                    RunInPage(d, AddEntryAndClick(QString::fromUtf8("演示网站甲"),
                                                  QStringLiteral("http://example.test/a"),
                                                  QStringLiteral("DeleteButton")));
            });
        });
        frame->Action(kMyWebSettings)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            frame->SideBar()->Entries(kMyWebFolder).contains(QString::fromUtf8("演示网站甲")),
            15000);

        // Cancel: the page changed nothing, but the list changed on the portal meanwhile; the
        // reload after the cancelled dialog shows it.
        const std::string blogPage =
            SettingsPage(home, "/myBLOG.aspx").toString().toStdString();
        WhenDialogOpens([blogPage](WebSettingsDialog& d) {
            QObject::connect(&d, &WebSettingsDialog::PageReady, &d, [&d, blogPage](bool) {
                const auto posted = brevio::platform::HttpPostForm(
                    blogPage, "DeleteButton=1&title=%E5%8D%9A%E5%AE%A2%E4%B9%99&link=http%3A%2F%2Fexample.test%2Fb");
                QVERIFY(posted.Ok());
                RunInPage(d, QStringLiteral("document.getElementById('cancel').click()"));
            });
        });
        frame->Action(kMyBlogSettings)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            frame->SideBar()->Entries(kMyBlogFolder).contains(QString::fromUtf8("博客乙")),
            15000);
    }
};

int main(int argc, char** argv) {
    brevio::test::UsePrivateRuntimeFolder();
    brevio::app::BrowserView::PrepareBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    WebSettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "web_settings_test.moc"
