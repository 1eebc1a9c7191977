#pragma once

#include "gui/Platform.h"

namespace brisko {

// The editor's platform on X11: each frame's child window has its own
// connection to the display, the drawing is the cairo image backend's, and
// pointer and buttons come from the server when asked. A frame whose window
// cannot be made there (no display, a parent that is no window) falls back to
// an image window of the headless platform: the editor opens and runs, and
// nothing is shown.
Platform& x11Platform();

// The X window id of a frame's window made by that platform; 0 for one that
// fell back to an image (or came from another platform).
unsigned long x11WindowId(HostWindow* window);

}  // namespace brisko
