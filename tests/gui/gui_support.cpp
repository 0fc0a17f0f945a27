#include "gui/gui_support.h"

#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "net/login.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::test {

void UsePrivateRuntimeFolder() {
    static std::string folder;
    if (!folder.empty()) return;
    char pattern[] = "/tmp/brevio-gui-runtime.XXXXXX";
    if (char* made = ::mkdtemp(pattern)) {
        folder = made;
        ::chmod(made, 0700);
        ::setenv("XDG_RUNTIME_DIR", made, 1);
    }
}

DemoHome::DemoHome(std::vector<std::string> demoArgs) {
    if (!server_.Start(std::move(demoArgs))) return;
    settings::WriteInt(settings::keys::kServerPort, server_.NspPort());
    settings::WriteString(settings::keys::kPortalAddress,
                          "http://127.0.0.1:" + std::to_string(server_.HttpPort()));
    settings::WriteInt(settings::keys::kDiskInterval, 1);
    const std::string data = BREVIO_DEMO_DATA;
    for (const char* table : {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab",
                              "websites.tab", "stocktbl.tab"}) {
        WriteFileBytes(Content() + "Data/" + table,
                       platform::Utf8ToGbk(ReadFileBytes(data + "/" + table)));
    }
    net::StoreLoginValues("demo", "demo123", true);
    ok_ = true;
}

app::AppOptions DemoAppOptions() {
    app::AppOptions options;
    options.loginDialog = [](const client::LoginValues&,
                             std::string_view) -> std::optional<client::LoginValues> {
        QTest::qFail("the login dialog was shown", __FILE__, __LINE__);
        return std::nullopt;
    };
    options.startRadar = false;
    return options;
}

QString AnswerMessageBoxes(const std::function<void()>& action, int button) {
    QString texts;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (!texts.isEmpty()) texts += QStringLiteral("\n---\n");
        texts += box->text();
        QAbstractButton* b = box->button(static_cast<QMessageBox::StandardButton>(button));
        if (!b) b = box->button(QMessageBox::Ok);
        if (b) b->click();
    });
    watcher.start(20);
    action();
    return texts;
}

}  // namespace brevio::test
