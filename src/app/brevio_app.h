// The desktop client's application: start-up in its order over the client core (skin, core
// start with the login dialog and the splash, main window), the event loop, and the exit.
#pragma once

#include <QString>
#include <memory>

#include "client/client_core.h"

namespace brevio::app {

class MainFrame;
class QtObserver;
class SkinEngine;
class SplashWindow;

struct AppOptions {
    client::LoginDialog loginDialog;  // the login dialog (ui/net)
    bool startRadar = true;
    bool showWindow = true;           // tests drive a window that is not shown
    bool autoRefreshLists = true;     // the lists' automatic refresh once the window shows
};

class BrevioApp {
  public:
    BrevioApp();
    ~BrevioApp();

    // Start-up up to the maximised main window. False when start-up ended (the message was
    // shown, or the login was cancelled).
    bool Start(const AppOptions& options);
    // The failed step's result when Start returned false.
    const client::StartResult& Result() const { return result_; }

    MainFrame* Frame() const { return frame_.get(); }
    client::ClientCore* Core() const { return core_.get(); }
    QtObserver* Observer() const { return observer_.get(); }
    SplashWindow* Splash() const { return splash_.get(); }

  private:
    std::unique_ptr<SkinEngine> skin_;
    std::unique_ptr<QtObserver> observer_;
    std::unique_ptr<SplashWindow> splash_;
    std::unique_ptr<client::ClientCore> core_;
    std::unique_ptr<MainFrame> frame_;
    client::StartResult result_;
};

// main(): the whole desktop client.
int RunDesktopClient(int argc, char** argv, client::LoginDialog loginDialog);

}  // namespace brevio::app
