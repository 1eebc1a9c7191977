#include "gui/Platform.h"
#include "gui/cairo/HeadlessPlatform.h"

namespace brisko {

// No window system yet: editors draw into images.
Platform& defaultPlatform() { return headlessPlatform(); }

}  // namespace brisko
