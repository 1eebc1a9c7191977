// The editor's bitmaps built into non-Windows builds, which have no module
// resources. Each entry holds a whole .bmp file, file header included.
#pragma once

#include <cstddef>

namespace brisko {

struct EmbeddedResource {
  int id;
  const unsigned char* data;
  std::size_t size;
};

// The bitmap with this resource id (see BitmapIds.h), or null.
const EmbeddedResource* findEmbeddedBitmap(int id);

}  // namespace brisko
