// What the core asks of the front end that hosts it: the main window's messages and the
// message boxes. The desktop client implements these with Qt, the command-line front end by
// printing, and tests by recording. Every text is GBK.
#pragma once

#include <string>
#include <string_view>

namespace brevio::platform {

// Messages to the main window. Calls may come from any thread.
class MainWindowSink {
  public:
    virtual ~MainWindowSink() = default;
    // Show `text` in status-bar pane 0, 1 or 2.
    virtual void StatusText(int pane, std::string_view text) { (void)pane, (void)text; }
    // A reception ended with a result of 0 or more; the main window schedules further jobs.
    virtual void ReceptionFinished(int result) { (void)result; }
    // A radar target changed (the radar thread's change notification): the target's name and
    // URL and its change count in the radar thread's copy of the list. Called on the radar
    // thread, which waits until it returns.
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

// The sinks in use; a silent main window and an "answer OK/Yes" box until a front end sets
// its own. The objects must outlive their use.
MainWindowSink& MainWindow();
void SetMainWindow(MainWindowSink* sink);
MessageBoxSink& MessageBoxes();
void SetMessageBoxes(MessageBoxSink* sink);

}  // namespace brevio::platform
