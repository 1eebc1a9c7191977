#pragma once

#include <cstdint>

#include "gui/Geometry.h"

namespace brisko {

// Horizontal text placement for drawString; anything else is left aligned.
enum : int32_t { kAlignCenter = 1, kAlignRight = 2 };

// Line styles for setLineStyle.
enum : int32_t { kLineSolid = 0, kLineDotted = 1 };

// A drawing surface valid for one paint, click or idle pass. Backends
// implement it over a window; views only use these operations. Coordinates
// are frame pixels.
class DrawContext {
 public:
  DrawContext() = default;
  DrawContext(const DrawContext&) = delete;
  DrawContext& operator=(const DrawContext&) = delete;
  virtual ~DrawContext() = default;

  virtual void setLineStyle(int32_t style) = 0;
  // Pen colour of lines and outlines.
  virtual void setFrameColor(Color color) = 0;
  // Brush colour of fills and opaque text backgrounds.
  virtual void setFillColor(Color color) = 0;
  virtual void setFontColor(Color color) = 0;
  // fontId as in FontTable.h; size 0 takes the table height; face bits
  // kFaceBold, kFaceItalic, kFaceUnderline.
  virtual void setFont(int32_t fontId, int32_t size, int32_t face) = 0;
  virtual void moveTo(Point p) = 0;
  virtual void lineTo(Point p) = 0;
  // Outline that includes the right and bottom lines.
  virtual void frameRect(const Rect& rect) = 0;
  // Fill of (left + 1, top + 1, right, bottom): left and top stay for the
  // outline.
  virtual void fillRect(const Rect& rect) = 0;
  // One line, vertically centred; a null text draws nothing.
  virtual void drawString(const char* text, const Rect& rect, bool opaque, int32_t alignment) = 0;
  // Mouse buttons and modifier keys right now.
  virtual ButtonState buttonState() = 0;
  // The cursor in frame coordinates right now.
  virtual Point mousePosition() = 0;
};

// A back buffer of fixed size whose (0, 0) corner maps to the target rectangle.
class OffscreenContext : public DrawContext {
 public:
  // Copies a rect-sized block from `source` into `target` at rect's top-left.
  virtual void copyTo(DrawContext& target, const Rect& rect, Point source) = 0;
};

}  // namespace brisko
