#pragma once

#include <cairo.h>

#include <cstdint>

#include "gui/DrawContext.h"
#include "gui/FontTable.h"
#include "gui/cairo/CairoSurface.h"

namespace brisko {

// A drawing context over a cairo image surface (RGB24 or ARGB32) with the
// pixel rules the views rely on: 1-pixel lines that leave out their end
// point, outlines that include the right and bottom lines, fills that leave
// out the left and top lines, plain and white-keyed block copies, and one line
// of text centred vertically. Lines, fills and copies are written straight to
// the pixels, so no edge is ever blended; only text goes through cairo.
//
// Every such context can be the source of copyTo, so it serves as the window
// context and as the back buffer alike. There is no pointer device: no
// buttons are down and the cursor is at the surface's top-left corner.
class CairoDrawContext : public OffscreenContext {
 public:
  // Takes a reference to `image`.
  explicit CairoDrawContext(cairo_surface_t* image);
  // A back buffer of its own, width by height, cleared to `background` the
  // way a new back buffer is: filled, then outlined, in that colour.
  CairoDrawContext(int32_t width, int32_t height, Color background);
  ~CairoDrawContext() override;

  void setLineStyle(int32_t style) override;
  void setFrameColor(Color color) override;
  void setFillColor(Color color) override;
  void setFontColor(Color color) override;
  void setFont(int32_t fontId, int32_t size, int32_t face) override;
  void moveTo(Point p) override;
  void lineTo(Point p) override;
  void frameRect(const Rect& rect) override;
  void fillRect(const Rect& rect) override;
  void drawString(const char* text, const Rect& rect, bool opaque, int32_t alignment) override;
  ButtonState buttonState() override { return 0; }
  Point mousePosition() override { return {}; }
  void copyTo(DrawContext& target, const Rect& rect, Point source) override;

  // Copies the rect-sized block at `source` of a 0xRRGGBB raster (`stride`
  // words per row) to `rect`; with `keyed`, pixels equal to `key` are left
  // out. Parts outside either image are skipped.
  void copyPixels(const uint32_t* pixels, int32_t width, int32_t height, int32_t stride, const Rect& rect,
                  Point source, bool keyed, uint32_t key);

  // Null when the surface could not be made.
  cairo_surface_t* surface() const { return image.get(); }

 protected:
  // Every operation reports the part of the image it may have changed,
  // clipped to the image, so a window context can copy only that.
  virtual void touched(const Rect& area) { static_cast<void>(area); }

 private:
  void touchClipped(const Rect& area);
  void plot(int32_t x, int32_t y, uint32_t rgb);
  void fillPixels(const Rect& area, uint32_t rgb);
  uint32_t* row(int32_t y) const;

  CairoSurfacePtr image;
  unsigned char* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;

  Color penColor = kWhite;
  Color brushColor = kBlack;
  Color textColor = kWhite;
  int32_t lineStyle = kLineSolid;
  // Position inside the dot pattern; carried across the segments of one pen.
  int32_t dashPhase = 0;
  FontSpec font;
  Point position;
};

}  // namespace brisko
