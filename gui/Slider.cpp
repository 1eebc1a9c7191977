#include "gui/Slider.h"

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/FrameEditor.h"

namespace brisko {

namespace {

// Left button with control and nothing else resets to the default value.
constexpr ButtonState kResetClick = kLeftButton | kControlKey;

// Virtual keys and modifier bits of VstKeyCode.
constexpr unsigned char kKeyLeft = 11;
constexpr unsigned char kKeyUp = 12;
constexpr unsigned char kKeyRight = 13;
constexpr unsigned char kKeyDown = 14;
constexpr unsigned char kModifierShift = 1;

// Keys and wheel move by a tenth of the increment with shift.
constexpr float kFineStep = 0.1f;

// Pixels along the slider for a value fraction, truncated toward zero.
// Values stored unclamped (or NaN) must not overflow the conversion.
int32_t fractionToPixels(int32_t range, float fraction) {
  const float pixels = static_cast<float>(range) * fraction;
  constexpr float kLimit = 1.0e9f;
  if (!(pixels > -kLimit)) return pixels != pixels ? 0 : -static_cast<int32_t>(kLimit);
  if (!(pixels < kLimit)) return static_cast<int32_t>(kLimit);
  return static_cast<int32_t>(pixels);
}

}  // namespace

Slider::Slider(const Rect& size, ControlListener* owner, int32_t controlTag, int32_t minimumPosition,
               int32_t maximumPosition, Bitmap* handleBitmap, Bitmap* body, Point bodyOffset,
               int32_t sliderStyle)
    : Control(size, owner, controlTag, body),
      offset(bodyOffset),
      handle(handleBitmap),
      handleRange(maximumPosition - minimumPosition),
      style(sliderStyle),
      minPosition(minimumPosition - ((sliderStyle & kSliderHorizontal) ? size.left : size.top)),
      controlWidth(size.width()),
      controlHeight(size.height()) {
  if (handle) {
    handle->addReference();
    handleWidth = handle->width();
    handleHeight = handle->height();
  }
  setHandleOffset({0, 0});
}

Slider::~Slider() {
  if (handle) handle->releaseReference();
}

int32_t Slider::handleStart(float shown) const {
  const bool originAtStart = (style & (kSliderOriginLeft | kSliderOriginTop)) != 0;
  const float fraction = originAtStart ? shown : 1.0f - shown;
  const int32_t pixels = fractionToPixels(handleRange, fraction);
  return pixels + (isHorizontal() ? handleOffset.h : handleOffset.v);
}

Rect Slider::handleRectAt(float shown) const {
  int32_t start = handleStart(shown);
  if (start < handleMin) start = handleMin;
  int32_t end = start + handleLength();
  if (end > handleMax) end = handleMax;
  if (isHorizontal()) return {start, handleOffset.v, end, handleOffset.v + handleHeight};
  return {handleOffset.h, start, handleOffset.h + handleWidth, end};
}

void Slider::draw(DrawContext* context) {
  if (!context || !buffer) return;
  // One look at the value, which another thread may store to at any time.
  const float shown = loadValue();
  if (Bitmap* body = getBackground()) {
    const Rect whole{0, 0, controlWidth, controlHeight};
    if (getTransparency()) {
      body->drawTransparent(*buffer, whole, offset);
    } else {
      body->drawOpaque(*buffer, whole, offset);
    }
  }
  if (handle) {
    const Rect where = handleRectAt(shown);
    if (transparentHandle) {
      handle->drawTransparent(*buffer, where, {0, 0});
    } else {
      handle->drawOpaque(*buffer, where, {0, 0});
    }
  }
  buffer->copyTo(*context, viewRect(), {0, 0});
  markDrawn(shown);
}

float Slider::positionToValue(int32_t coordinate, int32_t base) const {
  // A zero span has no positions: everything maps to the start.
  if (handleRange == 0) return 0.0f;
  return static_cast<float>(coordinate - base) / static_cast<float>(handleRange);
}

void Slider::onMouseDown(DrawContext* context, Point where) {
  if (!getMouseEnabled() || !context) return;
  const ButtonState clickState = context->buttonState();
  if (clickState == kResetClick) {
    setValue(getDefaultValue());
    reportIfDirty(context);
    return;
  }
  if (!(clickState & kLeftButton)) return;

  const Rect& size = viewRect();
  int32_t base = isHorizontal() ? size.left + handleOffset.h : size.top + handleOffset.v;
  if (freeClick) {
    base += handleLength() / 2 - 1;
  } else {
    const int32_t start = handleStart(loadValue());
    const Rect grip = isHorizontal()
                          ? Rect{start, handleOffset.v, start + handleWidth, handleOffset.v + handleHeight}
                          : Rect{handleOffset.h, start, handleOffset.h + handleWidth, start + handleHeight};
    const Rect onScreen = grip.movedBy(size.left, size.top);
    if (!onScreen.contains(where)) return;
    base += isHorizontal() ? where.h - onScreen.left : where.v - onScreen.top;
  }
  trackMouse(*context, where, clickState, base);
}

void Slider::trackMouse(DrawContext& context, Point where, ButtonState clickState, int32_t base) {
  FrameEditor* editor = getEditor();
  // The host may close the editor from any call made to it; the frame then
  // stays until the drag has returned, and the drag touches it no more.
  const auto closing = [editor] { return editor && editor->closeRequested(); };
  if (editor) editor->beginEdit(tag);
  if (closing()) {
    editor->endEdit(tag);
    return;
  }
  if (frame) frame->setFocusView(this);

  // Fine mode moves relative to an anchor, re-taken whenever shift is newly
  // part of the state, so pressing shift never makes the value jump.
  ButtonState lastState = clickState;
  float anchor = loadValue();
  for (ButtonState state = context.buttonState(); state & kLeftButton; state = context.buttonState()) {
    if (state != lastState && (state & kShiftKey)) {
      anchor = loadValue();
    } else if (!(state & kShiftKey)) {
      anchor = loadValue();
    }
    lastState = state;

    float next = positionToValue(isHorizontal() ? where.h : where.v, base);
    if (style & (kSliderOriginRight | kSliderOriginBottom)) next = 1.0f - next;
    if (state & kShiftKey) next = anchor + (next - anchor) / zoomFactor;
    setValue(next);
    clampValue();
    reportIfDirty(&context);
    if (closing()) break;

    where = context.mousePosition();
    idleWhileTracking();
    if (closing()) break;
  }
  if (editor) editor->endEdit(tag);
}

int32_t Slider::onKeyDown(VstKeyCode& key) {
  float direction;
  switch (key.virt) {
    case kKeyLeft:
    case kKeyDown:
      direction = -1.0f;
      break;
    case kKeyUp:
    case kKeyRight:
      direction = 1.0f;
      break;
    default:
      return -1;
  }
  float step = direction * wheelIncrement;
  if (key.modifier & kModifierShift) step *= kFineStep;
  setValue(loadValue() + step);
  clampValue();
  reportIfDirty(nullptr);
  return 1;
}

bool Slider::onWheel(DrawContext* context, Point, float distance) {
  if (!getMouseEnabled()) return false;
  float step = distance * wheelIncrement;
  if (context && (context->buttonState() & kShiftKey)) step *= kFineStep;
  setValue(loadValue() + step);
  clampValue();
  reportIfDirty(context);
  return true;
}

bool Slider::attached(View*) {
  buffer.reset();
  if (frame) buffer = frame->platform().createOffscreen(*frame, controlWidth, controlHeight, kBlack);
  return true;
}

bool Slider::removed(View*) {
  buffer.reset();
  return true;
}

void Slider::setTransparentHandle(bool state) { transparentHandle = state; }

void Slider::setFreeClick(bool state) { freeClick = state; }

bool Slider::getFreeClick() const { return freeClick; }

void Slider::setHandleOffset(Point newOffset) {
  handleOffset = newOffset;
  handleMin = (isHorizontal() ? newOffset.h : newOffset.v) + minPosition;
  handleMax = handleMin + handleRange + handleLength();
}

void Slider::setHandle(Bitmap* bitmap) {
  // Reference first: setting the same bitmap again must not destroy it.
  if (bitmap) bitmap->addReference();
  if (handle) handle->releaseReference();
  handle = bitmap;
  if (handle) {
    handleWidth = handle->width();
    handleHeight = handle->height();
  }
}

Bitmap* Slider::getHandle() const { return handle; }

void Slider::setZoomFactor(float factor) { zoomFactor = factor; }

float Slider::getZoomFactor() const { return zoomFactor; }

}  // namespace brisko
