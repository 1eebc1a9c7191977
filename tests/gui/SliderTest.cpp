#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "gui/Frame.h"
#include "gui/Slider.h"
#include "tests/gui/fakes/FakeEditor.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

using fakes::FakeEditor;
using fakes::FakeListener;
using fakes::FakePlatform;
using fakes::MouseStep;
using Journal = std::vector<std::string>;

constexpr int32_t kTag = 2;
constexpr int32_t kY = 50;

// One of the editor's sliders: body 159 x 19 at (20, 40), handle 9 x 19,
// positions 20 to 169, handle offset (1, 0).
class SliderTest : public ::testing::Test {
 protected:
  SliderTest() : frame({0, 0, 200, 300}, reinterpret_cast<NativeWindow>(1), &editor, platform) {
    Bitmap* body = platform.loadBitmap(129);
    Bitmap* handle = platform.loadBitmap(130);
    slider = new HorizontalSlider({20, 40, 179, 59}, &listener, kTag, 20, 169, handle, body, {0, 0});
    body->releaseReference();
    handle->releaseReference();
    slider->setHandleOffset({1, 0});
    frame.addView(slider);
    drawSlider();
  }

  void drawSlider() {
    auto context = platform.windowContext();
    slider->draw(context.get());
  }

  // Clicks with `buttons` at `where`, then holds the mouse through `moves`;
  // the button is released after the last one.
  void drag(ButtonState buttons, Point where, std::vector<MouseStep> moves = {}) {
    moves.insert(moves.begin(), MouseStep{buttons, where});
    platform.mouse.script(moves);
    auto context = platform.windowContext();
    frame.onMouseDown(context.get(), where);
  }

  std::vector<float> reportedValues() const {
    std::vector<float> values;
    for (const auto& change : listener.changes) values.push_back(change.value);
    return values;
  }

  FakePlatform platform;
  FakeEditor editor;
  FakeListener listener;
  Frame frame;
  HorizontalSlider* slider;
};

TEST_F(SliderTest, HandleGeometryFollowsTheValueWithinItsSpan) {
  EXPECT_EQ(slider->handleSpanMin(), 1);
  EXPECT_EQ(slider->handleSpanMax(), 159);
  EXPECT_EQ(slider->handleRect(), (Rect{1, 0, 10, 19}));
  slider->setValue(0.5f);
  EXPECT_EQ(slider->handleRect(), (Rect{75, 0, 84, 19}));
  slider->setValue(1.0f);
  EXPECT_EQ(slider->handleRect(), (Rect{150, 0, 159, 19}));
  // Unclamped or invalid values stay inside the buffer's integer range.
  slider->setValue(5.0f);
  EXPECT_EQ(slider->handleRect().right, 159);
  slider->setValue(-5.0f);
  EXPECT_EQ(slider->handleRect().left, 1);
  slider->setValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(slider->handleRect(), (Rect{1, 0, 10, 19}));
  slider->setValue(std::numeric_limits<float>::infinity());
  EXPECT_EQ(slider->handleRect().right, 159);
}

TEST_F(SliderTest, DrawsBodyAndKeyedHandleIntoItsBufferThenCopiesIt) {
  EXPECT_EQ(platform.buffers.front(), "offscreen 159x19 cleared 0,0,0");
  platform.buffers.clear();
  platform.screen.clear();
  slider->setValue(0.5f);
  EXPECT_TRUE(slider->isDirty());
  drawSlider();
  EXPECT_EQ(platform.buffers,
            (Journal{"bitmap 129 opaque 0,0,159,19 from 0,0", "bitmap 130 keyed 75,0,84,19 from 0,0"}));
  EXPECT_EQ(platform.screen, (Journal{"copy buffer to 20,40,179,59 from 0,0"}));
  EXPECT_FALSE(slider->isDirty());

  // Out of the frame the buffer is gone and nothing is drawn.
  slider->addReference();
  frame.removeView(slider, true);
  platform.screen.clear();
  slider->setValue(0.25f);
  drawSlider();
  EXPECT_TRUE(platform.screen.empty());
  slider->releaseReference();
}

TEST_F(SliderTest, FreeClickTracksTheCursorWithinTheRange) {
  drag(kLeftButton, {24, kY},
       {{kLeftButton, {98, kY}}, {kLeftButton, {10, kY}}, {kLeftButton, {300, kY}}, {kLeftButton, {173, kY}}});
  // x 24 is the value 0.0 the slider already had: nothing to report.
  EXPECT_EQ(reportedValues(), (std::vector<float>{74.0f / 149.0f, 0.0f, 1.0f}));
  EXPECT_TRUE(listener.changes.front().withContext);
  EXPECT_EQ(slider->getValue(), 1.0f);
  EXPECT_EQ(editor.events, (Journal{"begin 2", "end 2"}));
  EXPECT_EQ(frame.focusView(), slider);
  EXPECT_EQ(editor.pumps, 5) << "one idle pump per poll";
}

TEST_F(SliderTest, ShiftMovesFinelyAndReanchorsWithoutAJump) {
  drag(kLeftButton, {98, kY},
       {{kLeftButton | kShiftKey, {98, kY}},
        {kLeftButton | kShiftKey, {247, kY}},
        {kLeftButton, {120, kY}},
        {kLeftButton | kShiftKey, {120, kY}},
        {kLeftButton | kShiftKey, {269, kY}}});
  const std::vector<float> values = reportedValues();
  ASSERT_EQ(values.size(), 4u);
  EXPECT_FLOAT_EQ(values[0], 74.0f / 149.0f);
  // 149 pixels with shift move the value by a tenth.
  EXPECT_NEAR(values[1], 74.0f / 149.0f + 0.1f, 1e-6);
  EXPECT_FLOAT_EQ(values[2], 96.0f / 149.0f);
  // Pressing shift again anchors at the current value: no report, no jump.
  EXPECT_NEAR(values[3], 96.0f / 149.0f + 0.1f, 1e-6);
}

