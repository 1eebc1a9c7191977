#include "gui/x11/X11Platform.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "gui/Frame.h"
#include "gui/cairo/CairoBitmap.h"
#include "gui/cairo/HeadlessPlatform.h"
#include "gui/x11/X11Window.h"

namespace brisko {

namespace {

class X11Platform final : public Platform, private MessagePump {
 public:
  Clock& clock() override { return headlessPlatform().clock(); }
  MessagePump& messagePump() override { return *this; }
  void initializeOle() override {}
  void uninitializeOle() override {}
  Bitmap* loadBitmap(int32_t resourceId) override { return CairoBitmap::load(resourceId); }
  std::unique_ptr<HostWindow> createWindow(NativeWindow parent, Frame& frame) override;
  std::unique_ptr<OffscreenContext> createOffscreen(Frame& frame, int32_t width, int32_t height,
                                                    Color background) override {
    return headlessPlatform().createOffscreen(frame, width, height, background);
  }
  Point cursorPosition() override;

  void add(x11::X11Window* window) {
    std::lock_guard lock(mutex);
    windows.push_back(window);
  }
  void remove(x11::X11Window* window) {
    std::lock_guard lock(mutex);
    std::erase(windows, window);
  }

 private:
  // Exposures and destruction of every X window (presses wait for the
  // host's idle call: nothing here runs host code), then one headless paint
  // for frames that fell back to images.
  void dispatchOnePaint() override;

  std::mutex mutex;
  std::vector<x11::X11Window*> windows;
};

X11Platform& platformInstance() {
  static X11Platform platform;
  return platform;
}

// The X window, registered with the platform while it lives.
class TrackedWindow final : public HostWindow {
 public:
  explicit TrackedWindow(std::unique_ptr<x11::X11Window> x) : window(std::move(x)) {
    platformInstance().add(window.get());
  }
  ~TrackedWindow() override { platformInstance().remove(window.get()); }
  Point screenOrigin() override { return window->screenOrigin(); }
  std::unique_ptr<DrawContext> createDrawContext() override { return window->createDrawContext(); }
  void revokeDrop() override { window->revokeDrop(); }
  void hide() override { window->hide(); }
  void handleEvents() override { window->takeEvents(true); }
  Window id() const { return window->handle(); }

 private:
  std::unique_ptr<x11::X11Window> window;
};

std::unique_ptr<HostWindow> X11Platform::createWindow(NativeWindow parent, Frame& frame) {
  if (!parent) return nullptr;
  // The host hands over the X window id in the pointer's place.
  const auto id = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
  std::unique_ptr<x11::X11Window> window = x11::X11Window::create(id, frame);
  if (!window) return headlessPlatform().createWindow(parent, frame);
  return std::unique_ptr<HostWindow>(new (std::nothrow) TrackedWindow(std::move(window)));
}

Point X11Platform::cursorPosition() {
  std::lock_guard lock(mutex);
  return windows.empty() ? Point{} : windows.back()->pointerOnScreen();
}

void X11Platform::dispatchOnePaint() {
  std::vector<x11::X11Window*> current;
  {
    std::lock_guard lock(mutex);
    current = windows;
  }
  for (x11::X11Window* window : current) window->takeEvents(false);
  headlessPlatform().messagePump().dispatchOnePaint();
}

}  // namespace

Platform& x11Platform() { return platformInstance(); }

Platform& defaultPlatform() { return x11Platform(); }

unsigned long x11WindowId(HostWindow* window) {
  auto* tracked = dynamic_cast<TrackedWindow*>(window);
  return tracked ? tracked->id() : 0;
}

}  // namespace brisko
