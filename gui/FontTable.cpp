#include "gui/FontTable.h"

namespace brisko {

namespace {

struct FontEntry {
  int32_t height;
  const char* face;
};

constexpr FontEntry kFonts[kFontCount] = {
    {12, "Arial"}, {18, "Arial"}, {14, "Arial"}, {12, "Arial"},
    {11, "Arial"}, {10, "Arial"}, {9, "Arial"},  {13, "Symbol"},
};

constexpr int32_t kSystemFont = 0;
constexpr int32_t kSymbolFont = 7;

}  // namespace

FontSpec resolveFont(int32_t fontId, int32_t size, int32_t face) {
  if (fontId < 0 || fontId >= kFontCount) fontId = kSystemFont;
  const FontEntry& entry = kFonts[fontId];
  return {size > 0 ? size : entry.height,
          entry.face,
          (face & kFaceBold) != 0 || fontId == kSystemFont,
          (face & kFaceItalic) != 0,
          (face & kFaceUnderline) != 0,
          fontId == kSymbolFont};
}

}  // namespace brisko