TEST_F(SliderTest, ControlClickResetsToTheDefaultWithoutAnEditGesture) {
  drag(kLeftButton | kControlKey, {98, kY});
  EXPECT_EQ(slider->getValue(), 0.5f);
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_EQ(listener.changes[0].tag, kTag);
  EXPECT_TRUE(editor.events.empty());
  EXPECT_EQ(editor.pumps, 0);

  // With shift as well it is an ordinary drag.
  listener.changes.clear();
  drag(kLeftButton | kControlKey | kShiftKey, {173, kY});
  EXPECT_EQ(editor.events, (Journal{"begin 2", "end 2"}));
  EXPECT_NEAR(slider->getValue(), 0.5f + (1.0f - 0.5f) / 10.0f, 1e-6);

  // Other buttons alone do nothing.
  editor.events.clear();
  drag(kRightButton, {173, kY});
  drag(kControlKey, {173, kY});
  EXPECT_TRUE(editor.events.empty());
}

TEST_F(SliderTest, WithoutFreeClickOnlyTheHandleCanBeGrabbedAndItDoesNotJump) {
  slider->setFreeClick(false);
  slider->setValue(0.5f);  // handle at x 95 to 104 in the frame
  drawSlider();
  drag(kLeftButton, {60, kY}, {{kLeftButton, {120, kY}}});
  EXPECT_TRUE(editor.events.empty());
  EXPECT_EQ(slider->getValue(), 0.5f);

  drag(kLeftButton, {100, kY}, {{kLeftButton, {110, kY}}});
  EXPECT_EQ(editor.events, (Journal{"begin 2", "end 2"}));
  EXPECT_EQ(reportedValues(), (std::vector<float>{74.0f / 149.0f, 84.0f / 149.0f}));
}

TEST_F(SliderTest, ArrowKeysStepByTheIncrementAndClamp) {
  VstKeyCode right{0, 13, 0};
  VstKeyCode shiftRight{0, 13, 1};
  VstKeyCode left{0, 11, 0};
  VstKeyCode down{0, 14, 0};
  VstKeyCode up{0, 12, 0};
  VstKeyCode other{'a', 0, 0};

  EXPECT_EQ(slider->onKeyDown(left), 1);
  EXPECT_EQ(slider->getValue(), 0.0f);
  EXPECT_TRUE(listener.changes.empty()) << "clamped back to the drawn value";

  EXPECT_EQ(slider->onKeyDown(right), 1);
  EXPECT_FLOAT_EQ(slider->getValue(), 0.1f);
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_FALSE(listener.changes[0].withContext);
  EXPECT_TRUE(slider->isDirty()) << "a key change waits for the next idle pass";

  slider->onKeyDown(shiftRight);
  EXPECT_NEAR(slider->getValue(), 0.11f, 1e-6);
  slider->onKeyDown(up);
  slider->onKeyDown(down);
  slider->onKeyDown(down);
  EXPECT_NEAR(slider->getValue(), 0.01f, 1e-6);
  EXPECT_EQ(slider->onKeyDown(other), -1);
  EXPECT_NEAR(slider->getValue(), 0.01f, 1e-6);
}

TEST_F(SliderTest, WheelStepsFinelyWithShiftAndIsIgnoredWhenDisabled) {
  auto context = platform.windowContext();
  EXPECT_TRUE(slider->onWheel(context.get(), {}, 2.0f));
  EXPECT_FLOAT_EQ(slider->getValue(), 0.2f);
  platform.mouse.script({{kShiftKey, {}}});
  slider->onWheel(context.get(), {}, -1.0f);
  EXPECT_NEAR(slider->getValue(), 0.19f, 1e-6);
  slider->onWheel(context.get(), {}, 100.0f);
  EXPECT_EQ(slider->getValue(), 1.0f);

  slider->setMouseEnabled(false);
  EXPECT_FALSE(slider->onWheel(context.get(), {}, -1.0f));
  EXPECT_EQ(slider->getValue(), 1.0f);
}

TEST(VerticalSlider, OriginAtTheBottomInvertsTheTrackedValue) {
  FakePlatform platform;
  FakeEditor editor;
  FakeListener listener;
  Frame frame({0, 0, 100, 200}, reinterpret_cast<NativeWindow>(1), &editor, platform);
  auto* slider = new Slider({0, 0, 19, 159}, &listener, 0, 0, 149, nullptr, nullptr, {0, 0},
                            kSliderVertical | kSliderOriginBottom);
  frame.addView(slider);
  // Without a handle bitmap the handle is 1 by 1 and the grab point is -1.
  platform.mouse.script({{kLeftButton, {5, 148}}, {kLeftButton, {5, -1}}, {kLeftButton, {5, 73}}});
  auto context = platform.windowContext();
  frame.onMouseDown(context.get(), {5, 148});
  ASSERT_EQ(listener.changes.size(), 3u);
  EXPECT_EQ(listener.changes[0].value, 0.0f);
  EXPECT_EQ(listener.changes[1].value, 1.0f);
  EXPECT_FLOAT_EQ(listener.changes[2].value, 1.0f - 74.0f / 149.0f);
  slider->setValue(1.0f);
  EXPECT_EQ(slider->handleRect(), (Rect{0, 0, 1, 1}));
}

}  // namespace
}  // namespace brisko
