#pragma once

#include <cstdint>
#include <memory>

#include "gui/Control.h"

namespace brisko {

class Bitmap;
class OffscreenContext;

// Slider style bits.
enum : int32_t {
  kSliderHorizontal = 1,
  kSliderVertical = 2,
  kSliderOriginLeft = 8,
  kSliderOriginRight = 16,
  kSliderOriginTop = 32,
  kSliderOriginBottom = 64,
};

// A bitmap slider: a body bitmap with a handle bitmap moved along it. Drawn
// through its own back buffer so a moving handle never shows a half-drawn
// body. Dragging tracks the mouse until the left button is released; shift
// gives fine movement, control-click resets to the default value.
class Slider : public Control {
 public:
  // minPosition and maxPosition are the handle's span in frame coordinates.
  Slider(const Rect& size, ControlListener* listener, int32_t tag, int32_t minPosition, int32_t maxPosition,
         Bitmap* handle, Bitmap* body, Point offset, int32_t style);
  ~Slider() override;

  void draw(DrawContext* context) override;
  void onMouseDown(DrawContext* context, Point where) override;
  // Arrow keys move by the wheel increment (a tenth of it with shift).
  int32_t onKeyDown(VstKeyCode& key) override;
  bool onWheel(DrawContext* context, Point where, float distance) override;
  // The back buffer exists while the slider is in a frame.
  bool attached(View* parent) override;
  bool removed(View* parent) override;

  virtual void setTransparentHandle(bool state);
  virtual void setFreeClick(bool state);
  virtual bool getFreeClick() const;
  virtual void setHandleOffset(Point offset);
  virtual void setHandle(Bitmap* bitmap);
  virtual Bitmap* getHandle() const;
  virtual void setZoomFactor(float factor);
  virtual float getZoomFactor() const;

  // The handle inside the slider's own buffer, limited to the handle span.
  Rect handleRect() const { return handleRectAt(loadValue()); }
  int32_t handleSpanMin() const { return handleMin; }
  int32_t handleSpanMax() const { return handleMax; }

 private:
  bool isHorizontal() const { return (style & kSliderHorizontal) != 0; }
  int32_t handleLength() const { return isHorizontal() ? handleWidth : handleHeight; }
  // The handle's start along the slider for `shown`, without the span limits.
  int32_t handleStart(float shown) const;
  Rect handleRectAt(float shown) const;
  // The value for a cursor coordinate, before fine mode and clamping.
  float positionToValue(int32_t coordinate, int32_t base) const;
  void trackMouse(DrawContext& context, Point where, ButtonState clickState, int32_t base);

  Point offset;
  Point handleOffset;
  Bitmap* handle;
  std::unique_ptr<OffscreenContext> buffer;
  int32_t handleWidth = 1;
  int32_t handleHeight = 1;
  int32_t handleRange;
  int32_t style;
  int32_t handleMin = 0;
  int32_t handleMax = 0;
  int32_t minPosition;
  int32_t controlWidth;
  int32_t controlHeight;
  float zoomFactor = 10.0f;
  bool transparentHandle = true;
  bool freeClick = true;
};

// A slider that is always horizontal.
class HorizontalSlider : public Slider {
 public:
  HorizontalSlider(const Rect& rect, ControlListener* owner, int32_t controlTag, int32_t minimumPosition,
                   int32_t maximumPosition, Bitmap* handleBitmap, Bitmap* body, Point bodyOffset,
                   int32_t sliderStyle = kSliderOriginLeft)
      : Slider(rect, owner, controlTag, minimumPosition, maximumPosition, handleBitmap, body, bodyOffset,
               sliderStyle | kSliderHorizontal) {}
};

}  // namespace brisko
