#include "gui/NullPlatform.h"

#include <chrono>
#include <new>
#include <thread>

namespace brisko {

namespace {

class SteadyClock final : public Clock {
 public:
  uint32_t tickCount() override {
    const auto elapsed = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  }
  void sleep(uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

class NoMessages final : public MessagePump {
 public:
  void dispatchOnePaint() override {}
};

class EmptyBitmap final : public Bitmap {
 public:
  explicit EmptyBitmap(int32_t resourceId) : Bitmap(resourceId, 0, 0) {}
  void drawOpaque(DrawContext&, const Rect&, Point) override {}
  void drawTransparent(DrawContext&, const Rect&, Point) override {}
};

class HeadlessPlatform final : public Platform {
 public:
  Clock& clock() override { return steadyClock; }
  MessagePump& messagePump() override { return pump; }
  void initializeOle() override {}
  void uninitializeOle() override {}
  Bitmap* loadBitmap(int32_t resourceId) override { return new (std::nothrow) EmptyBitmap(resourceId); }
  std::unique_ptr<HostWindow> createWindow(NativeWindow, Frame&) override { return nullptr; }
  std::unique_ptr<OffscreenContext> createOffscreen(Frame&, int32_t, int32_t, Color) override { return nullptr; }
  Point cursorPosition() override { return {}; }

 private:
  SteadyClock steadyClock;
  NoMessages pump;
};

}  // namespace

Platform& nullPlatform() {
  static HeadlessPlatform platform;
  return platform;
}

}  // namespace brisko
