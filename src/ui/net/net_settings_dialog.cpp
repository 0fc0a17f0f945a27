#include "ui/net/net_settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/widgets/text.h"
#include "client/client_core.h"

namespace brevio::ui {

using app::G;
using app::Q;
using app::U;
using Form = net::NetSettingsForm;

namespace {

QMessageBox::Icon IconOf(platform::MessageBoxSink::Icon icon) {
    switch (icon) {
        case platform::MessageBoxSink::kInformation:
            return QMessageBox::Information;
        case platform::MessageBoxSink::kError:
            return QMessageBox::Critical;
        case platform::MessageBoxSink::kQuestion:
            return QMessageBox::Question;
        case platform::MessageBoxSink::kWarning:
            break;
    }
    return QMessageBox::Warning;
}

void ShowMessage(QWidget* parent, const store::FormMessage& message) {
    QMessageBox box(IconOf(message.icon), Q(message.title), Q(message.text), QMessageBox::Ok,
                    parent);
    box.exec();
}

QLineEdit* TextBox(const char* name, std::size_t maxBytes, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    // Characters, not bytes: the form cuts what is over in bytes.
    box->setMaxLength(static_cast<int>(maxBytes));
    return box;
}

QLineEdit* PortBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaxLength(12);
    box->setMaximumWidth(90);
    return box;
}

}  // namespace

CNetSettingsDlg::CNetSettingsDlg(net::ServerEndpoint& endpoint, settings::AppSettings* settings,
                                 QWidget* parent)
    : QDialog(parent), form_(endpoint, settings) {
    setWindowTitle(Q(Form::Caption()));
    setModal(true);

    // The proxy.
    auto* proxy = new QGroupBox(U("代理服务器"), this);
    mode_ = new QButtonGroup(this);
    static const char* const kModeNames[] = {"modeDirect", "modeSocks4", "modeSocks5"};
    auto* proxyLayout = new QGridLayout(proxy);
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = new QRadioButton(Q(Form::ModeText(mode)), proxy);
        radio->setObjectName(kModeNames[mode]);
        mode_->addButton(radio, mode);
        proxyLayout->addWidget(radio, mode, 0, 1, 4);
    }
    proxyHost_ = TextBox("proxyHost", Form::kHostInputMax, proxy);
    proxyPort_ = PortBox("proxyPort", proxy);
    proxyAuth_ = new QCheckBox(Q(Form::AuthText()), proxy);
    proxyAuth_->setObjectName("proxyAuth");
    proxyUser_ = TextBox("proxyUser", Form::kCredentialInputMax, proxy);
    proxyPassword_ = TextBox("proxyPassword", Form::kCredentialInputMax, proxy);
    proxyPassword_->setEchoMode(QLineEdit::Password);
    proxyLayout->addWidget(new QLabel(U("代理地址:"), proxy), 3, 0);
    proxyLayout->addWidget(proxyHost_, 3, 1);
    proxyLayout->addWidget(new QLabel(U("端口:"), proxy), 3, 2);
    proxyLayout->addWidget(proxyPort_, 3, 3);
    proxyLayout->addWidget(proxyAuth_, 4, 0, 1, 4);
    proxyLayout->addWidget(new QLabel(U("用户名:"), proxy), 5, 0);
    proxyLayout->addWidget(proxyUser_, 5, 1, 1, 3);
    proxyLayout->addWidget(new QLabel(U("密码:"), proxy), 6, 0);
    proxyLayout->addWidget(proxyPassword_, 6, 1, 1, 3);
    proxyLayout->setColumnStretch(1, 1);

    // The news server.
    auto* server = new QGroupBox(U("新闻服务器"), this);
    serverHost_ = new QComboBox(server);
    serverHost_->setObjectName("serverHost");
    serverHost_->setEditable(true);
    serverHost_->setInsertPolicy(QComboBox::NoInsert);
    serverHost_->lineEdit()->setMaxLength(static_cast<int>(Form::kHostInputMax));
    for (const std::string& host : Form::BuiltInServers()) serverHost_->addItem(Q(host));
    serverPort_ = PortBox("serverPort", server);
    auto* serverLayout = new QGridLayout(server);
    serverLayout->addWidget(new QLabel(U("服务器地址:"), server), 0, 0);
    serverLayout->addWidget(serverHost_, 0, 1);
    serverLayout->addWidget(new QLabel(U("端口:"), server), 0, 2);
    serverLayout->addWidget(serverPort_, 0, 3);
    serverLayout->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(U("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton(U("取消"), QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &CNetSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNetSettingsDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(proxy);
    layout->addWidget(server);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    Fill(form_.InitialInput());
    ApplyEnabling();
    connect(mode_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) ApplyEnabling();
    });
    connect(proxyAuth_, &QCheckBox::toggled, this, &CNetSettingsDlg::ApplyEnabling);
}

