// Support of the GUI tests: a private runtime folder, a program folder pointed at a demo
// server, and answering the modal message boxes a command raises.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/brevio_app.h"
#include "integration/demo_process.h"
#include "support/temp_home.h"

namespace brevio::test {

// XDG_RUNTIME_DIR as a private 0700 folder (Qt warns and misbehaves without one).
void UsePrivateRuntimeFolder();

// A program folder (BREVIO_HOME) pointed at a running demo server, with the demo data's
// reference tables and the demo user's stored login.
class DemoHome {
  public:
    // `demoArgs` are extra arguments of the demo server.
    explicit DemoHome(std::vector<std::string> demoArgs = {});
    bool Ok() const { return ok_; }
    const std::string& Home() const { return home_.Path(); }
    std::string Content() const { return home_.Path() + "CONTENT/"; }
    DemoServer& Server() { return server_; }

  private:
    TempHome home_;
    DemoServer server_;
    bool ok_ = false;
};

// Options of a desktop client started over a DemoHome: the stored login must do (a login
// dialog fails the test), and no radar thread.
app::AppOptions DemoAppOptions();

// Runs `action` while a watcher answers every modal message box that appears with `button`
// (QMessageBox::StandardButton) and collects their texts (joined with "\n---\n").
QString AnswerMessageBoxes(const std::function<void()>& action, int button);

}  // namespace brevio::test
