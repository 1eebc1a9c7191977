#include "tests/gui/fakes/FakePlatform.h"

#include <new>

namespace brisko::fakes {

std::string describe(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string describe(Point p) { return std::to_string(p.h) + "," + std::to_string(p.v); }

std::string describe(Color c) {
  return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
}

void FakeMouse::script(std::vector<MouseStep> steps) {
  timeline = std::move(steps);
  index = 0;
  polls = 0;
  last = timeline.empty() ? Point{} : timeline.front().where;
}

ButtonState FakeMouse::buttons() const { return index < timeline.size() ? timeline[index].buttons : 0; }

Point FakeMouse::advance() {
  ++polls;
  if (index < timeline.size()) ++index;
  if (index < timeline.size()) last = timeline[index].where;
  return last;
}

void FakeDrawContext::setLineStyle(int32_t style) { record("lineStyle " + std::to_string(style)); }
void FakeDrawContext::setFrameColor(Color color) { record("frameColor " + describe(color)); }
void FakeDrawContext::setFillColor(Color color) { record("fillColor " + describe(color)); }
void FakeDrawContext::setFontColor(Color color) { record("fontColor " + describe(color)); }
void FakeDrawContext::setFont(int32_t fontId, int32_t size, int32_t face) {
  record("font " + std::to_string(fontId) + " " + std::to_string(size) + " " + std::to_string(face));
}
void FakeDrawContext::moveTo(Point p) { record("moveTo " + describe(p)); }
void FakeDrawContext::lineTo(Point p) { record("lineTo " + describe(p)); }
void FakeDrawContext::frameRect(const Rect& rect) { record("frameRect " + describe(rect)); }
void FakeDrawContext::fillRect(const Rect& rect) { record("fillRect " + describe(rect)); }
void FakeDrawContext::drawString(const char* text, const Rect& rect, bool opaque, int32_t alignment) {
  record(std::string("text \"") + (text ? text : "(null)") + "\" " + describe(rect) + (opaque ? " opaque" : "") +
         " align " + std::to_string(alignment));
}
ButtonState FakeDrawContext::buttonState() { return pointer ? pointer->buttons() : 0; }
Point FakeDrawContext::mousePosition() { return pointer ? pointer->advance() : Point{}; }
void FakeDrawContext::copyTo(DrawContext& target, const Rect& rect, Point source) {
  static_cast<FakeDrawContext&>(target).record("copy buffer to " + describe(rect) + " from " + describe(source));
}

void FakeBitmap::drawOpaque(DrawContext& context, const Rect& rect, Point source) {
  static_cast<FakeDrawContext&>(context).record("bitmap " + std::to_string(resourceId()) + " opaque " +
                                                describe(rect) + " from " + describe(source));
}

void FakeBitmap::drawTransparent(DrawContext& context, const Rect& rect, Point source) {
  static_cast<FakeDrawContext&>(context).record("bitmap " + std::to_string(resourceId()) + " keyed " +
                                                describe(rect) + " from " + describe(source));
}

FakeWindow::~FakeWindow() {
  ++owner.windowsDestroyed;
  if (owner.window == this) owner.window = nullptr;
}

Point FakeWindow::screenOrigin() { return owner.windowOrigin; }

std::unique_ptr<DrawContext> FakeWindow::createDrawContext() {
  ++owner.contextsCreated;
  return owner.windowContext();
}

void FakeWindow::revokeDrop() { ++owner.dropRevokes; }

void FakeWindow::hide() { ++owner.windowsHidden; }

void FakeWindow::handleEvents() {
  if (owner.onEvents) owner.onEvents(frame);
}

FakePlatform::FakePlatform() {
  bitmapSizes[128] = {200, 300};
  bitmapSizes[129] = {159, 19};
  bitmapSizes[130] = {9, 19};
}

Bitmap* FakePlatform::loadBitmap(int32_t resourceId) {
  const auto found = bitmapSizes.find(resourceId);
  const auto size = found == bitmapSizes.end() ? std::pair<int32_t, int32_t>{0, 0} : found->second;
  return new FakeBitmap(resourceId, size.first, size.second, liveBitmaps);
}

std::unique_ptr<HostWindow> FakePlatform::createWindow(NativeWindow, Frame& frame) {
  if (failWindows) return nullptr;
  ++windowsCreated;
  auto created = std::make_unique<FakeWindow>(*this, frame);
  window = created.get();
  return created;
}

std::unique_ptr<OffscreenContext> FakePlatform::createOffscreen(Frame&, int32_t width, int32_t height,
                                                                Color background) {
  ++offscreensCreated;
  auto buffer = std::make_unique<FakeDrawContext>(buffers, nullptr, &onDraw);
  buffer->record("offscreen " + std::to_string(width) + "x" + std::to_string(height) + " cleared " +
                 describe(background));
  if (onOffscreen) onOffscreen();
  return buffer;
}

}  // namespace brisko::fakes
