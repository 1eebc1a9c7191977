#include "gui/View.h"

#include "gui/Frame.h"

namespace brisko {

View::View(const Rect& size) : bounds(size), mouseArea(size) {}

void View::draw(DrawContext*) { setDirty(false); }

void View::drawRect(DrawContext* context, const Rect&) { draw(context); }

bool View::overlaps(const Rect& rect) const {
  return !(rect.right < bounds.left || bounds.right < rect.left || rect.bottom < bounds.top ||
           bounds.bottom < rect.top);
}

void View::onMouseDown(DrawContext*, Point) {}

void View::redrawIfDirty(DrawContext* context) {
  if (!context || !isDirty()) return;
  draw(context);
  setDirty(false);
}

int32_t View::notify(View*, const char*) { return 0; }

int32_t View::onKeyDown(VstKeyCode&) { return -1; }

int32_t View::onKeyUp(VstKeyCode&) { return -1; }

bool View::onDrop(const char* const*, int32_t, int32_t, Point) { return false; }

bool View::onWheel(DrawContext*, Point, float) { return false; }

void View::loseFocus(DrawContext*) {}

void View::takeFocus(DrawContext*) {}

bool View::isDirty() const { return dirty; }

void View::setDirty(bool state) { dirty = state; }

void View::setMouseEnabled(bool state) { mouseEnabled = state; }

bool View::getMouseEnabled() const { return mouseEnabled; }

void View::setMouseArea(const Rect& rect) { mouseArea = rect; }

void View::getMouseArea(Rect& rect) const { rect = mouseArea; }

bool View::hitTest(Point where, ButtonState) const { return bounds.contains(where); }

void View::setTransparency(bool state) { transparent = state; }

bool View::getTransparency() const { return transparent; }

void View::setViewSize(const Rect& rect) {
  bounds = rect;
  setDirty(true);
}

void View::getViewSize(Rect& rect) const { rect = bounds; }

void View::setParentView(View* view) { parentView = view; }

void View::setFrame(Frame* owner) { frame = owner; }

FrameEditor* View::getEditor() const { return frame ? frame->getEditor() : nullptr; }

bool View::removed(View*) { return true; }

bool View::attached(View*) { return true; }

void View::releaseReference() {
  if (references <= 0) return;
  if (--references == 0) delete this;
}

void View::addReference() { ++references; }

int32_t View::referenceCount() const { return references; }

}  // namespace brisko
