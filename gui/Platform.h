#pragma once

// The seam between the editor's platform-free logic and the window system.
//
// Views, controls, the frame and the editor call only these interfaces; a
// backend (Win32 GDI, a portable image backend, or the fakes of the tests)
// implements them:
//
//   Clock        millisecond tick count and sleep (the idle pump's spacing)
//   MessagePump  dispatch at most one pending paint of the calling thread
//   HostWindow   the frame's child window inside the host's window: screen
//                origin, a drawing context for one pass, drop registration
//   Platform     the factory: clock, pump, OLE start/stop, bitmaps by
//                resource id, child windows, back buffers, cursor position
//
// DrawContext, OffscreenContext and Bitmap (DrawContext.h, Bitmap.h) are the
// drawing half of the seam. The window calls back into the Frame for paint
// (drawRect), button-down (onMouseDown), drops (onDrop) and its own
// destruction (windowDestroyed).

#include <cstdint>
#include <memory>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Geometry.h"

namespace brisko {

class Frame;

// The host's window handle (HWND on Windows).
using NativeWindow = void*;

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since start-up; wraps after about 49.7 days.
  virtual uint32_t tickCount() = 0;
  virtual void sleep(uint32_t milliseconds) = 0;
};

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Takes at most one pending paint message of the calling thread and
  // dispatches it.
  virtual void dispatchOnePaint() = 0;
};

// The frame's child window. Destroying the object destroys the window (and
// unregisters the window class with the last window of the process).
class HostWindow {
 public:
  HostWindow() = default;
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  virtual ~HostWindow() = default;

  // Screen position of the window's top-left corner.
  virtual Point screenOrigin() = 0;
  // A drawing context on the window for one redraw pass; may be null when
  // the window cannot give one.
  virtual std::unique_ptr<DrawContext> createDrawContext() = 0;
  // Withdraws the window from drag-and-drop; called first when the frame goes.
  virtual void revokeDrop() = 0;
  // Takes the window off the screen (the frame's close waits for a control
  // still at work).
  virtual void hide() {}
  // Takes the window's pending events, for window systems whose events the
  // editor fetches itself at idle time; called first by each frame idle.
  virtual void handleEvents() {}
};

class Platform {
 public:
  virtual ~Platform() = default;

  virtual Clock& clock() = 0;
  virtual MessagePump& messagePump() = 0;
  // Per-thread set-up that drag-and-drop needs; calls are balanced.
  virtual void initializeOle() = 0;
  virtual void uninitializeOle() = 0;
  // A bitmap holding one reference; 0 by 0 when the resource did not load.
  // Null only when memory ran out.
  virtual Bitmap* loadBitmap(int32_t resourceId) = 0;
  // The frame's child window inside `parent`, sized to the frame, registered
  // for drag-and-drop; null when it could not be created.
  virtual std::unique_ptr<HostWindow> createWindow(NativeWindow parent, Frame& frame) = 0;
  // A back buffer of width by height for the frame, cleared to `background`;
  // null when it could not be created.
  virtual std::unique_ptr<OffscreenContext> createOffscreen(Frame& frame, int32_t width, int32_t height,
                                                            Color background) = 0;
  // The cursor in screen coordinates.
  virtual Point cursorPosition() = 0;
};

// The platform the plug-in's editor runs on, chosen by the build.
Platform& defaultPlatform();

}  // namespace brisko
