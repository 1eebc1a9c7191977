#pragma once

#include <cairo.h>

#include <vector>

#include "gui/Platform.h"
#include "gui/cairo/CairoSurface.h"

namespace brisko {

class HeadlessPlatform;

// Real time: the steady clock's milliseconds, and a sleep of the thread.
class SteadyClock final : public Clock {
 public:
  uint32_t tickCount() override;
  void sleep(uint32_t milliseconds) override;
};

// The "window" of a frame on the headless platform: an RGB24 image of the
// frame's size. Like a new window it starts with a paint pending, which the
// platform's message pump (or paint()) delivers to the frame.
class ImageWindow final : public HostWindow {
 public:
  ImageWindow(Frame& frame, HeadlessPlatform& platform);
  ~ImageWindow() override;

  Point screenOrigin() override { return {}; }
  // Null when the image could not be made.
  std::unique_ptr<DrawContext> createDrawContext() override;
  void revokeDrop() override {}

  // What a paint of the whole window does: the frame draws over the image.
  void paint();
  bool isPaintPending() const { return paintPending; }
  // Null for a frame of no size.
  cairo_surface_t* image() const { return pixels.get(); }

 private:
  Frame& frame;
  HeadlessPlatform& owner;
  CairoSurfacePtr pixels;
  bool paintPending = true;
};

// A platform without a window system: real time, bitmaps from the files built
// into the binary, image windows, cairo back buffers, no pointer device
// (cursor at 0, 0, no buttons). The parent window handed to a frame is only
// tested for null. Used from one thread, like the editor itself.
class HeadlessPlatform final : public Platform, private MessagePump {
 public:
  HeadlessPlatform();
  ~HeadlessPlatform() override;

  Clock& clock() override { return realClock; }
  MessagePump& messagePump() override { return *this; }
  void initializeOle() override {}
  void uninitializeOle() override {}
  Bitmap* loadBitmap(int32_t resourceId) override;
  std::unique_ptr<HostWindow> createWindow(NativeWindow parent, Frame& frame) override;
  std::unique_ptr<OffscreenContext> createOffscreen(Frame& frame, int32_t width, int32_t height,
                                                    Color background) override;
  Point cursorPosition() override { return {}; }

 private:
  friend class ImageWindow;
  // Paints the oldest window that has a paint pending.
  void dispatchOnePaint() override;

  // Nothing here allocates: the platform is made on first use, which may be
  // while memory runs out.
  SteadyClock realClock;
  std::vector<ImageWindow*> windows;
};

// The platform of non-Windows builds.
HeadlessPlatform& headlessPlatform();

// The image window of a frame on the headless platform; null for a frame
// without one.
ImageWindow* imageWindowOf(const Frame& frame);

// Draws the whole frame into `image` (an RGB24 or ARGB32 image surface), for
// frames that have no window of their own.
void paintFrame(Frame& frame, cairo_surface_t* image);

}  // namespace brisko
