// The update dialog of a reference-list refresh ("正在更新..."), a thin view over
// reference::UpdateDialogForm: the status text in its red bold font, the animation played by a
// timer, the stop button, and the end of the worker thread taken on the user-interface thread.
#pragma once

#include <QDialog>
#include <memory>

#include "reference/list_update.h"
#include "reference/list_update_dialog.h"

class QLabel;
class QPushButton;
class QTimer;

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

class CUpdateDlg : public QDialog {
    Q_OBJECT
  public:
    // The animation's frame interval.
    static constexpr int kFrameMilliseconds = 100;

    CUpdateDlg(reference::UpdateRequest& request, reference::ListExchange exchange,
               QWidget* parent = nullptr);
    ~CUpdateDlg() override;

    // Opens the form (the worker starts) and runs the dialog; the form's result.
    reference::DialogResult Run();
    const reference::UpdateDialogForm& Form() const { return *form_; }
    // The message boxes the worker asked for, in the order shown.
    const std::vector<store::FormMessage>& Shown() const { return shown_; }

    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Refresh();
    void ShowMessages();
    void WorkerFinished();

    std::unique_ptr<reference::UpdateDialogForm> form_;
    std::vector<store::FormMessage> shown_;
    QLabel* frame_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* stop_ = nullptr;
    QTimer* animation_ = nullptr;
};

// The refresh runner of the desktop client: every exchange shows CUpdateDlg modally over
// `parent`.
reference::UpdateDialogRunner WindowDialogRunner(QWidget* parent);

// The automatic refresh of the lists whose switch is on (in their order), each exchange with
// the dialog, the lists reloaded and the navigation told; no closing message. The desktop
// client runs it once the main window shows.
void AutoRefreshLists(QWidget* parent, client::ClientCore& core);

// An update button of the options' update page: the refresh of `list` with the dialog, the
// lists reloaded, and the closing message shown. Returns the refresh's closing message.
store::FormMessage RefreshListWithDialog(QWidget* parent, client::ClientCore& core,
                                         reference::RefreshList list);

}  // namespace brevio::ui
