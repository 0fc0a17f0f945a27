#include "ui/net/login_dialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/widgets/text.h"
#include "net/login.h"

namespace brevio::ui {

using app::G;
using app::Q;

CLoginDlg::CLoginDlg(net::LoginForm form, QWidget* parent)
    : QDialog(parent), form_(std::move(form)) {
    setWindowTitle(Q(net::LoginForm::Caption()));
    setModal(true);

    problem_ = new QLabel(Q(form_.Problem()), this);
    problem_->setObjectName("problem");
    problem_->setWordWrap(true);
    problem_->setStyleSheet("color: #c00000;");
    problem_->setVisible(form_.ShowsProblem());

    const net::LoginFormValues& initial = form_.Initial();
    userId_ = new QLineEdit(Q(initial.userId), this);
    userId_->setObjectName("userId");
    password_ = new QLineEdit(Q(initial.password), this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(static_cast<int>(net::LoginForm::kPasswordInputMax));
    autoLogin_ = new QCheckBox(Q(net::LoginForm::AutoLoginText()), this);
    autoLogin_->setObjectName("autoLogin");
    autoLogin_->setChecked(initial.autoLogin);

    auto* fields = new QFormLayout;
    fields->addRow(Q(net::LoginForm::UserIdLabel()), userId_);
    fields->addRow(Q(net::LoginForm::PasswordLabel()), password_);
    fields->addRow(QString(), autoLogin_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QString::fromUtf8("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton(QString::fromUtf8("取消"), QDialogButtonBox::RejectRole)
        ->setObjectName("cancel");
    register_ = new QPushButton(Q(net::LoginForm::RegisterText()), this);
    register_->setObjectName("register");
    register_->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CLoginDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CLoginDlg::reject);
    connect(register_, &QPushButton::clicked, this, &CLoginDlg::OpenRegistration);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(problem_);
    layout->addLayout(fields);
    auto* row = new QHBoxLayout;
    row->addWidget(register_);
    row->addStretch();
    row->addWidget(buttons);
    layout->addLayout(row);
    setMinimumWidth(320);

    // After a refused login the user id is usually right and the password is not.
    if (form_.ShowsProblem() && !initial.userId.empty()) {
        password_->setFocus();
        password_->selectAll();
    } else {
        userId_->setFocus();
    }
}

void CLoginDlg::accept() {
    form_.Ok(G(userId_->text()), G(password_->text()), autoLogin_->isChecked());
    QDialog::accept();
}

void CLoginDlg::OpenRegistration() {
    QDesktopServices::openUrl(QUrl(Q(form_.RegistrationAddress())));
}

std::optional<client::LoginValues> AskLogin(QWidget* parent, const client::LoginValues& current,
                                            std::string_view problem) {
    net::LoginForm form(net::CurrentPortalAddress(),
                        {current.userId, current.password, current.autoLogin},
                        std::string(problem));
    CLoginDlg dialog(std::move(form), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const net::LoginFormValues& typed = dialog.Form().Accepted();
    return client::LoginValues{typed.userId, typed.password, typed.autoLogin};
}

bool EditLoginSettings(QWidget* parent, client::ClientCore& core) {
    settings::AppSettings& settings = core.Settings();
    net::LoginForm form(settings.portalAddress,
                        {settings.userId, settings.password, settings.autoLogin});
    CLoginDlg dialog(std::move(form), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const net::LoginFormValues& typed = dialog.Form().Accepted();
    net::StoreLoginValues(typed.userId, typed.password, typed.autoLogin);
    settings.autoLogin = typed.autoLogin;
    // The running client's user (which other threads read) changes through the core, and the
    // following exchanges carry it.
    core.SetUser(typed.userId, typed.password);
    return true;
}

}  // namespace brevio::ui
