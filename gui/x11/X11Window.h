#pragma once

// The frame's child window inside the host's X11 window, on a connection of
// its own.

#include <X11/Xlib.h>
#include <cairo.h>

#include <memory>

#include "gui/Platform.h"
#include "gui/cairo/CairoSurface.h"
#include "gui/x11/DropReceiver.h"

namespace brisko::x11 {

class X11Window final : public HostWindow {
 public:
  // Null when there is no display, `parent` is not a window there, or the
  // window could not be made.
  static std::unique_ptr<X11Window> create(Window parent, Frame& frame);
  ~X11Window() override;

  Point screenOrigin() override;
  // Draws into the window's image; what was drawn reaches the window when the
  // context goes, and before each look at the pointer.
  std::unique_ptr<DrawContext> createDrawContext() override;
  void revokeDrop() override;
  // Unmaps the window, and waits until the server has done it.
  void hide() override;

  // Takes the window's pending events: exposures become drawRect, button
  // presses (with `takePresses`, and not while one is being handled already)
  // onMouseDown, drops (with `takePresses` too) onDrop, and the window's
  // destruction windowDestroyed. Releases left from clicks that are over are
  // dropped; the one that ends a click being handled waits for takeRelease.
  void takeEvents(bool takePresses);
  // The queued release of `button`, if it has come; other releases queued
  // before it are dropped.
  bool takeRelease(unsigned int button, XButtonEvent& release);

  // Mouse buttons and modifier keys, and the cursor in window and screen
  // coordinates, as the server has them now.
  ButtonState pointerButtons();
  Point pointerInWindow();
  Point pointerOnScreen();

  // Copies the parts of the window's image drawn since the last time to the
  // window.
  void present();
  // `area` of the window's image was drawn on.
  void addDamage(const Rect& area);

  Window handle() const { return window; }

 private:
  X11Window(Frame& frame, Display* connection) : owner(frame), display(connection) {}
  bool open(Window parent);
  // Sets up `upload` when the window's pixels have the image's layout.
  bool prepareUpload(const XWindowAttributes& parent);
  void paint(const Rect& area);
  void pressed(const XButtonEvent& press);
  void destroyed();
  void takeDrops();

  Frame& owner;
  Display* display;
  Window window = 0;
  CairoSurfacePtr pixels;
  CairoSurfacePtr target;
  // The image as the server takes it, for copying parts straight to the
  // window; without it (other visuals) cairo converts the whole image.
  XImage upload{};
  bool canUpload = false;
  GC copyGc = nullptr;
  std::unique_ptr<DropReceiver> drops;
  Rect exposed{};
  bool exposurePending = false;
  // Drawn since the last present: a few rectangles, merged when they touch
  // (a slider and the display under it), all into the last one when full.
  static constexpr int kDamageSlots = 4;
  Rect damage[kDamageSlots]{};
  int damageCount = 0;
  bool handlingPress = false;
};

}  // namespace brisko::x11
