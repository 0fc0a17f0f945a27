#include "app/brevio_app.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <QMessageBox>

#include "app/app_fonts.h"
#include "app/main_frame.h"
#include "app/qt_observer.h"
#include "app/skin_engine.h"
#include "app/splash_window.h"
#include "app/widgets/browser_view.h"
#include "app/widgets/message_boxes.h"
#include "app/widgets/text.h"
#include "platform/paths.h"
#include "ui/reference/list_update_window.h"

namespace brevio::app {

BrevioApp::BrevioApp() = default;

BrevioApp::~BrevioApp() {
    frame_.reset();
    core_.reset();  // the exit sequence, if the exit command did not run it
}

bool BrevioApp::Start(const AppOptions& options) {
    skin_ = std::make_unique<SkinEngine>();
    const QString skinPath = Q(skin_->StartAtLaunch(platform::ProgramFolder()));
    observer_ = std::make_unique<QtObserver>();
    splash_ = std::make_unique<SplashWindow>();
    // The splash appears with its first text, after the login.
    QObject::connect(observer_.get(), &QtObserver::splashText, splash_.get(),
                     [this, options](const QString& text) {
                         if (options.showWindow && !splash_->isVisible()) splash_->show();
                         splash_->SetStatus(text);
                         QApplication::processEvents();
                     });
    // Messages of the start-up (a content folder that cannot be created) are shown at once.
    QObject::connect(observer_.get(), &QtObserver::message, splash_.get(),
                     [](const QString& text, const QString& title, int icon) {
                         ShowMessage(nullptr, G(text), G(title),
                                     static_cast<platform::MessageBoxSink::Icon>(icon));
                     });

    client::StartOptions start;
    start.frontEnd = "brevio";
    start.loginDialog = options.loginDialog;
    start.startRadar = options.startRadar;
    core_ = client::ClientCore::Start(start, *observer_, result_);
    QObject::disconnect(observer_.get(), &QtObserver::message, splash_.get(), nullptr);
    if (!core_) {
        splash_->close();
        if (!result_.message.empty()) {
            const auto icon = result_.failed == client::StartStep::kConfiguration
                                  ? platform::MessageBoxSink::kError
                                  : platform::MessageBoxSink::kWarning;
            ShowMessage(nullptr, result_.message, "Brevio提示", icon);
        }
        return false;
    }
    frame_ = std::make_unique<MainFrame>(*core_, *observer_, *skin_, skinPath);
    if (options.showWindow) frame_->showMaximized();
    splash_->CloseWhenLoopRuns();
    // The reference lists whose automatic refresh is switched on, once the window shows.
    if (options.autoRefreshLists) {
        QTimer::singleShot(0, frame_.get(), [frame = frame_.get(), core = core_.get()] {
            ui::AutoRefreshLists(frame, *core);
        });
    }
    return true;
}

namespace {

long long EpochMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

// Resident memory of this process in KiB (VmRSS), -1 when unknown.
long long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// --measure-start: prints when the main window is up and, after a few idle seconds, the
// resident memory, then leaves (bench/desktop_start.sh reads the lines).
void MeasureStart() {
    QTimer::singleShot(0, [] {
        std::printf("main window shown at %lld\n", EpochMs());
        std::fflush(stdout);
    });
    QTimer::singleShot(5000, [] {
        std::printf("resident memory idle: %lld KiB\n", ResidentKiB());
        std::fflush(stdout);
        QApplication::quit();
    });
}

}  // namespace

int RunDesktopClient(int argc, char** argv, client::LoginDialog loginDialog) {
    bool measure = false;
    for (int i = 1; i < argc; ++i) measure = measure || std::strcmp(argv[i], "--measure-start") == 0;
    BrowserView::PrepareBeforeApplication();
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevio"));
    QApplication::setQuitOnLastWindowClosed(false);  // the close box hides to the tray
    InstallChineseFont();
    BrevioApp app;
    AppOptions options;
    options.loginDialog = std::move(loginDialog);
    if (!app.Start(options)) return 1;
    if (measure) MeasureStart();
    return QApplication::exec();
}

}  // namespace brevio::app
