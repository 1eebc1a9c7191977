#pragma once

#include <cstdint>

namespace brisko {

// Face bits of DrawContext::setFont.
enum : int32_t { kFaceBold = 1, kFaceItalic = 2, kFaceUnderline = 4 };

constexpr int32_t kFontCount = 8;

// What a backend needs to create the font of a setFont call.
struct FontSpec {
  int32_t height;    // character height in pixels
  const char* face;  // "Arial" or "Symbol"
  bool bold;
  bool italic;
  bool underline;
  bool decorative;  // decorative family instead of the variable-pitch Swiss one
};

// The font of setFont(fontId, size, face): an id outside 0 to 7 becomes 0,
// size 0 (or less) takes the table height, font 0 is always bold.
FontSpec resolveFont(int32_t fontId, int32_t size, int32_t face);

}  // namespace brisko
