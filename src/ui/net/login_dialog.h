// CLoginDlg: the login dialog (user id, password, automatic login, registration), a thin view
// over net::LoginForm. Used at start-up, through AskLogin, until a login succeeds or the user
// cancels, and by the login settings command through EditLoginSettings.
#pragma once

#include <QDialog>
#include <optional>
#include <string_view>

#include "client/client_core.h"
#include "net/login_form.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brevio::ui {

class CLoginDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CLoginDlg(net::LoginForm form, QWidget* parent = nullptr);

    // The form; after OK its Accepted() holds what the user typed.
    const net::LoginForm& Form() const { return form_; }

    void accept() override;

  private:
    void OpenRegistration();

    net::LoginForm form_;
    QLabel* problem_ = nullptr;
    QLineEdit* userId_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* autoLogin_ = nullptr;
    QPushButton* register_ = nullptr;
};

// The core's login dialog: shows the dialog modally with `current` filled in and, when
// `problem` (GBK) is not empty, the reason the last login failed. Returns what the user typed,
// or nothing on cancel. Storing the values and asking the portal are the caller's.
std::optional<client::LoginValues> AskLogin(QWidget* parent, const client::LoginValues& current,
                                            std::string_view problem);

// The login settings command: the dialog filled with the user id, password and automatic-login
// flag in use; OK stores them in the registry and in the running client without asking the
// portal. True when the user chose OK.
bool EditLoginSettings(QWidget* parent, client::ClientCore& core);

}  // namespace brevio::ui
