// brevio-screenshots DIR: the real windows of the desktop client, driven against the demo
// server under an X server (Xvfb), each captured as a PNG from the screen. Started by
// scripts/screenshots.sh, which prepares the program folder and the X server.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <cstdio>
#include <functional>

#include "app/app_fonts.h"
#include "app/brevio_app.h"
#include "app/main_frame.h"
#include "app/navigation_view.h"
#include "app/splash_window.h"
#include "app/taskbar_notifier.h"
#include "app/widgets/browser_view.h"
#include "app/widgets/text.h"
#include "client/main_window_logic.h"
#include "client/navigation_tree.h"
#include "conversion/templates.h"
#include "ui/conversion/news_edit_dialogs.h"
#include "net/login_form.h"
#include "ui/net/login_dialog.h"
#include "ui/news/news_list_model.h"
#include "ui/news/news_list_view.h"
#include <QTableView>
#include "ui/net/net_settings_dialog.h"
#include "ui/news/find_bar.h"
#include "ui/reference/bulletin_window.h"
#include "ui/store/folder_dialogs.h"

namespace {

QString gDir;
int gFailures = 0;

// Captures the screen area of a visible widget.
void Capture(QWidget* widget, const QString& name) {
    widget->raise();
    widget->activateWindow();
    QTest::qWait(400);
    const QRect area = widget->frameGeometry();
    QPixmap shot = QApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                             area.height());
    const QString path = gDir + "/" + name + ".png";
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "cannot capture %s\n", qPrintable(name));
        ++gFailures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// Opens a modal window with `open`, captures it (after `prepare`, which may capture more
// itself) and closes it.
void CaptureModal(const std::function<void()>& open, const QString& name,
                  const std::function<void(QWidget*)>& prepare = {}) {
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || qobject_cast<QMessageBox*>(modal)) return;
        poll.stop();
        seen = true;
        if (prepare) prepare(modal);
        if (!name.isEmpty()) Capture(modal, name);
        modal->close();
    });
    poll.start(50);
    QTimer::singleShot(30000, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    open();
    // A command that reads first opens its window a little later.
    for (int i = 0; i < 200 && !seen; ++i) QTest::qWait(50);
    if (!seen) {
        std::fprintf(stderr, "no window for %s\n", qPrintable(name));
        ++gFailures;
    }
}

}  // namespace

