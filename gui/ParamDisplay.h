#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/Control.h"

namespace brisko {

// ParamDisplay style bits; other bits have no effect.
enum : int32_t {
  kDisplayShadowText = 0x4,
  kDisplay3DIn = 0x80,
  kDisplay3DOut = 0x100,
  kDisplayNoText = 0x800,
  kDisplayNoDrawing = 0x1000,
};

// Value-to-text converters. The buffer holds kDisplayTextSize characters.
using SimpleValueToText = void (*)(float value, char* text);
using ValueToText = void (*)(float value, char* text, void* userData);

constexpr size_t kDisplayTextSize = 256;

// Shows a control value as text ("%2.2f" unless a converter is set) over a
// filled, outlined box or a background bitmap. It never reports changes.
class ParamDisplay : public Control {
 public:
  ParamDisplay(const Rect& size, Bitmap* background = nullptr, int32_t style = 0);

  void draw(DrawContext* context) override;

  // The setters of appearance mark the display dirty only when something
  // visible changes; colours compare red, green and blue.
  virtual void setFont(int32_t fontId);
  virtual void setFontColor(Color color);
  virtual void setBackColor(Color color);
  virtual void setFrameColor(Color color);
  virtual void setShadowColor(Color color);
  virtual void setHorizontalAlignment(int32_t alignment);
  virtual void setValueToText(ValueToText converter, void* data);
  virtual void setSimpleValueToText(SimpleValueToText converter);
  virtual void setUserValue(intptr_t value);
  virtual void setStyle(int32_t newStyle);
  virtual void setTextFace(int32_t face);
  virtual void setTextTransparency(bool state);

  // The text draw() shows for the current value.
  void formatValue(char (&text)[kDisplayTextSize]) const { formatValue(loadValue(), text); }
  void formatValue(float shown, char (&text)[kDisplayTextSize]) const;

 private:
  void drawBackground(DrawContext& context);
  void drawText(DrawContext& context, const char* text);
  void changeColor(Color& field, Color color);

  SimpleValueToText simpleValueToText = nullptr;
  ValueToText valueToText = nullptr;
  intptr_t userValue = 0;
  void* userData = nullptr;
  int32_t horizontalAlignment = kAlignCenter;
  int32_t style;
  int32_t fontId = 3;
  int32_t textFace = 0;
  Color fontColor = kWhite;
  Color backColor = kBlack;
  Color frameColor = kBlack;
  Color shadowColor = kRed;
  bool textTransparency = true;
};

}  // namespace brisko
