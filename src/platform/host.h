// What the core tells the front end that hosts it (the main window's messages) and the
// message boxes a form object asks its dialog to show. The desktop client implements these
// with Qt, the command-line front end by printing, and tests by recording. Every text is GBK.
//
// There is no process-wide sink: whoever creates a part of the core hands it the sink it
// reports to.
#pragma once

#include <string>
#include <string_view>

namespace brevio::platform {

// Messages to the main window. Calls may come from any thread, and the caller never waits
// for the front end to act on them: an implementation queues what it must show and returns.
class MessageBoxSink;
class MainWindowSink {
  public:
    virtual ~MainWindowSink() = default;
    // Show `text` in status-bar pane 0, 1 or 2.
    virtual void StatusText(int pane, std::string_view text) { (void)pane, (void)text; }
    // A reception ended with this result (negative: failed). Reception schedules itself; this
    // is for the front end's own state (the stop command, a summary).
    virtual void ReceptionFinished(int result) { (void)result; }
    // A message for the user (icon as MessageBoxSink::Icon), shown when the front end can.
    virtual void Message(std::string_view text, std::string_view title, int icon) {
        (void)text, (void)title, (void)icon;
    }
    // A radar target changed (the radar thread's change notification): the target's name and
    // URL and its change count in the radar thread's copy of the list. Called on the radar
    // thread.
    virtual void RadarChanged(std::string_view targetName, std::string_view url, int changeCount) {
        (void)targetName, (void)url, (void)changeCount;
    }
    // The radar thread's progress text.
    virtual void RadarProgress(std::string_view text) { (void)text; }
    // Rebuild a part of the navigation: 8 favourites, 9 subscriptions, 10 public categories,
    // 11 regions, 12 trades, 13 changed conversion settings.
    virtual void RefreshNavigation(int code) { (void)code; }
    // Show the bulletin just received.
    virtual void ShowBulletin(std::string_view title, std::string_view time,
                              std::string_view category, std::string_view content) {
        (void)title, (void)time, (void)category, (void)content;
    }
};

// Message boxes raised by core code. Returns the button chosen (kOk, kYes, kNo, kCancel).
class MessageBoxSink {
  public:
    enum Icon { kInformation, kWarning, kError, kQuestion };
    enum Buttons { kOkOnly, kOkCancel, kYesNo, kYesNoCancel };
    enum Result { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };
    virtual ~MessageBoxSink() = default;
    virtual int Show(std::string_view text, std::string_view title, Icon icon, Buttons buttons) = 0;
};

// A main window that shows nothing (for parts of the core used without a front end).
MainWindowSink& SilentMainWindow();

}  // namespace brevio::platform
