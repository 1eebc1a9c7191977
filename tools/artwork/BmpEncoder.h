// Writes images as Windows bitmap files: BITMAPFILEHEADER, a 40-byte
// BITMAPINFOHEADER, 24-bit BI_RGB pixels bottom-up, rows padded to 4 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RgbImage.h"

namespace brisko::artwork {

std::vector<std::uint8_t> encodeBmp24(const RgbImage& image);

// False when the file cannot be written completely.
bool writeBinaryFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace brisko::artwork
