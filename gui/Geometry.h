#pragma once

#include <cstdint>

namespace brisko {

// A pixel position: h horizontal, v vertical.
struct Point {
  int32_t h = 0;
  int32_t v = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Left, top, right, bottom in frame pixels. Drawing treats right and bottom as
// one past the last pixel; every containment test includes both edges.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool contains(Point p) const { return left <= p.h && p.h <= right && top <= p.v && p.v <= bottom; }
  Rect movedBy(int32_t dh, int32_t dv) const { return {left + dh, top + dv, right + dh, bottom + dv}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Red, green, blue and a fourth byte that is stored but never shown or
// compared.
struct Color {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t unused = 0;
};

inline bool sameRgb(Color a, Color b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

inline constexpr Color kWhite{255, 255, 255, 0};
inline constexpr Color kBlack{0, 0, 0, 0};
inline constexpr Color kRed{255, 0, 0, 0};

// Mouse buttons and modifier keys as one bit set.
using ButtonState = int32_t;
enum : ButtonState {
  kLeftButton = 1,
  kMiddleButton = 2,
  kRightButton = 4,
  kShiftKey = 8,
  kControlKey = 16,
  kAltKey = 32,
};

}  // namespace brisko
