#include "RgbImage.h"

namespace brisko::artwork {

RgbImage::RgbImage(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

}  // namespace brisko::artwork
