#include "gui/x11/X11Window.h"

#include <cairo-xlib.h>

#include <algorithm>
#include <bit>
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

// Overlapping or sharing an edge.
bool touching(const Rect& a, const Rect& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// A context on the window's image; what it draws is copied to the window when
// it goes and before each look at the buttons.
//
// A context made for a press follows the click to its end as the events tell
// it: the first button queries answer the state the press came with (the
// button may be up by the time the press is handled), and once the button's
// release has come, the cursor is where the release happened and the button
// counts as held until that position has been taken once. So a quick flick,
// pressed, moved and released between two idle calls, still ends where the
// button went up, whatever the pointer did after.
class WindowContext final : public CairoDrawContext {
 public:
  WindowContext(X11Window& window, cairo_surface_t* windowImage, bool fromPress, ButtonState pressState)
      : CairoDrawContext(windowImage), owner(window), forPress(fromPress), pressPending(fromPress), atPress(pressState) {}
  ~WindowContext() override { owner.present(); }

  ButtonState buttonState() override {
    if (pressPending) return atPress;
    owner.present();
    if (!released) {
      // A round trip: a release that happened before it is queued after it.
      const ButtonState now = owner.pointerButtons();
      if (!takeRelease()) return now;
    }
    if (!releaseTaken) {
      releaseTaken = releaseGiven;
      return atRelease;
    }
    return atRelease & ~kLeftButton;
  }
  Point mousePosition() override {
    pressPending = false;
    if (released) {
      releaseGiven = true;
      return releasePoint;
    }
    const Point now = owner.pointerInWindow();
    if (!takeRelease()) return now;
    releaseGiven = true;
    return releasePoint;
  }

 protected:
  void touched(const Rect& area) override { owner.addDamage(area); }

 private:
  bool takeRelease() {
    XButtonEvent release{};
    if (!forPress || !owner.takeRelease(Button1, release)) return false;
    released = true;
    releasePoint = {release.x, release.y};
    atRelease = buttonsOf(release.state) | kLeftButton;
    return true;
  }

  X11Window& owner;
  bool forPress;
  bool pressPending;
  ButtonState atPress;
  // The left button's release: seen, its position handed out, and the button
  // reported held at that position.
  bool released = false;
  bool releaseGiven = false;
  bool releaseTaken = false;
  Point releasePoint;
  ButtonState atRelease = 0;
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
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
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
  canUpload = prepareUpload(parentAttributes);
  return trap.sync();
}

bool X11Window::prepareUpload(const XWindowAttributes& parent) {
  // The window has the parent's visual: 24-bit true colour in 32-bit pixels
  // is the image's own layout (0x00RRGGBB words).
  const Visual* visual = parent.visual;
  if (parent.depth != 24 || !visual || visual->c_class != TrueColor || visual->red_mask != 0xFF0000 ||
      visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
    return false;
  }
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool words = false;
  for (int i = 0; i < count; ++i) words = words || (formats[i].depth == 24 && formats[i].bits_per_pixel == 32);
  if (formats) XFree(formats);
  if (!words) return false;

  upload = XImage{};
  upload.width = cairo_image_surface_get_width(pixels.get());
  upload.height = cairo_image_surface_get_height(pixels.get());
  upload.format = ZPixmap;
  upload.data = reinterpret_cast<char*>(cairo_image_surface_get_data(pixels.get()));
  upload.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  upload.bitmap_unit = 32;
  upload.bitmap_bit_order = upload.byte_order;
  upload.bitmap_pad = 32;
  upload.depth = 24;
  upload.bytes_per_line = cairo_image_surface_get_stride(pixels.get());
  upload.bits_per_pixel = 32;
  upload.red_mask = 0xFF0000;
  upload.green_mask = 0xFF00;
  upload.blue_mask = 0xFF;
  if (!upload.data || !XInitImage(&upload)) return false;
  copyGc = XCreateGC(display, window, 0, nullptr);
  return copyGc != nullptr;
}

X11Window::~X11Window() {
  {
    ErrorTrap trap(display);
    if (target) cairo_surface_finish(target.get());
    target.reset();
    if (copyGc) XFreeGC(display, copyGc);
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

void X11Window::addDamage(const Rect& area) {
  for (int i = 0; i < damageCount; ++i) {
    if (touching(damage[i], area)) {
      damage[i] = unite(damage[i], area);
      return;
    }
  }
  if (damageCount < kDamageSlots) {
    damage[damageCount++] = area;
  } else {
    damage[kDamageSlots - 1] = unite(damage[kDamageSlots - 1], area);
  }
}

void X11Window::present() {
  if (damageCount == 0) return;
  const int count = damageCount;
  damageCount = 0;
  if (!window || !target) return;
  ErrorTrap trap(display);
  cairo_surface_flush(pixels.get());
  if (canUpload) {
    // Only the drawn parts travel to the server. (Through cairo, a clipped
    // copy to an Xlib surface leaks inside cairo.)
    for (int i = 0; i < count; ++i) {
      const Rect& part = damage[i];
      XPutImage(display, window, copyGc, &upload, part.left, part.top, part.left, part.top,
                static_cast<unsigned>(part.width()), static_cast<unsigned>(part.height()));
    }
    XFlush(display);
    return;
  }
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
  // The server lost this part: it goes back whole, whatever the frame drew.
  const Rect& size = owner.viewRect();
  addDamage({std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, size.width()),
             std::min(area.bottom, size.height())});
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

void X11Window::hide() {
  if (!window) return;
  ErrorTrap trap(display);
  XUnmapWindow(display, window);
  trap.sync();
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

bool X11Window::takeRelease(unsigned int button, XButtonEvent& release) {
  if (!window) return false;
  ErrorTrap trap(display);
  XEvent event;
  while (window && XCheckTypedWindowEvent(display, window, ButtonRelease, &event)) {
    if (event.xbutton.button == button) {
      release = event.xbutton;
      return true;
    }
  }
  return false;
}

void X11Window::takeEvents(bool takePresses) {
  if (!window) return;
  ErrorTrap trap(display);
  // Without presses only exposures and destruction are taken; the rest wait.
  // While a press is handled (a host may idle the editor from inside the
  // gesture) its release is left for the gesture to take, and a press that
  // follows it waits for its turn instead of being lost.
  long taken = ExposureMask | StructureNotifyMask;
  if (takePresses && !handlingPress) taken |= ButtonPressMask | ButtonReleaseMask;
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
      case ButtonRelease:
        break;  // of a click that is over
      case ButtonPress:
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
