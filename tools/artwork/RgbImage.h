// A plain 8-bit RGB raster, top row first: what the bitmap resources hold.
#pragma once

#include <cstdint>
#include <vector>

namespace brisko::artwork {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

class RgbImage {
 public:
  RgbImage(int width, int height, Rgb fill = {});

  int width() const { return width_; }
  int height() const { return height_; }
  Rgb at(int x, int y) const { return pixels_[index(x, y)]; }
  void set(int x, int y, Rgb colour) { pixels_[index(x, y)] = colour; }

 private:
  std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }

  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

}  // namespace brisko::artwork
