#include "platform/host.h"

#include <atomic>

namespace brevio::platform {
namespace {

class SilentMainWindow : public MainWindowSink {};

class DefaultMessageBoxes : public MessageBoxSink {
  public:
    int Show(std::string_view, std::string_view, Icon, Buttons buttons) override {
        return buttons == kYesNo || buttons == kYesNoCancel ? kYes : kOk;
    }
};

SilentMainWindow gSilent;
DefaultMessageBoxes gDefaultBoxes;
std::atomic<MainWindowSink*> gMainWindow{&gSilent};
std::atomic<MessageBoxSink*> gBoxes{&gDefaultBoxes};

}  // namespace

MainWindowSink& MainWindow() {
    return *gMainWindow.load();
}
void SetMainWindow(MainWindowSink* sink) {
    gMainWindow.store(sink ? sink : &gSilent);
}
MessageBoxSink& MessageBoxes() {
    return *gBoxes.load();
}
void SetMessageBoxes(MessageBoxSink* sink) {
    gBoxes.store(sink ? sink : &gDefaultBoxes);
}

}  // namespace brevio::platform
