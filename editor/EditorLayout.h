#pragma once

#include <cstdint>

#include "gui/Geometry.h"
#include "resources/BitmapIds.h"

namespace brisko {

// The panel: one row per parameter, a bitmap slider above a numeric display.
namespace editor_layout {

constexpr int32_t kRows = 6;

constexpr int32_t kBackgroundBitmap = kBitmapBackground;
constexpr int32_t kSliderBodyBitmap = kBitmapSliderBody;
constexpr int32_t kSliderHandleBitmap = kBitmapSliderHandle;

constexpr int32_t kSliderLeft = 20;
constexpr int32_t kFirstRowTop = 40;
constexpr int32_t kRowPitch = 37;
// The handle starts at the slider's left edge, one pixel in.
constexpr int32_t kHandleMinPosition = kSliderLeft;
constexpr Point kHandleOffset{1, 0};
constexpr int32_t kDisplayRight = 55;
constexpr int32_t kDisplayHeight = 14;
// Drawn in font 4 ("Arial", 11 pixels).
constexpr int32_t kDisplayFont = 4;
constexpr int32_t kDisplayStyle = 1;

// The slider of a row, sized by the body bitmap.
Rect sliderRect(int32_t row, int32_t bodyWidth, int32_t bodyHeight);
// The display under a row's slider.
Rect displayRect(int32_t row);
// The handle's last position in frame coordinates.
int32_t handleMaxPosition(int32_t bodyWidth, int32_t handleWidth);
// What a row's display shows for a normalised parameter value.
float displayValue(int32_t row, float value);

}  // namespace editor_layout
}  // namespace brisko
