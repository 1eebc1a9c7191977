// Geometry the artwork shares with the editor: panel and bitmap sizes, the
// slider and display rectangles of the six rows, and the row captions.
#pragma once

#include <array>

namespace brisko::artwork {

inline constexpr int kPanelWidth = 200;
inline constexpr int kPanelHeight = 300;
inline constexpr int kBodyWidth = 159;
inline constexpr int kBodyHeight = 19;
inline constexpr int kHandleWidth = 9;
inline constexpr int kHandleHeight = 19;
inline constexpr int kRowCount = 6;
inline constexpr int kRowPitch = 37;

// Right and bottom are one past the last pixel.
struct Box {
  int left, top, right, bottom;
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
};

constexpr Box sliderBox(int row) {
  const int top = 40 + kRowPitch * row;
  return {20, top, 20 + kBodyWidth, top + kBodyHeight};
}

constexpr Box displayBox(int row) {
  const int top = 59 + kRowPitch * row;
  return {20, top, 55, top + 14};
}

// The display's outline includes its right and bottom lines, so it covers
// one pixel more than its rectangle in each direction.
constexpr Box displayFootprint(int row) {
  const Box box = displayBox(row);
  return {box.left, box.top, box.right + 1, box.bottom + 1};
}

inline constexpr std::array<const char*, kRowCount> kCaptions = {
    "DELAY TIME", "FEEDBACK", "MODULATION FREQ.", "MODULATION AMP.", "FFT BIN DELAY", "DRY/WET"};

// Left edge of the handle inside the slider for a value of 0 to 1: the
// handle travels 149 pixels and is shifted one pixel right.
constexpr int handleLeft(double value) {
  constexpr int range = kBodyWidth - kHandleWidth - 1;
  return static_cast<int>(range * value) + 1;
}

}  // namespace brisko::artwork
