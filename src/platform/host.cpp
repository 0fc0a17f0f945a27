#include "platform/host.h"

namespace brevio::platform {

MainWindowSink& SilentMainWindow() {
    static MainWindowSink silent;
    return silent;
}

}  // namespace brevio::platform
