#include "gui/ParamDisplay.h"

#include <cstdio>

#include "gui/Bitmap.h"

namespace brisko {

ParamDisplay::ParamDisplay(const Rect& size, Bitmap* bitmap, int32_t displayStyle)
    : Control(size, nullptr, 0, bitmap), style(displayStyle) {
  if (style & kDisplayNoDrawing) setDirty(false);
}

void ParamDisplay::formatValue(float shown, char (&text)[kDisplayTextSize]) const {
  text[0] = '\0';
  if (valueToText) {
    valueToText(shown, text, userData);
  } else if (simpleValueToText) {
    simpleValueToText(shown, text);
  } else {
    std::snprintf(text, kDisplayTextSize, "%2.2f", static_cast<double>(shown));
  }
  // A converter that filled the whole buffer still leaves a terminated text.
  text[kDisplayTextSize - 1] = '\0';
}

void ParamDisplay::draw(DrawContext* context) {
  if (!context) return;
  // One look at the value, which another thread may store to at any time.
  const float shown = loadValue();
  char text[kDisplayTextSize];
  formatValue(shown, text);
  markDrawn(shown);
  if (style & kDisplayNoDrawing) return;
  drawBackground(*context);
  if (!(style & kDisplayNoText)) drawText(*context, text);
}

void ParamDisplay::drawBackground(DrawContext& context) {
  const Rect& size = viewRect();
  const bool framed3D = (style & (kDisplay3DIn | kDisplay3DOut)) != 0;
  if (Bitmap* bitmap = getBackground()) {
    if (getTransparency()) {
      bitmap->drawTransparent(context, size, backgroundOffset);
    } else {
      bitmap->drawOpaque(context, size, backgroundOffset);
    }
  } else if (!getTransparency()) {
    context.setFillColor(backColor);
    context.fillRect(size);
    if (!framed3D) {
      context.setFrameColor(frameColor);
      context.frameRect(size);
    }
  }
  if (framed3D) {
    const bool sunken = (style & kDisplay3DIn) != 0;
    context.setFrameColor(sunken ? backColor : frameColor);
    context.moveTo({size.left, size.bottom});
    context.lineTo({size.left, size.top});
    context.lineTo({size.right + 1, size.top});
    context.setFrameColor(sunken ? frameColor : backColor);
    context.moveTo({size.right, size.top + 1});
    context.lineTo({size.right, size.bottom});
    context.lineTo({size.left, size.bottom});
  }
}

void ParamDisplay::drawText(DrawContext& context, const char* text) {
  const bool opaque = !textTransparency;
  context.setFont(fontId, 0, textFace);
  if (style & kDisplayShadowText) {
    context.setFontColor(shadowColor);
    context.drawString(text, viewRect().movedBy(1, 1), opaque, horizontalAlignment);
  }
  context.setFontColor(fontColor);
  context.drawString(text, viewRect(), opaque, horizontalAlignment);
}

void ParamDisplay::changeColor(Color& field, Color color) {
  const bool visible = !sameRgb(field, color);
  field = color;
  if (visible) setDirty(true);
}

void ParamDisplay::setFont(int32_t newFont) {
  if (fontId == newFont) return;
  fontId = newFont;
  setDirty(true);
}

void ParamDisplay::setFontColor(Color color) { changeColor(fontColor, color); }

void ParamDisplay::setBackColor(Color color) { changeColor(backColor, color); }

void ParamDisplay::setFrameColor(Color color) { changeColor(frameColor, color); }

void ParamDisplay::setShadowColor(Color color) { changeColor(shadowColor, color); }

void ParamDisplay::setHorizontalAlignment(int32_t alignment) {
  if (horizontalAlignment == alignment) return;
  horizontalAlignment = alignment;
  setDirty(true);
}

void ParamDisplay::setValueToText(ValueToText converter, void* data) {
  valueToText = converter;
  userData = data;
}

void ParamDisplay::setSimpleValueToText(SimpleValueToText converter) { simpleValueToText = converter; }

void ParamDisplay::setUserValue(intptr_t newValue) { userValue = newValue; }

void ParamDisplay::setStyle(int32_t newStyle) {
  if (style == newStyle) return;
  style = newStyle;
  setDirty(true);
}

void ParamDisplay::setTextFace(int32_t face) {
  if (textFace == face) return;
  textFace = face;
  setDirty(true);
}

void ParamDisplay::setTextTransparency(bool state) { textTransparency = state; }

}  // namespace brisko
