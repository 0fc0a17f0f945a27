// The bulletin window: the server's last bulletin, shown when one arrives and at start-up when
// its file says so. Modeless, owned by the main window; a thin view over
// net::BulletinWindowForm. Its check box "下次启动弹出该对话框" rewrites the file's flag at once.
#pragma once

#include <QDialog>
#include <string>

#include "net/bulletin_form.h"

class QCheckBox;
class QLabel;
class QTextBrowser;

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

class CBulletinWindow : public QDialog {
    Q_OBJECT
  public:
    // `bulletinPath` is the GBK path of "Bullient.tab"; `lists` names the bulletin's category.
    CBulletinWindow(std::string bulletinPath, const net::SubscriptionLists& lists,
                    QWidget* parent = nullptr);

    // The show message: a bulletin just received (its texts as the core's observer passes
    // them). Sets the texts, then shows and raises the window.
    void ShowBulletin(const QString& title, const QString& time, const QString& category,
                      const QString& content);
    // At start-up: shows the stored bulletin when its flag is set; true when it was shown.
    bool ShowAtStart();

    const net::BulletinWindowForm& Form() const { return form_; }
    QCheckBox* ShowAtStartBox() const { return showAtStart_; }

  private:
    void Fill();
    void OnShowAtStartToggled(bool on);

    net::BulletinWindowForm form_;
    const net::SubscriptionLists& lists_;
    QLabel* time_ = nullptr;
    QLabel* category_ = nullptr;
    QTextBrowser* content_ = nullptr;
    QCheckBox* showAtStart_ = nullptr;
    bool filling_ = false;
};

// The main window's bulletin window over the running client; the stored bulletin is shown once
// the event loop runs when its flag says so. Connect the core observer's bulletin signal to
// CBulletinWindow::ShowBulletin.
CBulletinWindow* CreateBulletinWindow(QWidget* mainWindow, client::ClientCore& core);

}  // namespace brevio::ui
