#include "gui/x11/X11Window.h"

#include <cairo-xlib.h>

#include <algorithm>
#include <new>

#include "gui/Frame.h"
#include "gui/cairo/CairoDrawContext.h"
#include "gui/x11/ErrorTrap.h"

namespace brisko::x11 {

namespace {

ButtonState buttonsOf(unsigned int mask) {
  // The server applies the pointer mapping (swapped buttons) already: its
  // button 1 is the primary button.
  ButtonState state = 0;
  if (mask & Button1Mask) state |= kLeftButton;
  if (mask & Button2Mask) state |= kMiddleButton;
  if (mask & Button3Mask) state |= kRightButton;
  if (mask & ShiftMask) state |= kShiftKey;
  if (mask & ControlMask) state |= kControlKey;
  if (mask & Mod1Mask) state |= kAltKey;
  return state;
}

Rect unite(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// A context on the window's image. The first button queries of a click answer
// the state the press came with (the button may be up by the time the press is
// handled); after the first look at the cursor the server answers.
class WindowContext final : public CairoDrawContext {
 public:
  WindowContext(X11Window& window, cairo_surface_t* windowImage, bool fromPress, ButtonState pressState)
      : CairoDrawContext(windowImage), owner(window), pressPending(fromPress), atPress(pressState) {}
  ~WindowContext() override {
    owner.markDrawn();
    owner.present();
  }

  ButtonState buttonState() override {
    if (pressPending) return atPress;
    owner.markDrawn();
    owner.present();
    return owner.pointerButtons();
  }
  Point mousePosition() override {
    pressPending = false;
    return owner.pointerInWindow();
  }

 private:
  X11Window& owner;
  bool pressPending;
  ButtonState atPress;
};

}  // namespace

std::unique_ptr<X11Window> X11Window::create(Window parent, Frame& frame) {
  if (!parent) return nullptr;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  std::unique_ptr<X11Window> window(new (std::nothrow) X11Window(frame, display));
  if (!window) {
    XCloseDisplay(display);
    return nullptr;
  }
  if (!window->open(parent)) return nullptr;
  return window;
}

bool X11Window::open(Window parent) {
  const Rect& size = owner.viewRect();
  if (size.width() < 1 || size.height() < 1) return false;
  ErrorTrap trap(display);
  XWindowAttributes parentAttributes{};
  if (!XGetWindowAttributes(display, parent, &parentAttributes) || !trap.sync()) return false;

  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;  // the frame paints every pixel
  attributes.event_mask = ExposureMask | ButtonPressMask | StructureNotifyMask;
  window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(size.width()),
                         static_cast<unsigned>(size.height()), 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWBackPixmap | CWEventMask, &attributes);
  if (!trap.sync()) {
    window = 0;
    return false;
  }
  XMapWindow(display, window);
  drops.reset(new (std::nothrow) DropReceiver(display, window, owner));
  if (drops) drops->announce();
  pixels = makeRgbImage(size.width(), size.height());
  target.reset(cairo_xlib_surface_create(display, window, parentAttributes.visual, size.width(), size.height()));
  if (!pixels || cairo_surface_status(target.get()) != CAIRO_STATUS_SUCCESS) return false;
  return trap.sync();
}

X11Window::~X11Window() {
  {
    ErrorTrap trap(display);
    if (target) cairo_surface_finish(target.get());
    target.reset();
    if (window) XDestroyWindow(display, window);
  }
  XCloseDisplay(display);
}

Point X11Window::screenOrigin() {
  if (!window) return {};
  ErrorTrap trap(display);
  int x = 0;
  int y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  if (!trap.sync()) return {};
  return {x, y};
}

std::unique_ptr<DrawContext> X11Window::createDrawContext() {
  if (!pixels) return nullptr;
  return std::unique_ptr<DrawContext>(new (std::nothrow) WindowContext(*this, pixels.get(), false, 0));
}

void X11Window::present() {
  if (!drawnSincePresent || !window || !target) return;
  drawnSincePresent = false;
  ErrorTrap trap(display);
  cairo_surface_flush(pixels.get());
  cairo_t* cr = cairo_create(target.get());
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, pixels.get(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target.get());
  XFlush(display);
}

void X11Window::paint(const Rect& area) {
  {
    CairoDrawContext context(pixels.get());
    owner.drawRect(&context, area);
  }
  markDrawn();
  present();
}

void X11Window::pressed(const XButtonEvent& press) {
  // Buttons 4 and up are wheel steps.
  if (press.button < Button1 || press.button > Button3 || handlingPress) return;
  ButtonState state = buttonsOf(press.state);
  if (press.button == Button1) state |= kLeftButton;
  if (press.button == Button2) state |= kMiddleButton;
  if (press.button == Button3) state |= kRightButton;
  handlingPress = true;
  {
    WindowContext context(*this, pixels.get(), true, state);
    owner.onMouseDown(&context, {press.x, press.y});
  }
  handlingPress = false;
}

void X11Window::revokeDrop() {
  if (!drops) return;
  ErrorTrap trap(display);
  if (window) drops->revoke();
  drops.reset();
}

void X11Window::takeDrops() {
  XEvent event;
  while (drops && window && XCheckTypedWindowEvent(display, window, ClientMessage, &event)) {
    drops->clientMessage(event.xclient);
  }
  while (drops && window && XCheckTypedWindowEvent(display, window, SelectionNotify, &event)) {
    drops->selectionArrived(event.xselection);
  }
}

void X11Window::destroyed() {
  // The host destroyed its window first: ours went with it.
  window = 0;
  drops.reset();
  target.reset();
  owner.windowDestroyed();
}

void X11Window::handleEvents(bool takePresses) {
  if (!window) return;
  ErrorTrap trap(display);
  // Without presses only exposures and destruction are taken; the rest wait.
  const long taken = ExposureMask | StructureNotifyMask | (takePresses ? ButtonPressMask : 0);
  XEvent event;
  while (window && XCheckWindowEvent(display, window, taken, &event)) {
    switch (event.type) {
      case Expose: {
        const XExposeEvent& e = event.xexpose;
        const Rect area{e.x, e.y, e.x + e.width, e.y + e.height};
        exposed = exposurePending ? unite(exposed, area) : area;
        exposurePending = true;
        if (e.count == 0 && pixels) {
          exposurePending = false;
          paint(exposed);
        }
        break;
      }
      case ButtonPress:
        if (handlingPress) break;
        pressed(event.xbutton);
        // The press may have run the host's idle, which may have closed the
        // editor: the frame must not be touched again in this pass.
        return;
      case DestroyNotify:
        destroyed();
        return;
      default:
        break;
    }
  }
  if (takePresses && !handlingPress) takeDrops();
}

ButtonState X11Window::pointerButtons() {
  if (!window) return 0;
  ErrorTrap trap(display);
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &mask)) return 0;
  return trap.sync() ? buttonsOf(mask) : 0;
}

Point X11Window::pointerInWindow() {
  if (!window) return {};
  ErrorTrap trap(display);
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int mask = 0;
  XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &mask);
  if (!trap.sync()) return {};
  return {x, y};
}

Point X11Window::pointerOnScreen() {
  ErrorTrap trap(display);
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
  if (!trap.sync()) return {};
  return {rootX, rootY};
}

}  // namespace brisko::x11
