#include "app/widgets/browser_view.h"

namespace brevio::app {
// The engine's own file defines Create and EngineName.
}  // namespace brevio::app
