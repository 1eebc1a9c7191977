#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gui/FontTable.h"
#include "gui/ParamDisplay.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

using fakes::FakePlatform;
using Journal = std::vector<std::string>;

const Rect kBox{20, 59, 55, 73};

class ParamDisplayTest : public ::testing::Test {
 protected:
  ~ParamDisplayTest() override {
    for (ParamDisplay* display : made) display->releaseReference();
  }

  ParamDisplay* make(int32_t style = 1) {
    made.push_back(new ParamDisplay(kBox, nullptr, style));
    return made.back();
  }

  Journal drawn(ParamDisplay* display) {
    platform.screen.clear();
    auto context = platform.windowContext();
    display->draw(context.get());
    return platform.screen;
  }

  std::string text(ParamDisplay* display) {
    char buffer[kDisplayTextSize];
    display->formatValue(buffer);
    return buffer;
  }

  FakePlatform platform;
  std::vector<ParamDisplay*> made;
};

TEST_F(ParamDisplayTest, ShowsTwoDecimalsByDefault) {
  ParamDisplay* display = make();
  const std::vector<std::pair<float, std::string>> cases = {
      {0.0f, "0.00"}, {999.99f, "999.99"}, {-1.0f, "-1.00"}, {4.64f, "4.64"}, {128.0f, "128.00"}};
  for (const auto& [value, expected] : cases) {
    display->setValue(value);
    EXPECT_EQ(text(display), expected);
  }
}

TEST_F(ParamDisplayTest, ConvertersTakePrecedenceOverTheDefaultFormat) {
  ParamDisplay* display = make();
  display->setValue(0.5f);
  display->setSimpleValueToText([](float value, char* out) { std::snprintf(out, 16, "s%.1f", double(value)); });
  EXPECT_EQ(text(display), "s0.5");
  static int marker = 0;
  display->setValueToText(
      [](float, char* out, void* data) { std::snprintf(out, 16, "%s", data == &marker ? "user" : "?"); }, &marker);
  EXPECT_EQ(text(display), "user");
}

TEST_F(ParamDisplayTest, DrawsABoxWithCentredTransparentText) {
  ParamDisplay* display = make();
  display->setFont(4);
  display->setValue(0.5f);
  EXPECT_EQ(drawn(display), (Journal{"fillColor 0,0,0", "fillRect 20,59,55,73", "frameColor 0,0,0",
                                     "frameRect 20,59,55,73", "font 4 0 0", "fontColor 255,255,255",
                                     "text \"0.50\" 20,59,55,73 align 1"}));
  EXPECT_FALSE(display->isDirty());
}

TEST_F(ParamDisplayTest, StyleBitsChangeWhatIsDrawn) {
  ParamDisplay* shadowed = make(kDisplayShadowText | kDisplayNoText);
  EXPECT_EQ(drawn(shadowed), (Journal{"fillColor 0,0,0", "fillRect 20,59,55,73", "frameColor 0,0,0",
                                      "frameRect 20,59,55,73"}));
  shadowed->setStyle(kDisplayShadowText);
  shadowed->setTextTransparency(false);
  shadowed->setHorizontalAlignment(kAlignRight);
  const Journal withShadow = drawn(shadowed);
  ASSERT_EQ(withShadow.size(), 9u);
  EXPECT_EQ(withShadow[5], "fontColor 255,0,0");
  EXPECT_EQ(withShadow[6], "text \"0.00\" 21,60,56,74 opaque align 2");
  EXPECT_EQ(withShadow[8], "text \"0.00\" 20,59,55,73 opaque align 2");

  ParamDisplay* sunken = make(kDisplay3DIn | kDisplayNoText);
  sunken->setFrameColor(kWhite);
  EXPECT_EQ(drawn(sunken), (Journal{"fillColor 0,0,0", "fillRect 20,59,55,73", "frameColor 0,0,0",
                                    "moveTo 20,73", "lineTo 20,59", "lineTo 56,59", "frameColor 255,255,255",
                                    "moveTo 55,60", "lineTo 55,73", "lineTo 20,73"}));

  // Transparent without a bitmap: no background at all.
  ParamDisplay* bare = make(kDisplayNoText);
  bare->setTransparency(true);
  EXPECT_TRUE(drawn(bare).empty());

  // With a background bitmap it replaces the box, keyed when transparent.
  Bitmap* bitmap = platform.loadBitmap(128);
  ParamDisplay* pictured = make(kDisplayNoText);
  pictured->setBackground(bitmap);
  pictured->copyBackgroundOffset();
  EXPECT_EQ(drawn(pictured), (Journal{"bitmap 128 opaque 20,59,55,73 from 20,59"}));
  pictured->setTransparency(true);
  EXPECT_EQ(drawn(pictured), (Journal{"bitmap 128 keyed 20,59,55,73 from 20,59"}));
  bitmap->releaseReference();
}

TEST_F(ParamDisplayTest, NoDrawingStyleStartsCleanAndDrawsNothing) {
  ParamDisplay* hidden = make(kDisplayNoDrawing);
  EXPECT_FALSE(hidden->isDirty());
  hidden->setValue(3.0f);
  EXPECT_TRUE(hidden->isDirty());
  EXPECT_TRUE(drawn(hidden).empty());
  EXPECT_FALSE(hidden->isDirty());
}

TEST_F(ParamDisplayTest, SettersMarkDirtyOnlyForVisibleChanges) {
  ParamDisplay* display = make();
  drawn(display);
  ASSERT_FALSE(display->isDirty());

  display->setFontColor({255, 255, 255, 9});
  display->setBackColor({0, 0, 0, 1});
  display->setFont(3);
  display->setHorizontalAlignment(kAlignCenter);
  display->setTextFace(0);
  display->setStyle(1);
  display->setTextTransparency(false);
  display->setUserValue(5);
  EXPECT_FALSE(display->isDirty());

  display->setShadowColor({254, 0, 0, 0});
  EXPECT_TRUE(display->isDirty());
  drawn(display);
  display->setFont(4);
  EXPECT_TRUE(display->isDirty());
  drawn(display);
  display->setTextFace(kFaceBold);
  EXPECT_TRUE(display->isDirty());
}

}  // namespace
}  // namespace brisko
