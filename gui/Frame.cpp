#include "gui/Frame.h"

#include <new>

#include "gui/Bitmap.h"
#include "gui/FrameEditor.h"

namespace brisko {

namespace {
constexpr ButtonState kAllButtons = ~ButtonState{0};
}

Frame::Frame(const Rect& size, NativeWindow parentWindow, FrameEditor* owner, Platform& platform)
    : View(size), editor(owner), parent(parentWindow), services(platform) {
  services.initializeOle();
  if (parent) hostWindow = services.createWindow(parent, *this);
}

Frame::~Frame() {
  if (hostWindow) hostWindow->revokeDrop();
  Frame::removeAll(true);
  setBackground(nullptr);
  services.uninitializeOle();
  hostWindow.reset();
}

void Frame::draw(DrawContext* context) {
  firstPaintPending = false;
  if (!context) return;
  if (background) background->drawOpaque(*context, {0, 0, background->width(), background->height()}, {0, 0});
  for (int32_t i = 0; i < count; ++i) children[i]->draw(context);
}

void Frame::drawRect(DrawContext* context, const Rect& rect) {
  firstPaintPending = false;
  if (!context) return;
  if (background) background->drawOpaque(*context, rect, {rect.left, rect.top});
  for (int32_t i = 0; i < count; ++i) {
    if (children[i]->overlaps(rect)) children[i]->drawRect(context, rect);
  }
}

void Frame::onMouseDown(DrawContext* context, Point where) {
  if (closing()) return;
  InUse inUse(*this);
  if (focus) {
    View* previous = focus;
    focus = nullptr;
    previous->loseFocus(nullptr);
  }
  const ButtonState buttons = context ? context->buttonState() : kAllButtons;
  for (int32_t i = count - 1; i >= 0; --i) {
    View* child = children[i];
    if (child->getMouseEnabled() && child->hitTest(where, buttons)) {
      child->onMouseDown(context, where);
      return;
    }
  }
}

void Frame::redrawIfDirty(DrawContext* context) {
  if (!open) return;
  if (View::isDirty()) {
    draw(context);
    setDirty(false);
    return;
  }
  for (int32_t i = 0; i < count; ++i) children[i]->redrawIfDirty(context);
}

int32_t Frame::onKeyDown(VstKeyCode& key) {
  if (closing()) return -1;
  InUse inUse(*this);
  if (focus) {
    const int32_t result = focus->onKeyDown(key);
    if (result != -1) return result;
  }
  for (int32_t i = count - 1; i >= 0; --i) {
    const int32_t result = children[i]->onKeyDown(key);
    if (result != -1) return result;
  }
  return -1;
}

int32_t Frame::onKeyUp(VstKeyCode& key) {
  if (closing()) return -1;
  InUse inUse(*this);
  if (focus) {
    const int32_t result = focus->onKeyUp(key);
    if (result != -1) return result;
  }
  for (int32_t i = count - 1; i >= 0; --i) {
    const int32_t result = children[i]->onKeyUp(key);
    if (result != -1) return result;
  }
  return -1;
}

bool Frame::onDrop(const char* const* items, int32_t itemCount, int32_t type, Point where) {
  if (focus || closing()) return false;
  InUse inUse(*this);
  for (int32_t i = count - 1; i >= 0; --i) {
    View* child = children[i];
    if (child->getMouseEnabled() && child->viewRect().contains(where) &&
        child->onDrop(items, itemCount, type, where)) {
      return true;
    }
  }
  return false;
}

bool Frame::onWheel(DrawContext* context, Point, float distance) {
  if (closing()) return false;
  InUse inUse(*this);
  View* target = viewUnderMouse();
  if (!target) return false;
  std::unique_ptr<DrawContext> temporary;
  if (!context) {
    temporary = makeDrawContext();
    context = temporary.get();
  }
  Point where;
  mousePositionInFrame(where);
  return target->onWheel(context, where, distance);
}

FrameEditor* Frame::getEditor() const { return editor; }

bool Frame::closing() const { return editor && editor->closeRequested(); }

bool Frame::growChildren() {
  View** grown = new (std::nothrow) View*[static_cast<size_t>(capacity + kCapacityStep)];
  if (!grown) return false;
  for (int32_t i = 0; i < count; ++i) grown[i] = children[i];
  delete[] children;
  children = grown;
  capacity += kCapacityStep;
  return true;
}

bool Frame::addView(View* view) {
  if (!view) return false;
  if (count == capacity && !growChildren()) return false;
  children[count++] = view;
  view->setFrame(this);
  view->attached(this);
  return true;
}

bool Frame::removeView(View* view, bool release) {
  for (int32_t i = 0; i < count; ++i) {
    if (children[i] != view) continue;
    for (int32_t j = i + 1; j < count; ++j) children[j - 1] = children[j];
    --count;
    // A released focus view would leave a dangling pointer behind.
    if (focus == view) setFocusView(nullptr);
    view->removed(this);
    if (release) view->releaseReference();
    break;
  }
  return true;
}

bool Frame::removeAll(bool release) {
  setFocusView(nullptr);
  for (int32_t i = 0; i < count; ++i) {
    children[i]->removed(this);
    if (release) children[i]->releaseReference();
  }
  delete[] children;
  children = nullptr;
  count = 0;
  capacity = 0;
  return true;
}

bool Frame::isChild(View* view) const {
  for (int32_t i = 0; i < count; ++i) {
    if (children[i] == view) return true;
  }
  return false;
}

int32_t Frame::childCount() const { return count; }

View* Frame::childAt(int32_t index) const { return index >= 0 && index < count ? children[index] : nullptr; }

void Frame::setBackground(Bitmap* bitmap) {
  // Reference first: setting the same bitmap again must not destroy it.
  if (bitmap) bitmap->addReference();
  if (background) background->releaseReference();
  background = bitmap;
}

void Frame::setFocusView(View* view) {
  View* previous = focus;
  focus = view;
  if (previous) previous->loseFocus(nullptr);
}

View* Frame::viewUnderMouse() {
  Point where;
  mousePositionInFrame(where);
  for (int32_t i = count - 1; i >= 0; --i) {
    if (children[i]->viewRect().contains(where)) return children[i];
  }
  return nullptr;
}

bool Frame::mousePositionInFrame(Point& where) {
  where = services.cursorPosition();
  if (hostWindow) {
    const Point origin = hostWindow->screenOrigin();
    where.h -= origin.h;
    where.v -= origin.v;
  }
  return true;
}

bool Frame::anyDirty() const {
  if (View::isDirty()) return true;
  for (int32_t i = 0; i < count; ++i) {
    if (children[i]->isDirty()) return true;
  }
  return false;
}

void Frame::frameIdle() {
  if (open && hostWindow) hostWindow->handleEvents();
  if (!open || firstPaintPending || !anyDirty()) return;
  std::unique_ptr<DrawContext> context = makeDrawContext();
  if (context) redrawIfDirty(context.get());
}

std::unique_ptr<DrawContext> Frame::makeDrawContext() {
  return hostWindow ? hostWindow->createDrawContext() : nullptr;
}

void Frame::hideWindow() {
  if (hostWindow) hostWindow->hide();
}

void Frame::windowDestroyed() {
  open = false;
  parent = nullptr;
}

}  // namespace brisko
