#include "BitmapLoader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "resources/EmbeddedResources.h"
#endif

namespace brisko::test {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint32_t read16(const std::uint8_t* p) { return p[0] | (std::uint32_t{p[1]} << 8); }
std::uint32_t read32(const std::uint8_t* p) { return read16(p) | (read16(p + 2) << 16); }

#ifndef _WIN32
// A whole .bmp file: check the file header, then parse what follows it.
std::optional<LoadedBitmap> parseFile(const std::uint8_t* data, std::size_t size, std::string& error) {
  if (size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M') {
    error = "no BM file header";
    return std::nullopt;
  }
  if (read32(data + 2) != size) {
    error = "file size field " + std::to_string(read32(data + 2)) + " != " + std::to_string(size);
    return std::nullopt;
  }
  if (read32(data + 10) != kFileHeaderSize + kInfoHeaderSize) {
    error = "pixels do not follow the info header";
    return std::nullopt;
  }
  return parseDib(data + kFileHeaderSize, size - kFileHeaderSize, error);
}
#endif

}  // namespace

Pixel LoadedBitmap::at(int x, int y) const {
  const std::uint8_t* p = pixels + static_cast<std::size_t>(height - 1 - y) * stride + 3 * static_cast<std::size_t>(x);
  return {p[2], p[1], p[0]};
}

std::optional<LoadedBitmap> parseDib(const std::uint8_t* info, std::size_t size, std::string& error) {
  if (size < kInfoHeaderSize || read32(info) != kInfoHeaderSize) {
    error = "info header is not the 40-byte BITMAPINFOHEADER";
    return std::nullopt;
  }
  const auto width = static_cast<std::int32_t>(read32(info + 4));
  const auto height = static_cast<std::int32_t>(read32(info + 8));
  if (width <= 0 || height <= 0) {
    error = "not a bottom-up image of positive size";
    return std::nullopt;
  }
  if (read16(info + 12) != 1 || read16(info + 14) != 24 || read32(info + 16) != 0) {
    error = "not one plane of 24-bit BI_RGB pixels";
    return std::nullopt;
  }
  LoadedBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t pixelBytes = bitmap.stride * static_cast<std::size_t>(height);
  if (size - kInfoHeaderSize < pixelBytes) {
    error = "pixel data shorter than " + std::to_string(pixelBytes) + " bytes";
    return std::nullopt;
  }
  bitmap.pixels = info + kInfoHeaderSize;
  return bitmap;
}

std::optional<LoadedBitmap> loadBitmap(int id, std::string& error) {
#ifdef _WIN32
  // Resources of the program itself, which links the resource object.
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) {
    error = "no bitmap resource " + std::to_string(id);
    return std::nullopt;
  }
  return parseDib(static_cast<const std::uint8_t*>(data), SizeofResource(module, found), error);
#else
  const EmbeddedResource* resource = findEmbeddedBitmap(id);
  if (!resource) {
    error = "no embedded bitmap " + std::to_string(id);
    return std::nullopt;
  }
  return parseFile(resource->data, resource->size, error);
#endif
}

}  // namespace brisko::test
