#include "gui/cairo/BmpDecoder.h"

namespace brisko {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr uint32_t kUncompressed = 0;
// Larger images are not bitmaps this editor could use; the limit also keeps
// the size arithmetic far from overflow.
constexpr int64_t kMaxSide = 16384;

uint32_t readU16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }

uint32_t readU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

int32_t readS32(const unsigned char* p) { return static_cast<int32_t>(readU32(p)); }

}  // namespace

bool decodeBmp24(const unsigned char* data, std::size_t size, RgbPixels& image) {
  image = {};
  if (!data || size < kFileHeaderSize + kInfoHeaderSize) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t pixelOffset = readU32(data + 10);
  const unsigned char* info = data + kFileHeaderSize;
  if (readU32(info) < kInfoHeaderSize) return false;
  const int64_t width = readS32(info + 4);
  const int64_t signedHeight = readS32(info + 8);
  if (readU16(info + 12) != 1 || readU16(info + 14) != 24 || readU32(info + 16) != kUncompressed) return false;

  // A negative height stores the top row first.
  const bool topDown = signedHeight < 0;
  const int64_t height = topDown ? -signedHeight : signedHeight;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  if (pixelOffset > size || (size - pixelOffset) / stride < static_cast<std::size_t>(height)) return false;

  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.pixels.resize(static_cast<std::size_t>(width * height));
  for (int64_t y = 0; y < height; ++y) {
    const int64_t storedRow = topDown ? y : height - 1 - y;
    const unsigned char* row = data + pixelOffset + static_cast<std::size_t>(storedRow) * stride;
    uint32_t* out = image.pixels.data() + static_cast<std::size_t>(y * width);
    for (int64_t x = 0; x < width; ++x) {
      const unsigned char* bgr = row + x * 3;
      out[x] = (static_cast<uint32_t>(bgr[2]) << 16) | (static_cast<uint32_t>(bgr[1]) << 8) | bgr[0];
    }
  }
  return true;
}

}  // namespace brisko
