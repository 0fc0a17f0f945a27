// "选项": the options dialog with its pages 阅读, 路径, 更新, 历史新闻 and 搜索优化, thin
// views over the form objects of client/options_forms.h. OK and 应用 apply every page in turn;
// a page that refuses shows its messages, comes to the front with the focus on the offending
// box, and the dialog stays open.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "client/options_forms.h"
#include "reference/list_update.h"

class QTabWidget;

namespace brevio::client {
class ClientCore;
}
namespace brevio::net {
class SubscriptionLists;
}

namespace brevio::ui {

struct OptionsDialogContext {
    std::string contentFolder;  // in use when the dialog opens
    std::string pemloIni;
    net::SubscriptionLists* lists = nullptr;
    client::OptionsTargets targets;
    // The "立即更新..." buttons: runs the update and returns its closing message; unset hides
    // the buttons.
    std::function<store::FormMessage(reference::RefreshList)> updateNow;
    // "立即整理": the clean-up by hand; unset hides the button.
    std::function<void()> cleanupNow;
};

class OptionsDialog : public QDialog {
  public:
    explicit OptionsDialog(OptionsDialogContext context, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // Applies every page; false when one refused (its messages shown, focus set).
    bool Apply();
    void accept() override;

    QTabWidget* Pages() const { return tabs_; }

  private:
    struct Views;
    OptionsDialogContext context_;
    std::unique_ptr<Views> views_;
    QTabWidget* tabs_ = nullptr;
};

// Command "选项...": the dialog over the running client. `readingChanged` is the news list's
// take-over of automatic marking and the read colour (the main window's); the tuning and the
// content folder go to the running client here.
void ShowOptions(QWidget* parent, client::ClientCore& core,
                 std::function<void(bool, int, int)> readingChanged);

}  // namespace brevio::ui
