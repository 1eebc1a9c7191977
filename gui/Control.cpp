#include "gui/Control.h"

#include "gui/Bitmap.h"
#include "gui/FrameEditor.h"

namespace brisko {

Control::Control(const Rect& size, ControlListener* owner, int32_t controlTag, Bitmap* bitmap)
    : View(size), listener(owner), tag(controlTag), background(bitmap) {
  if (background) background->addReference();
}

Control::~Control() {
  if (background) background->releaseReference();
}

bool Control::isDirty() const { return loadValue() != oldValue || View::isDirty(); }

void Control::setDirty(bool state) {
  View::setDirty(state);
  if (state) {
    // Any value that differs from the current one.
    oldValue = loadValue() == -1.0f ? 0.0f : -1.0f;
  } else {
    oldValue = loadValue();
  }
}

void Control::redrawIfDirty(DrawContext* context) {
  if (context && isDirty()) draw(context);
}

void Control::markDrawn(float drawn) {
  View::setDirty(false);
  oldValue = drawn;
}

void Control::idleWhileTracking() {
  if (FrameEditor* editor = getEditor()) editor->pumpIdle();
}

void Control::setValue(float newValue) { value.store(newValue, std::memory_order_relaxed); }

float Control::getValue() const { return loadValue(); }

void Control::setMin(float newMin) { minValue = newMin; }

float Control::getMin() const { return minValue; }

void Control::setMax(float newMax) { maxValue = newMax; }

float Control::getMax() const { return maxValue; }

void Control::setOldValue(float newOld) { oldValue = newOld; }

float Control::getOldValue() const { return oldValue; }

void Control::setDefaultValue(float newDefault) { defaultValue = newDefault; }

float Control::getDefaultValue() const { return defaultValue; }

void Control::setTag(int32_t newTag) { tag = newTag; }

void Control::setBackground(Bitmap* bitmap) {
  // Reference first: setting the same bitmap again must not destroy it.
  if (bitmap) bitmap->addReference();
  if (background) background->releaseReference();
  background = bitmap;
}

Bitmap* Control::getBackground() const { return background; }

void Control::setBackgroundOffset(Point offset) { backgroundOffset = offset; }

void Control::copyBackgroundOffset() { backgroundOffset = {viewRect().left, viewRect().top}; }

void Control::setWheelIncrement(float increment) { wheelIncrement = increment; }

float Control::getWheelIncrement() const { return wheelIncrement; }

void Control::clampValue() {
  const float current = loadValue();
  if (current > maxValue) {
    setValue(maxValue);
  } else if (current < minValue) {
    setValue(minValue);
  }
}

void Control::reportIfDirty(DrawContext* context) {
  if (isDirty() && listener) listener->valueChanged(context, this);
}

}  // namespace brisko
