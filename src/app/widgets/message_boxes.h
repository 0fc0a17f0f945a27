// Message boxes of the desktop client: what the core's form objects and the main window's
// checks ask for (platform::MessageBoxSink), shown as QMessageBox on the user-interface thread.
#pragma once

#include <QWidget>

#include "platform/host.h"

namespace brevio::app {

class QtMessageBoxes : public platform::MessageBoxSink {
  public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    int Show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) override;

  private:
    QWidget* parent_;
};

// Shows one message (GBK text and title) with an OK button.
void ShowMessage(QWidget* parent, std::string_view text, std::string_view title,
                 platform::MessageBoxSink::Icon icon);

}  // namespace brevio::app
