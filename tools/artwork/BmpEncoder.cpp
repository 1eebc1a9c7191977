#include "BmpEncoder.h"

#include <fstream>

namespace brisko::artwork {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dpi

void put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  put16(out, value & 0xFFFFu);
  put16(out, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> encodeBmp24(const RgbImage& image) {
  const auto width = static_cast<std::uint32_t>(image.width());
  const auto height = static_cast<std::uint32_t>(image.height());
  const std::uint32_t stride = (width * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = stride * height;
  const std::uint32_t pixelOffset = kFileHeaderSize + kInfoHeaderSize;

  std::vector<std::uint8_t> out;
  out.reserve(pixelOffset + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  put32(out, pixelOffset + pixelBytes);
  put32(out, 0);  // two reserved words
  put32(out, pixelOffset);

  put32(out, kInfoHeaderSize);
  put32(out, width);
  put32(out, height);  // positive: bottom-up
  put16(out, 1);       // planes
  put16(out, 24);      // bits per pixel
  put32(out, 0);       // BI_RGB
  put32(out, pixelBytes);
  put32(out, kPixelsPerMetre);
  put32(out, kPixelsPerMetre);
  put32(out, 0);  // colours used
  put32(out, 0);  // important colours

  for (int y = image.height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.width(); ++x) {
      const Rgb pixel = image.at(x, y);
      out.push_back(pixel.b);
      out.push_back(pixel.g);
      out.push_back(pixel.r);
    }
    for (std::uint32_t pad = width * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

bool writeBinaryFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace brisko::artwork
