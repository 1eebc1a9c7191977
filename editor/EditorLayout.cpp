#include "editor/EditorLayout.h"

namespace brisko::editor_layout {

Rect sliderRect(int32_t row, int32_t bodyWidth, int32_t bodyHeight) {
  const int32_t top = kFirstRowTop + kRowPitch * row;
  return {kSliderLeft, top, kSliderLeft + bodyWidth, top + bodyHeight};
}

Rect displayRect(int32_t row) {
  // Directly under the slider of the standard 19-pixel body.
  const int32_t top = kFirstRowTop + 19 + kRowPitch * row;
  return {kSliderLeft, top, kDisplayRight, top + kDisplayHeight};
}

int32_t handleMaxPosition(int32_t bodyWidth, int32_t handleWidth) { return kSliderLeft - 1 + bodyWidth - handleWidth; }

float displayValue(int32_t row, float value) {
  // Scaled in extended precision and rounded once to a float.
  const long double normalised = value;
  switch (row) {
    case 0:
      return static_cast<float>(normalised * 4.64);
    case 2:
      return static_cast<float>(normalised * 999.99);
    case 4:
      return static_cast<float>(normalised * 128.0f);
    case 5:
      return static_cast<float>((normalised - 0.5) * 2.0);
    default:
      return value;
  }
}

}  // namespace brisko::editor_layout
