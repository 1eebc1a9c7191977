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

  // Takes the window's pending events: exposures become drawRect, button
  // presses (with `takePresses`, and not while one is being handled already)
  // onMouseDown, drops (with `takePresses` too) onDrop, and the window's
  // destruction windowDestroyed.
  void handleEvents(bool takePresses);

  // Mouse buttons and modifier keys, and the cursor in window and screen
  // coordinates, as the server has them now.
  ButtonState pointerButtons();
  Point pointerInWindow();
  Point pointerOnScreen();

  // Copies the window's image to the window where it was drawn on.
  void present();
  void markDrawn() { drawnSincePresent = true; }

  Window handle() const { return window; }

 private:
  X11Window(Frame& frame, Display* connection) : owner(frame), display(connection) {}
  bool open(Window parent);
  void paint(const Rect& area);
  void pressed(const XButtonEvent& press);
  void destroyed();
  void takeDrops();

  Frame& owner;
  Display* display;
  Window window = 0;
  CairoSurfacePtr pixels;
  CairoSurfacePtr target;
  std::unique_ptr<DropReceiver> drops;
  Rect exposed{};
  bool exposurePending = false;
  bool drawnSincePresent = false;
  bool handlingPress = false;
};

}  // namespace brisko::x11