int main(int argc, char** argv) {
    brevio::app::BrowserView::PrepareBeforeApplication();
    QApplication qt(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        std::fprintf(stderr, "usage: brevio-screenshots DIR\n");
        return 2;
    }
    gDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gDir);
    brevio::app::InstallChineseFont();

    {
        brevio::app::SplashWindow splash;
        splash.show();
        splash.SetStatus(QString::fromUtf8("正在初始化系统数据..."));
        Capture(&splash, "splash");
    }
    {
        brevio::net::LoginForm form(brevio::net::CurrentPortalAddress(), {"demo", "demo123", true});
        brevio::ui::CLoginDlg login(std::move(form));
        login.show();
        Capture(&login, "login_dialog");
    }

    brevio::app::BrevioApp app;
    brevio::app::AppOptions options;
    options.loginDialog = [](const brevio::client::LoginValues& current, std::string_view problem) {
        return brevio::ui::AskLogin(nullptr, current, problem);
    };
    if (!app.Start(options)) return 1;
    brevio::app::MainFrame* frame = app.Frame();
    // A bare X server has no window manager to maximise the window: give it the screen.
    frame->setGeometry(QApplication::primaryScreen()->availableGeometry());
    auto& core = *app.Core();
    core.Reception().ReceiveAllSelected();
    core.Reception().WaitIdle(120000);
    core.WaitUntilWritten(120000);
    frame->Navigation()->SelectLeaf(brevio::client::NavKind::kPublicCategory, "10001");
    QTest::qWait(1500);
    Capture(frame, "main_window");
    {
        brevio::ui::CNewsListView* list = frame->NewsList();
        if (list && list->Model()->rowCount() > 0) {
            list->List()->selectRow(std::min(1, list->Model()->rowCount() - 1));
            QTest::qWait(2500);
            Capture(frame, "news_item");
        } else {
            std::fprintf(stderr, "no news item to show\n");
            ++gFailures;
        }
    }

    {
        brevio::ui::CNetSettingsDlg net(core.Server(), &core.Settings(), frame);
        net.show();
        Capture(&net, "net_settings_dialog");
    }

    // The find bar in the dialog bar after a local search (the frame's own bar when it has
    // one), the favourites organiser with two folders, the bulletin the demo server sent.
    {
        auto* bar = frame->findChild<brevio::ui::FindBar*>();
        if (!bar) {
            bar = new brevio::ui::FindBar(core, frame);
            bar->SetPanes(qobject_cast<QSplitter*>(frame->NewsListSlot()->parentWidget()),
                          frame->Browser());
            auto* dialogBar = frame->findChild<QToolBar*>("dialogBar");
            frame->insertToolBarBreak(dialogBar);
            dialogBar->addWidget(bar);
        }
        QEventLoop searched;
        QObject::connect(bar, &brevio::ui::FindBar::SearchFinished, &searched, &QEventLoop::quit);
        QTimer::singleShot(30000, &searched, &QEventLoop::quit);
        // No hit would raise a message: close it rather than wait for a click.
        QTimer::singleShot(5000, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->close();
            }
        });
        bar->Keyword()->setText(QString::fromUtf8("行业"));
        if (bar->SearchLocal() == 0) searched.exec();
        QTest::qWait(800);
        Capture(frame, "find_bar");

        brevio::store::FolderOrganizer organizer(brevio::store::FolderListKind::kFavorites,
                                                 core.FolderLists());
        if (organizer.Entries().empty()) {
            for (const char* name : {"财经要闻", "行业动态"}) {
                brevio::store::NewFolderForm entry = organizer.NewEntry();
                if (!entry.Ok(brevio::app::G(QString::fromUtf8(name)), "")) organizer.Add(entry);
            }
            organizer.Ok();
        }
        brevio::ui::CFolderOrganizerDlg favourites(brevio::store::FolderListKind::kFavorites,
                                                   core.FolderLists(), frame);
        favourites.show();
        Capture(&favourites, "favourites_dialog");
        favourites.accept();

        brevio::ui::CBulletinWindow bulletin(
            brevio::net::BulletinWindowForm::FilePath(core.Settings().contentFolder), core.Lists(),
            frame);
        if (!bulletin.ShowAtStart()) {
            bulletin.ShowBulletin(QString::fromUtf8("Brevio演示服务器公告"),
                                  QString::fromUtf8("2024-6-1 8:00:00"), "40005",
                                  QString::fromUtf8("欢迎使用 Brevio。"));
        }
        Capture(&bulletin, "bulletin_window");
        bulletin.close();
    }

    // The options pages, the news statistics, the add-website dialog.
    using brevio::app::MainFrame;
    CaptureModal([&] { frame->Action(MainFrame::kOptions)->trigger(); }, QString(),
                 [](QWidget* dialog) {
                     auto* tabs = dialog->findChild<QTabWidget*>();
                     const char* names[] = {"options_reading", "options_path", "options_update",
                                            "options_history", "options_tuning"};
                     for (int i = 0; tabs && i < tabs->count() && i < 5; ++i) {
                         tabs->setCurrentIndex(i);
                         Capture(dialog, names[i]);
                     }
                 });
    CaptureModal([&] { frame->Action(MainFrame::kStatistics)->trigger(); }, "statistics_public",
                 [](QWidget*) { QTest::qWait(1500); });
    CaptureModal([&] { frame->Action(MainFrame::kAddWebsite)->trigger(); }, "add_website_dialog");

    // A portal settings page in the web settings dialog (the radar's).
    CaptureModal(
        [&] {
            frame->Action(brevio::client::PageInfo(brevio::client::SettingsPage::kRadar).command)
                ->trigger();
        },
        "web_settings_dialog", [](QWidget*) { QTest::qWait(2500); });

    // Conversion: the settings, the template manager, the news edit dialog of a list item.
    CaptureModal([&] { frame->Action(MainFrame::kConversionSettings)->trigger(); },
                 "conversion_settings");
    {
        brevio::conversion::TemplateManagerForm form(core.Settings().programFolder);
        if (form.Names().empty()) {
            // One custom template, as a user would add it.
            const std::string sample = core.Settings().programFolder +
                                       brevio::app::G(QString::fromUtf8("财经蓝色模板.txt"));
            QFile file(brevio::app::QPath(sample));
            if (file.open(QIODevice::WriteOnly)) {
                file.write("<html><head><title>%s</title></head><body><h2>%s</h2>"
                           "<p>%s %s</p><div>%s</div></body></html>");
                file.close();
                form.Add(sample);
            }
        }
        brevio::ui::CTemplateManagerDlg manager(form, {}, frame);
        manager.show();
        Capture(&manager, "template_manager");
        manager.close();
    }
    if (brevio::ui::CNewsListView* list = frame->NewsList(); list && list->Model()->rowCount() > 0) {
        list->List()->selectRow(0);
        CaptureModal([&] { list->RunCommand(brevio::ui::CNewsListView::kEditNews); },
                     "news_edit_dialog");
    }

    // The radar's pop-up notifier, as a change of a watched page shows it.
    {
        brevio::app::TaskbarNotifier* notifier = frame->Notifier();
        notifier->SetTiming({300, 5000, 300});
        notifier->Notify(QString::fromUtf8("行情快报变化了1次"),
                         QStringLiteral("http://127.0.0.1/"));
        QTest::qWait(700);
        Capture(notifier, "radar_notifier");
    }

    // The tray menu: the settings menu at the tray icon, as a right click opens it.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        std::fprintf(stderr, "no system tray on this display\n");
        ++gFailures;
    }
    const QRect icon = frame->Tray()->geometry();
    frame->SettingsMenu()->popup(icon.isValid() ? icon.bottomLeft() : QPoint(900, 30));
    QTest::qWait(300);
    Capture(frame->SettingsMenu(), "tray_menu");
    frame->SettingsMenu()->close();
    return gFailures == 0 ? 0 : 1;
}
