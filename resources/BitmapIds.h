// Resource ids of the editor's bitmaps (see brisko.rc).
#pragma once

namespace brisko {

inline constexpr int kBitmapBackground = 128;   // 200 x 300
inline constexpr int kBitmapSliderBody = 129;   // 159 x 19
inline constexpr int kBitmapSliderHandle = 130; // 9 x 19

}  // namespace brisko
