#pragma once

#include <atomic>
#include <cstdint>

#include "gui/View.h"

namespace brisko {

class Bitmap;
class Control;

// Receives every value change of a control. context is the one the change
// happened in, or null for a change from the keyboard.
class ControlListener {
 public:
  virtual void valueChanged(DrawContext* context, Control* control) = 0;

 protected:
  ~ControlListener() = default;
};

// A view with a normalised value, a tag chosen by its owner and a listener.
// It is dirty while its value differs from the value it was last drawn with.
//
// The value is atomic: the editor may store a parameter change into it from
// the audio thread while the user-interface thread draws.
class Control : public View {
 public:
  // Adds a reference to `background` when it is not null.
  Control(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background);
  ~Control() override;

  // Draws and records what it drew (markDrawn): no second look at the value,
  // which another thread may have changed meanwhile.
  void draw(DrawContext* context) override = 0;
  void redrawIfDirty(DrawContext* context) override;
  bool isDirty() const override;
  // true: dirty whatever the value; false: clean at the current value.
  void setDirty(bool state) override;

  // Runs the owning editor's idle pump while the control tracks the mouse.
  virtual void idleWhileTracking();
  // Plain store: no clamping, no redraw.
  virtual void setValue(float newValue);
  virtual float getValue() const;
  virtual void setMin(float value);
  virtual float getMin() const;
  virtual void setMax(float value);
  virtual float getMax() const;
  virtual void setOldValue(float value);
  virtual float getOldValue() const;
  virtual void setDefaultValue(float value);
  virtual float getDefaultValue() const;
  virtual void setTag(int32_t newTag);
  // Releases the old bitmap and references the new one.
  virtual void setBackground(Bitmap* bitmap);
  virtual Bitmap* getBackground() const;
  virtual void setBackgroundOffset(Point offset);
  // Offset := the view rectangle's top-left corner.
  virtual void copyBackgroundOffset();
  virtual void setWheelIncrement(float increment);
  virtual float getWheelIncrement() const;
  virtual void clampValue();

  int32_t getTag() const { return tag; }
  ControlListener* getListener() const { return listener; }

 protected:
  // Tells the listener when the value differs from the one last drawn.
  void reportIfDirty(DrawContext* context);
  // Clean at `drawn`, the value a draw took its picture from: a value stored
  // since then keeps the control dirty.
  void markDrawn(float drawn);
  float loadValue() const { return value.load(std::memory_order_relaxed); }

  ControlListener* listener;
  int32_t tag;
  float oldValue = 1.0f;
  float defaultValue = 0.5f;
  std::atomic<float> value{0.0f};
  float minValue = 0.0f;
  float maxValue = 1.0f;
  float wheelIncrement = 0.1f;
  Bitmap* background;
  Point backgroundOffset;
};

}  // namespace brisko
