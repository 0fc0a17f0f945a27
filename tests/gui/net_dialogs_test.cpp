// The login dialog and the network settings dialog as the user sees them, offscreen: what they
// show, how the proxy boxes follow the clicks, the refusal of a bad port with the dialog kept
// open, and what OK and Cancel leave in the registry and in the running client.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <functional>
#include <memory>

#include "client/client_core.h"
#include "net/exchange.h"
#include "net/login.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/password.h"
#include "settings/registry_values.h"
#include "ui/net/login_dialog.h"
#include "ui/net/net_settings_dialog.h"

using namespace brevio;
namespace keys = settings::keys;

namespace {

std::string Gbk(const char* utf8) {
    return platform::Utf8ToGbk(utf8);
}

// Runs `step` on the first modal window of type W that shows up (the dialog an exec() opened).
// A step that failed leaves no window open behind it, so the test ends instead of hanging.
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

template <class W>
W* Child(QWidget* parent, const char* name) {
    W* child = parent->findChild<W*>(name);
    if (!child) qWarning("no child %s", name);
    return child;
}

// Clicks a button where a check box or radio button takes clicks: on its indicator, at the
// left (a box stretched by its layout ignores clicks right of its text).
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}
void Click(QWidget* parent, const char* name) {
    Click(Child<QAbstractButton>(parent, name));
}

class UrlRecorder : public QObject {
    Q_OBJECT
  public slots:
    void open(const QUrl& url) { opened.append(url); }

  public:
    QList<QUrl> opened;
};

}  // namespace

class NetDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void askLoginShowsTheValuesAndTheProblemAndReturnsWhatWasTyped();
    void askLoginCancelReturnsNothing();
    void registrationOpensThePortalsPage();
    void loginSettingsStoreInRegistryAndClientWithoutThePortal();
    void proxyBoxesFollowTheModeAndTheAuthenticationBox();
    void aBadPortIsRefusedWithTheDialogKeptOpen();
    void cancelLeavesEverythingAsItWas();

  private:
    static platform::Registry::Values Registry() { return platform::Registry::Default().All(); }

    std::unique_ptr<QTemporaryDir> home_;
};

void NetDialogsTest::init() {
    // A fresh program folder (and registry) for every case.
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    qputenv("BREVIO_HOME", home_->path().toUtf8());
}

void NetDialogsTest::cleanup() {
    home_.reset();
}

