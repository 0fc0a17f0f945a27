// What a running client reports to its front end. The calls come from any thread: the thread
// that runs the start and stop operations, the reception threads, the store writer, the radar
// thread. None waits for the front end to act: an implementation queues what it must show
// (the desktop client posts to its user-interface thread) and returns at once. A question to
// the user is never asked from here; the front end asks it in its own command, from state the
// core exposes. Every text is GBK.
#pragma once

#include <string_view>

#include "platform/host.h"
#include "radar/radar_changes.h"

namespace brevio::client {

class ClientObserver : public platform::MainWindowSink {
  public:
    // A status text of the splash window during start-up.
    virtual void SplashText(std::string_view text) { (void)text; }
    // A radar target's change was counted and its change log written: what the front end
    // announces (the pop-up notice, the blinking icon, the side bar's count).
    virtual void RadarNotice(const radar::ChangeNotice& notice) { (void)notice; }
};

}  // namespace brevio::client
