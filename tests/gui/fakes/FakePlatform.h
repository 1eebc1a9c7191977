#pragma once

// A scriptable platform for native tests of the editor logic: contexts and
// bitmaps record what is drawn as text lines, the clock and the mouse are
// driven by the test.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/Platform.h"

namespace brisko::fakes {

std::string describe(const Rect& r);
std::string describe(Point p);
std::string describe(Color c);

// The mouse as a timeline of states. buttonState() reads the current state;
// mousePosition() moves to the next state (the button released at the last
// position once the timeline ends) and answers its position.
struct MouseStep {
  ButtonState buttons;
  Point where;
};

class FakeMouse {
 public:
  void script(std::vector<MouseStep> steps);
  ButtonState buttons() const;
  Point advance();
  int polls = 0;

 private:
  std::vector<MouseStep> timeline;
  size_t index = 0;
  Point last;
};

// Runs after each line a context records, e.g. to store a value from
// "another thread" in the middle of a draw.
using DrawHook = std::function<void(const std::string& line)>;

class FakeDrawContext : public OffscreenContext {
 public:
  // Lines are appended to `log`; the mouse may be null (no buttons).
  FakeDrawContext(std::vector<std::string>& log, FakeMouse* mouse, const DrawHook* hook = nullptr)
      : lines(log), pointer(mouse), onLine(hook) {}

  void setLineStyle(int32_t style) override;
  void setFrameColor(Color color) override;
  void setFillColor(Color color) override;
  void setFontColor(Color color) override;
  void setFont(int32_t fontId, int32_t size, int32_t face) override;
  void moveTo(Point p) override;
  void lineTo(Point p) override;
  void frameRect(const Rect& rect) override;
  void fillRect(const Rect& rect) override;
  void drawString(const char* text, const Rect& rect, bool opaque, int32_t alignment) override;
  ButtonState buttonState() override;
  Point mousePosition() override;
  void copyTo(DrawContext& target, const Rect& rect, Point source) override;

  void record(const std::string& line) {
    lines.push_back(line);
    if (onLine && *onLine) (*onLine)(line);
  }

 private:
  std::vector<std::string>& lines;
  FakeMouse* pointer;
  const DrawHook* onLine;
};

class FakeBitmap : public Bitmap {
 public:
  FakeBitmap(int32_t id, int32_t width, int32_t height, int& live) : Bitmap(id, width, height), liveCount(live) {
    ++liveCount;
  }
  void drawOpaque(DrawContext& context, const Rect& rect, Point source) override;
  void drawTransparent(DrawContext& context, const Rect& rect, Point source) override;

 protected:
  ~FakeBitmap() override { --liveCount; }

 private:
  int& liveCount;
};

class FakeClock : public Clock {
 public:
  uint32_t tickCount() override { return now; }
  // Sleeping lets the time pass, unless the clock is coarse: then its reading
  // moves only when the test moves it.
  void sleep(uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    if (!coarse) now += milliseconds;
  }
  uint32_t now = 1000;
  bool coarse = false;
  std::vector<uint32_t> sleeps;
};

class FakePump : public MessagePump {
 public:
  void dispatchOnePaint() override { ++paints; }
  int paints = 0;
};

class FakePlatform;

class FakeWindow : public HostWindow {
 public:
  FakeWindow(FakePlatform& platform, Frame& owningFrame) : frame(owningFrame), owner(platform) {}
  ~FakeWindow() override;
  Point screenOrigin() override;
  std::unique_ptr<DrawContext> createDrawContext() override;
  void revokeDrop() override;
  void hide() override;
  // Runs the platform's onEvents, as a window system whose events the
  // editor takes at idle time (a click handled inside the host's idle call).
  void handleEvents() override;

  Frame& frame;

 private:
  FakePlatform& owner;
};

class FakePlatform : public Platform {
 public:
  FakePlatform();

  Clock& clock() override { return fakeClock; }
  MessagePump& messagePump() override { return pump; }
  void initializeOle() override { ++oleInits; }
  void uninitializeOle() override { ++oleUninits; }
  Bitmap* loadBitmap(int32_t resourceId) override;
  std::unique_ptr<HostWindow> createWindow(NativeWindow parent, Frame& frame) override;
  std::unique_ptr<OffscreenContext> createOffscreen(Frame& frame, int32_t width, int32_t height,
                                                    Color background) override;
  Point cursorPosition() override { return cursor; }

  // A context as the window's paint or click handler makes it.
  std::unique_ptr<FakeDrawContext> windowContext() {
    return std::make_unique<FakeDrawContext>(screen, &mouse, &onDraw);
  }

  FakeClock fakeClock;
  FakePump pump;
  FakeMouse mouse;
  // Bitmap sizes by resource id; unknown ids load as 0 by 0.
  std::map<int32_t, std::pair<int32_t, int32_t>> bitmapSizes;
  // What was drawn on the window and into back buffers.
  std::vector<std::string> screen;
  std::vector<std::string> buffers;
  // Runs after every line drawn on the window or into a back buffer, and
  // after every back buffer is made.
  DrawHook onDraw;
  std::function<void()> onOffscreen;
  std::function<void(Frame& frame)> onEvents;
  Point cursor;
  Point windowOrigin;
  bool failWindows = false;
  int oleInits = 0;
  int oleUninits = 0;
  int liveBitmaps = 0;
  int windowsCreated = 0;
  int windowsDestroyed = 0;
  int dropRevokes = 0;
  int windowsHidden = 0;
  int offscreensCreated = 0;
  int contextsCreated = 0;
  FakeWindow* window = nullptr;
};

}  // namespace brisko::fakes
