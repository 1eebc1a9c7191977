#include "SliderParts.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Layout.h"

namespace brisko::artwork {
namespace {

constexpr Rgb kTroughEdge{86, 84, 84};

std::uint8_t level(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 250L));
}

}  // namespace

RgbImage drawSliderBody() {
  RgbImage body(kBodyWidth, kBodyHeight, kTroughColour);
  for (int x = 0; x < kBodyWidth; ++x) body.set(x, kBodyHeight - 1, kTroughEdge);
  for (int y = 0; y < kBodyHeight; ++y) body.set(kBodyWidth - 1, y, kTroughEdge);
  return body;
}

RgbImage drawSliderHandle() {
  // Brightness across the bar: dark outline, a highlight left of centre, the
  // centre line, and a falling shade towards the right outline.
  constexpr std::array<double, kHandleWidth> across = {58, 182, 212, 198, 74, 178, 160, 132, 50};
  RgbImage handle(kHandleWidth, kHandleHeight);
  for (int y = 0; y < kHandleHeight; ++y) {
    const double t = static_cast<double>(y) / (kHandleHeight - 1);
    double down = 1.04 - 0.20 * t;  // lit from above
    if (y == 0) down = 0.62;
    if (y == kHandleHeight - 1) down = 0.42;
    for (int x = 0; x < kHandleWidth; ++x) {
      double value = across[static_cast<std::size_t>(x)] * down;
      const bool edgeColumn = x == 0 || x == kHandleWidth - 1;
      const bool edgeRow = y == 0 || y == kHandleHeight - 1;
      if (edgeColumn && edgeRow) value = 34;  // rounded corners
      if (x == 4 && (y < 2 || y > kHandleHeight - 3)) value = across[3] * down;
      handle.set(x, y, {level(value), level(value), level(value + 3)});
    }
  }
  return handle;
}

}  // namespace brisko::artwork
