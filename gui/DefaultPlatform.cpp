#include "gui/NullPlatform.h"
#include "gui/Platform.h"

namespace brisko {

// Headless until a window backend for this target is built in; a backend
// replaces this file in the build with its own definition.
Platform& defaultPlatform() { return nullPlatform(); }

}  // namespace brisko