void NetDialogsTest::askLoginShowsTheValuesAndTheProblemAndReturnsWhatWasTyped() {
    OnNextModal<ui::CLoginDlg>([](ui::CLoginDlg* dialog) {
        QCOMPARE(dialog->windowTitle(), QString::fromUtf8("Brevio用户登录"));
        auto* userId = Child<QLineEdit>(dialog, "userId");
        auto* password = Child<QLineEdit>(dialog, "password");
        auto* autoLogin = Child<QCheckBox>(dialog, "autoLogin");
        auto* problem = Child<QLabel>(dialog, "problem");
        QVERIFY(userId && password && autoLogin && problem);
        QCOMPARE(userId->text(), QString("demo"));
        QCOMPARE(password->text(), QString("old pw"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QVERIFY(autoLogin->isChecked());
        QCOMPARE(autoLogin->text(), QString::fromUtf8("自动登录"));
        QVERIFY(problem->isVisible());
        QCOMPARE(problem->text(), QString::fromUtf8("用户名或密码不正确 \n或者 没有订阅新闻!"));
        // The user id is there: the password is what to type again.
        QCOMPARE(dialog->focusWidget(), password);

        userId->setText(QString::fromUtf8("张三"));
        password->clear();
        QTest::keyClicks(password, "new pw");
        Click(autoLogin);
        Click(dialog, "ok");
    });
    std::optional<client::LoginValues> typed =
        ui::AskLogin(nullptr, {"demo", "old pw", true}, net::LoginRejectedText());
    QVERIFY(typed);
    QCOMPARE(typed->userId, Gbk("张三"));
    QCOMPARE(typed->password, std::string("new pw"));
    QVERIFY(!typed->autoLogin);
    // Storing is the caller's: the dialog wrote nothing.
    QVERIFY(!platform::Registry::Default().GetString(keys::kUserId));
}

void NetDialogsTest::askLoginCancelReturnsNothing() {
    bool shown = false;
    OnNextModal<ui::CLoginDlg>([&shown](ui::CLoginDlg* dialog) {
        shown = true;
        QVERIFY(!Child<QLabel>(dialog, "problem")->isVisible());
        QCOMPARE(dialog->focusWidget(), Child<QLineEdit>(dialog, "userId"));
        Child<QLineEdit>(dialog, "userId")->setText("someone");
        Click(dialog, "cancel");
    });
    QVERIFY(!ui::AskLogin(nullptr, {}, {}));
    QVERIFY(shown);
}

void NetDialogsTest::registrationOpensThePortalsPage() {
    settings::WriteString(keys::kPortalAddress, "127.0.0.1:18080/");
    UrlRecorder browser;
    QDesktopServices::setUrlHandler("http", &browser, "open");
    OnNextModal<ui::CLoginDlg>([&browser](ui::CLoginDlg* dialog) {
        QCOMPARE(Child<QPushButton>(dialog, "register")->text(), QString::fromUtf8("注册"));
        Click(dialog, "register");
        QCOMPARE(browser.opened, QList<QUrl>{QUrl("http://127.0.0.1:18080/login.aspx")});
        QVERIFY(dialog->isVisible());  // the dialog waits for the user to come back
        Click(dialog, "cancel");
    });
    QVERIFY(!ui::AskLogin(nullptr, {}, {}));
    QDesktopServices::unsetUrlHandler("http");
    QCOMPARE(browser.opened.size(), 1);
}

void NetDialogsTest::loginSettingsStoreInRegistryAndClientWithoutThePortal() {
    // A portal that records whoever calls.
    QTcpServer portal;
    QVERIFY(portal.listen(QHostAddress::LocalHost));
    settings::WriteString(keys::kPortalAddress, "127.0.0.1:" + std::to_string(portal.serverPort()));
    net::StoreLoginValues("old", "oldpw", false);
    client::ClientObserver observer;
    client::StartOptions options;
    options.frontEnd = "net_dialogs_test";
    options.guest = true;
    options.logIn = false;
    options.loadConfiguration = false;
    client::StartResult result;
    std::unique_ptr<client::ClientCore> core = client::ClientCore::Start(options, observer, result);
    QVERIFY2(core, result.message.c_str());
    QCOMPARE(core->Settings().userId, std::string("old"));

    // Cancel keeps everything.
    OnNextModal<ui::CLoginDlg>([](ui::CLoginDlg* dialog) {
        Child<QLineEdit>(dialog, "userId")->setText("other");
        Click(dialog, "cancel");
    });
    QVERIFY(!ui::EditLoginSettings(nullptr, *core));
    QCOMPARE(core->Settings().userId, std::string("old"));
    QCOMPARE(settings::ReadString(keys::kUserId, ""), std::string("old"));

    OnNextModal<ui::CLoginDlg>([](ui::CLoginDlg* dialog) {
        QVERIFY(!Child<QLabel>(dialog, "problem")->isVisible());
        QCOMPARE(Child<QLineEdit>(dialog, "userId")->text(), QString("old"));
        QCOMPARE(Child<QLineEdit>(dialog, "password")->text(), QString("oldpw"));
        QVERIFY(!Child<QCheckBox>(dialog, "autoLogin")->isChecked());
        Child<QLineEdit>(dialog, "userId")->setText(QString::fromUtf8("新用户"));
        Child<QLineEdit>(dialog, "password")->setText("newpw");
        Click(dialog, "autoLogin");
        Click(dialog, "ok");
    });
    QVERIFY(ui::EditLoginSettings(nullptr, *core));
    QCOMPARE(settings::ReadString(keys::kUserId, ""), Gbk("新用户"));
    QCOMPARE(settings::ReadString(keys::kPassword, ""), settings::ScramblePassword("newpw"));
    QCOMPARE(settings::ReadInt(keys::kAutoLogin, -1), 1);
    QCOMPARE(core->Settings().userId, Gbk("新用户"));
    QCOMPARE(core->Settings().password, std::string("newpw"));
    QVERIFY(core->Settings().autoLogin);
    QVERIFY(!portal.waitForNewConnection(100));
    core->Stop();
}

void NetDialogsTest::proxyBoxesFollowTheModeAndTheAuthenticationBox() {
    settings::WriteInt(keys::kProxyMode, 2);
    settings::WriteString(keys::kProxyHost, "socks.lan");
    settings::WriteInt(keys::kProxyPort, 1080);
    settings::WriteInt(keys::kProxyAuth, 1);
    settings::WriteString(keys::kServerHost, "news.example.cn");
    net::ServerEndpoint endpoint;
    ui::CNetSettingsDlg dialog(endpoint, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("网络设置"));

    auto* host = Child<QLineEdit>(&dialog, "proxyHost");
    auto* port = Child<QLineEdit>(&dialog, "proxyPort");
    auto* auth = Child<QCheckBox>(&dialog, "proxyAuth");
    auto* user = Child<QLineEdit>(&dialog, "proxyUser");
    auto* password = Child<QLineEdit>(&dialog, "proxyPassword");
    auto* server = Child<QComboBox>(&dialog, "serverHost");
    QVERIFY(host && port && auth && user && password && server);
    auto enabled = [&] {
        return QList<bool>{host->isEnabled(), port->isEnabled(), auth->isEnabled(),
                           user->isEnabled(), password->isEnabled()};
    };
    QVERIFY(Child<QRadioButton>(&dialog, "modeSocks5")->isChecked());
    QCOMPARE(Child<QRadioButton>(&dialog, "modeSocks4")->text(),
             QString::fromUtf8("通过Sock4代理"));
    QCOMPARE(host->text(), QString("socks.lan"));
    QCOMPARE(port->text(), QString("1080"));
    QCOMPARE(enabled(), (QList<bool>{true, true, true, true, true}));

    Click(&dialog, "proxyAuth");
    QCOMPARE(enabled(), (QList<bool>{true, true, true, false, false}));
    Click(&dialog, "modeDirect");
    QCOMPARE(enabled(), (QList<bool>{false, false, false, false, false}));
    Click(&dialog, "modeSocks4");
    QCOMPARE(enabled(), (QList<bool>{true, true, false, false, false}));
    Click(&dialog, "modeSocks5");
    QCOMPARE(enabled(), (QList<bool>{true, true, true, false, false}));
    Click(&dialog, "proxyAuth");
    QCOMPARE(enabled(), (QList<bool>{true, true, true, true, true}));

    // The server box offers the two built-in servers and shows the stored one.
    QCOMPARE(server->count(), 2);
    QCOMPARE(server->itemText(0), QString("127.0.0.1"));
    QCOMPARE(server->currentText(), QString("news.example.cn"));
    QCOMPARE(Child<QLineEdit>(&dialog, "serverPort")->text(), QString("5001"));
    dialog.reject();
}

void NetDialogsTest::aBadPortIsRefusedWithTheDialogKeptOpen() {
    net::ServerEndpoint endpoint("10.0.0.9", 7000);
    settings::AppSettings running;
    ui::CNetSettingsDlg dialog(endpoint, &running);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const platform::Registry::Values before = Registry();

    auto refusal = [&dialog](const char* expected) {
        bool seen = false;
        OnNextModal<QMessageBox>([&seen, expected](QMessageBox* box) {
            seen = true;
            QCOMPARE(box->text(), QString::fromUtf8(expected));
            QCOMPARE(box->windowTitle(), QString::fromUtf8("Brevio提示"));
            QCOMPARE(box->icon(), QMessageBox::Warning);
            box->accept();
        });
        Click(&dialog, "ok");
        return seen;
    };

    auto* serverPort = Child<QLineEdit>(&dialog, "serverPort");
    serverPort->setText("70000");
    QVERIFY(refusal("请输入一个介于 0 和 65535 之间的整数。"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), serverPort);
    QCOMPARE(serverPort->selectedText(), QString("70000"));

    // The proxy's port counts once a proxy is chosen, and comes first.
    Click(&dialog, "modeSocks4");
    auto* proxyPort = Child<QLineEdit>(&dialog, "proxyPort");
    proxyPort->setText("port");
    QVERIFY(refusal("请输入一个整数。"));
    QCOMPARE(dialog.focusWidget(), proxyPort);
    QVERIFY(Registry() == before);
    QCOMPARE(endpoint.Get().host, std::string("10.0.0.9"));

    proxyPort->setText("1080");
    serverPort->setText("5002");
    Child<QComboBox>(&dialog, "serverHost")->setEditText(" 192.168.1.20 ");
    Click(&dialog, "ok");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(endpoint.Get().host, std::string("192.168.1.20"));
    QCOMPARE(endpoint.Get().port, 5002);
    QCOMPARE(running.serverPort, 5002);
    net::ProxySettings proxy = net::ReadProxySettings();
    QCOMPARE(proxy.mode, 1);
    QCOMPARE(proxy.port, 1080);
    QCOMPARE(settings::ReadString(keys::kServerHost, ""), std::string("192.168.1.20"));
}

void NetDialogsTest::cancelLeavesEverythingAsItWas() {
    net::ServerEndpoint endpoint("10.0.0.9", 7000);
    // What opening writes (the defaults of missing values) is there before the user acts.
    { ui::CNetSettingsDlg opened(endpoint, nullptr); }
    const platform::Registry::Values before = Registry();
    OnNextModal<ui::CNetSettingsDlg>([](ui::CNetSettingsDlg* dialog) {
        Click(dialog, "modeSocks5");
        Child<QLineEdit>(dialog, "proxyHost")->setText("socks.lan");
        Child<QComboBox>(dialog, "serverHost")->setCurrentIndex(1);
        Child<QLineEdit>(dialog, "serverPort")->setText("6000");
        Click(dialog, "cancel");
    });
    QVERIFY(!ui::ShowNetSettings(nullptr, endpoint));
    QVERIFY(Registry() == before);
    QCOMPARE(endpoint.Get().host, std::string("10.0.0.9"));
    QCOMPARE(endpoint.Get().port, 7000);
}

// The private runtime folder Qt asks for exists before the application object does.
int main(int argc, char** argv) {
    QTemporaryDir runtime;
    if (!runtime.isValid()) return 1;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QApplication app(argc, argv);
    NetDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "net_dialogs_test.moc"
