// CNetSettingsDlg: the network settings dialog (proxy kind, proxy host, port, user, password and
// authentication, news server host and port), a thin view over net::NetSettingsForm. OK stores
// the values and points the running client at the server at once; Cancel changes nothing.
#pragma once

#include <QDialog>

#include "net/net_settings_form.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

class CNetSettingsDlg : public QDialog {
    Q_OBJECT
  public:
    // `endpoint` is the running client's server; `settings`, when given, its in-memory copy of
    // the server values.
    CNetSettingsDlg(net::ServerEndpoint& endpoint, settings::AppSettings* settings,
                    QWidget* parent = nullptr);

    const net::NetSettingsForm& Form() const { return form_; }

    // Refused input shows the form's message and keeps the dialog open with the focus on the
    // box at fault.
    void accept() override;

  private:
    void Fill(const net::NetSettingsForm::Input& input);
    net::NetSettingsForm::Input Input() const;
    void ApplyEnabling();
    QWidget* Box(net::NetSettingsForm::Control control) const;

    net::NetSettingsForm form_;
    QButtonGroup* mode_ = nullptr;
    QLineEdit* proxyHost_ = nullptr;
    QLineEdit* proxyPort_ = nullptr;
    QLineEdit* proxyUser_ = nullptr;
    QLineEdit* proxyPassword_ = nullptr;
    QCheckBox* proxyAuth_ = nullptr;
    QComboBox* serverHost_ = nullptr;
    QLineEdit* serverPort_ = nullptr;
};

// The network settings command: shows the dialog modally; true when OK stored the values.
bool ShowNetSettings(QWidget* parent, net::ServerEndpoint& endpoint,
                     settings::AppSettings* settings = nullptr);
bool ShowNetSettings(QWidget* parent, client::ClientCore& core);

}  // namespace brevio::ui
