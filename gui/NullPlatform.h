#pragma once

#include "gui/Platform.h"

namespace brisko {

// A headless platform: a real clock, no windows, bitmaps of 0 by 0 that draw
// nothing. Editors on it open and close but show nothing.
Platform& nullPlatform();

}  // namespace brisko
