#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisko {

// An image as 0xRRGGBB words, top row first.
struct RgbPixels {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// Decodes a whole .bmp file (file header, 40-byte or longer info header,
// 24-bit uncompressed pixels, bottom-up or top-down, rows padded to 4 bytes).
// False, with `image` left empty, for anything else or a truncated file.
bool decodeBmp24(const unsigned char* data, std::size_t size, RgbPixels& image);

}  // namespace brisko
