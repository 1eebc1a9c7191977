#include "gui/x11/ErrorTrap.h"

namespace brisko::x11 {

namespace {
// The innermost trap of the calling thread; the editor's X calls all come
// from the host's user-interface thread.
thread_local ErrorTrap* innermost = nullptr;
// The handler that was there before the outermost trap, for other connections.
XErrorHandler hostHandler = nullptr;
}  // namespace

ErrorTrap::ErrorTrap(Display* trapped) : display(trapped), previous(XSetErrorHandler(&ErrorTrap::handle)),
                                          outer(innermost) {
  if (!outer) hostHandler = previous;
  innermost = this;
}

ErrorTrap::~ErrorTrap() {
  if (display) XSync(display, False);
  innermost = outer;
  XSetErrorHandler(previous);
}

bool ErrorTrap::sync() {
  if (display) XSync(display, False);
  return !failed;
}

int ErrorTrap::handle(Display* from, XErrorEvent* error) {
  for (ErrorTrap* trap = innermost; trap; trap = trap->outer) {
    if (trap->display == from) {
      trap->failed = true;
      return 0;
    }
  }
  return hostHandler ? hostHandler(from, error) : 0;
}

}  // namespace brisko::x11
