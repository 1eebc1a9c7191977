#include "gui/cairo/HeadlessPlatform.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

#include "gui/Frame.h"
#include "gui/cairo/CairoBitmap.h"
#include "gui/cairo/CairoDrawContext.h"

namespace brisko {

namespace {

Rect wholeOf(const Frame& frame) {
  const Rect& size = frame.viewRect();
  return {0, 0, size.width(), size.height()};
}

}  // namespace

uint32_t SteadyClock::tickCount() {
  const auto elapsed = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SteadyClock::sleep(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

ImageWindow::ImageWindow(Frame& owningFrame, HeadlessPlatform& platform)
    : frame(owningFrame), owner(platform), pixels(makeRgbImage(wholeOf(owningFrame).right, wholeOf(owningFrame).bottom)) {
  owner.windows.push_back(this);
}

ImageWindow::~ImageWindow() { std::erase(owner.windows, this); }

std::unique_ptr<DrawContext> ImageWindow::createDrawContext() {
  if (!pixels) return nullptr;
  return std::unique_ptr<DrawContext>(new (std::nothrow) CairoDrawContext(pixels.get()));
}

void ImageWindow::paint() {
  paintPending = false;
  std::unique_ptr<DrawContext> context = createDrawContext();
  if (context) frame.drawRect(context.get(), wholeOf(frame));
}

HeadlessPlatform::HeadlessPlatform() = default;

HeadlessPlatform::~HeadlessPlatform() = default;

Bitmap* HeadlessPlatform::loadBitmap(int32_t resourceId) { return CairoBitmap::load(resourceId); }

std::unique_ptr<HostWindow> HeadlessPlatform::createWindow(NativeWindow parent, Frame& frame) {
  if (!parent) return nullptr;
  return std::unique_ptr<HostWindow>(new (std::nothrow) ImageWindow(frame, *this));
}

std::unique_ptr<OffscreenContext> HeadlessPlatform::createOffscreen(Frame&, int32_t width, int32_t height,
                                                                    Color background) {
  auto buffer = std::unique_ptr<CairoDrawContext>(new (std::nothrow) CairoDrawContext(width, height, background));
  if (!buffer || !buffer->surface()) return nullptr;
  return buffer;
}

void HeadlessPlatform::dispatchOnePaint() {
  const auto pending = std::find_if(windows.begin(), windows.end(), [](ImageWindow* w) { return w->isPaintPending(); });
  if (pending != windows.end()) (*pending)->paint();
}

HeadlessPlatform& headlessPlatform() {
  static HeadlessPlatform platform;
  return platform;
}

ImageWindow* imageWindowOf(const Frame& frame) { return dynamic_cast<ImageWindow*>(frame.window()); }

void paintFrame(Frame& frame, cairo_surface_t* image) {
  CairoDrawContext context(image);
  frame.drawRect(&context, wholeOf(frame));
}

}  // namespace brisko
