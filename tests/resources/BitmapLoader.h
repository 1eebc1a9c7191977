// Reads one of the editor's bitmaps the way the running plug-in gets it:
// from the module's resources on Windows, from the embedded files elsewhere.
// Checks the headers and gives access to the pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brisko::test {

struct Pixel {
  int r, g, b;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

class LoadedBitmap {
 public:
  int width = 0;
  int height = 0;
  // Top row first, whatever the order of the rows in the file.
  Pixel at(int x, int y) const;

  const std::uint8_t* pixels = nullptr;  // bottom-up rows, BGR
  std::size_t stride = 0;
};

// Parses a BITMAPINFOHEADER followed by its pixels; the error text names the
// first header field that is not that of a 24-bit bottom-up BI_RGB image.
std::optional<LoadedBitmap> parseDib(const std::uint8_t* info, std::size_t size, std::string& error);

// The bitmap resource with this id, or nothing with the reason in error.
std::optional<LoadedBitmap> loadBitmap(int id, std::string& error);

}  // namespace brisko::test
