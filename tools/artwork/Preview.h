// A picture of the whole editor built from the three bitmaps the way the
// editor draws them, for judging the artwork at its real size.
#pragma once

#include <array>
#include <string>

#include "Layout.h"
#include "RgbImage.h"

namespace brisko::artwork {

struct EditorBitmaps {
  const RgbImage& background;
  const RgbImage& body;
  const RgbImage& handle;
};

// Draws the background, the six slider bodies with their handles at the
// given normalised values, and the value displays (white 11-pixel text on
// black, the scaled value with two decimals).
RgbImage composeEditor(const EditorBitmaps& bitmaps, const std::array<double, kRowCount>& values);

// Writes a PNG, each pixel magnified to zoom by zoom pixels.
bool writePng(const RgbImage& image, const std::string& path, int zoom = 1);

}  // namespace brisko::artwork
