// "添加网站": the dialog in which the user proposes a web site for the server's list of
// searched sites, a thin view over net::AddWebsiteForm.
#pragma once

#include <QDialog>

#include "net/add_website_form.h"

class QComboBox;
class QLineEdit;

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

class AddWebsiteDialog : public QDialog {
  public:
    AddWebsiteDialog(net::AddWebsiteForm form, const net::AddWebsiteLists& lists,
                     QWidget* parent = nullptr);

    // "递 交": checks, sends, shows the answer; closes with accept on success.
    void Submit();
    const net::AddWebsiteForm& Form() const { return form_; }

  private:
    QWidget* FieldWidget(net::AddWebsiteField field) const;

    net::AddWebsiteForm form_;
    QLineEdit* name_ = nullptr;
    QLineEdit* url_ = nullptr;
    QComboBox* category_ = nullptr;
    QComboBox* trade_ = nullptr;
    QComboBox* region_ = nullptr;
    QLineEdit* introduction_ = nullptr;
};

// Command 32771: the dialog over the running client's tables, user and server.
void ShowAddWebsite(QWidget* parent, client::ClientCore& core);

}  // namespace brevio::ui