void CNetSettingsDlg::Fill(const Form::Input& input) {
    if (QAbstractButton* radio = mode_->button(input.proxyMode)) radio->setChecked(true);
    proxyHost_->setText(Q(input.proxyHost));
    proxyPort_->setText(Q(input.proxyPortText));
    proxyUser_->setText(Q(input.proxyUser));
    proxyPassword_->setText(Q(input.proxyPassword));
    proxyAuth_->setChecked(input.proxyAuth);
    const QString host = Q(input.serverHost);
    const int builtIn = serverHost_->findText(host);
    serverHost_->setCurrentIndex(builtIn >= 0 ? builtIn : 0);
    serverHost_->setEditText(host);
    serverPort_->setText(Q(input.serverPortText));
}

Form::Input CNetSettingsDlg::Input() const {
    Form::Input in;
    in.proxyMode = mode_->checkedId() < 0 ? 0 : mode_->checkedId();
    in.proxyHost = G(proxyHost_->text());
    in.proxyPortText = G(proxyPort_->text());
    in.proxyUser = G(proxyUser_->text());
    in.proxyPassword = G(proxyPassword_->text());
    in.proxyAuth = proxyAuth_->isChecked();
    in.serverHost = G(serverHost_->currentText());
    in.serverPortText = G(serverPort_->text());
    return in;
}

void CNetSettingsDlg::ApplyEnabling() {
    const net::NetSettingsEnabling on =
        net::EnablingFor(mode_->checkedId(), proxyAuth_->isChecked());
    proxyHost_->setEnabled(on.proxyHost);
    proxyPort_->setEnabled(on.proxyPort);
    proxyAuth_->setEnabled(on.authBox);
    proxyUser_->setEnabled(on.user);
    proxyPassword_->setEnabled(on.password);
}

QWidget* CNetSettingsDlg::Box(Form::Control control) const {
    switch (control) {
        case Form::kProxyHostEdit:
            return proxyHost_;
        case Form::kProxyPortEdit:
            return proxyPort_;
        case Form::kProxyUserEdit:
            return proxyUser_;
        case Form::kProxyPasswordEdit:
            return proxyPassword_;
        case Form::kAuthBox:
            return proxyAuth_;
        case Form::kServerHostCombo:
            return serverHost_;
        case Form::kServerPortEdit:
            return serverPort_;
        case Form::kDirectRadio:
        case Form::kSocks4Radio:
        case Form::kSocks5Radio:
            return mode_->checkedButton();
    }
    return nullptr;
}

void CNetSettingsDlg::accept() {
    std::optional<Form::Refusal> refused = form_.Ok(Input());
    if (!refused) {
        QDialog::accept();
        return;
    }
    ShowMessage(this, refused->message);
    if (QWidget* box = Box(refused->focus)) {
        box->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->selectAll();
    }
}

bool ShowNetSettings(QWidget* parent, net::ServerEndpoint& endpoint,
                     settings::AppSettings* settings) {
    CNetSettingsDlg dialog(endpoint, settings, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool ShowNetSettings(QWidget* parent, client::ClientCore& core) {
    return ShowNetSettings(parent, core.Server(), &core.Settings());
}

}  // namespace brevio::ui
