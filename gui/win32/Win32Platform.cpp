// The editor's platform on Windows: GDI drawing, the child window with its
// message handling, and OLE drag-and-drop.
#include <ole2.h>
#include <windows.h>

#include <new>

#include "gui/Frame.h"
#include "gui/Platform.h"
#include "gui/win32/ChildWindow.h"
#include "gui/win32/GdiBitmap.h"
#include "gui/win32/GdiContext.h"
#include "gui/win32/WindowClass.h"

namespace brisko {

namespace {

class TickClock final : public Clock {
 public:
  uint32_t tickCount() override { return GetTickCount(); }
  void sleep(uint32_t milliseconds) override { Sleep(milliseconds); }
};

class PaintPump final : public MessagePump {
 public:
  void dispatchOnePaint() override {
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
  }
};

HWND windowOf(Frame& frame) {
  auto* child = dynamic_cast<win32::ChildWindow*>(frame.window());
  return child ? child->handle() : nullptr;
}

class Win32Platform final : public Platform {
 public:
  Clock& clock() override { return ticks; }
  MessagePump& messagePump() override { return pump; }
  void initializeOle() override { OleInitialize(nullptr); }
  void uninitializeOle() override { OleUninitialize(); }

  Bitmap* loadBitmap(int32_t resourceId) override {
    return win32::GdiBitmap::load(win32::pluginModule(), resourceId);
  }

  std::unique_ptr<HostWindow> createWindow(NativeWindow parent, Frame& frame) override {
    return win32::ChildWindow::create(static_cast<HWND>(parent), frame);
  }

  std::unique_ptr<OffscreenContext> createOffscreen(Frame& frame, int32_t width, int32_t height,
                                                    Color background) override {
    std::unique_ptr<win32::OffscreenBuffer> buffer(
        new (std::nothrow) win32::OffscreenBuffer(windowOf(frame), width, height, background));
    if (!buffer || !buffer->valid()) return nullptr;
    return buffer;
  }

  Point cursorPosition() override {
    POINT cursor{};
    GetCursorPos(&cursor);
    return {cursor.x, cursor.y};
  }

 private:
  TickClock ticks;
  PaintPump pump;
};

}  // namespace

Platform& defaultPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace brisko
