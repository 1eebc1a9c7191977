#pragma once

#include <X11/Xlib.h>

namespace brisko::x11 {

// Catches the X errors of one connection for the lifetime of the object:
// Xlib's default handler would end the host's process. The handler is
// process-wide, so it is installed only around the editor's own calls and the
// previous one is put back; errors of other connections still reach it.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the server to answer everything sent so far; true when no
  // error came back since the trap was set.
  bool sync();

 private:
  Display* display;
  XErrorHandler previous;
  ErrorTrap* outer;
  bool failed = false;

  static int handle(Display* display, XErrorEvent* error);
};

}  // namespace brisko::x11
