#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "editor/SpectrumDelayEditor.h"
#include "gui/Frame.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "tests/editor/TestHost.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

using testing::HostRecorder;
using testing::ProbeEffect;
using Journal = std::vector<std::string>;

void* const kParent = reinterpret_cast<void*>(0x42);

class SpectrumDelayEditorTest : public ::testing::Test {
 protected:
  SpectrumDelayEditorTest() {
    host.reset();
    editor = new SpectrumDelayEditor(effect.get(), platform);
    // As the effect with editor does: every stored value goes to the editor.
    effect->onStore = [this](int32_t index, float value) { editor->parameterChanged(index, value); };
  }
  ~SpectrumDelayEditorTest() override {
    effect.reset();
    host.reset();
  }

  void setParameters(std::vector<float> values) {
    for (int32_t i = 0; i < 6; ++i) effect->storeParameter(i, values[static_cast<size_t>(i)]);
  }

  std::string shown(int32_t row) {
    char text[kDisplayTextSize];
    editor->display(row)->formatValue(text);
    return text;
  }

  Frame& frame() { return *editor->frame(); }

  void click(ButtonState buttons, Point where, std::vector<fakes::MouseStep> moves = {}) {
    moves.insert(moves.begin(), fakes::MouseStep{buttons, where});
    platform.mouse.script(moves);
    auto context = platform.windowContext();
    frame().onMouseDown(context.get(), where);
  }

  void firstPaint() {
    auto context = platform.windowContext();
    frame().drawRect(context.get(), {0, 0, 200, 300});
  }

  HostRecorder& host = HostRecorder::instance();
  fakes::FakePlatform platform;
  std::unique_ptr<ProbeEffect> effect = std::make_unique<ProbeEffect>();
  SpectrumDelayEditor* editor;  // owned by the effect
};

TEST_F(SpectrumDelayEditorTest, ReportsItsRectangleBeforeTheFirstOpen) {
  ERect* rect = nullptr;
  EXPECT_EQ(editor->queryRect(&rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 300);
  EXPECT_EQ(rect->right, 200);
  EXPECT_EQ(platform.liveBitmaps, 1);
}

TEST_F(SpectrumDelayEditorTest, OpenBuildsSixRowsFromTheEffectsValues) {
  setParameters({1.0f, 0.5f, 1.0f, 0.25f, 0.5f, 0.0f});
  EXPECT_EQ(editor->openEditor(kParent), 1);
  EXPECT_TRUE(editor->isEditorOpen());
  EXPECT_TRUE(editor->isRefreshPending());
  EXPECT_EQ(platform.windowsCreated, 1);
  ASSERT_EQ(frame().childCount(), 12);
  const Rect sliderRects[6] = {{20, 40, 179, 59},   {20, 77, 179, 96},   {20, 114, 179, 133},
                               {20, 151, 179, 170}, {20, 188, 179, 207}, {20, 225, 179, 244}};
  const Rect displayRects[6] = {{20, 59, 55, 73},   {20, 96, 55, 110},  {20, 133, 55, 147},
                                {20, 170, 55, 184}, {20, 207, 55, 221}, {20, 244, 55, 258}};
  for (int32_t row = 0; row < 6; ++row) {
    EXPECT_EQ(frame().childAt(row), editor->slider(row));
    EXPECT_EQ(frame().childAt(6 + row), editor->display(row));
    EXPECT_EQ(editor->slider(row)->viewRect(), sliderRects[row]);
    EXPECT_EQ(editor->display(row)->viewRect(), displayRects[row]);
    EXPECT_EQ(editor->slider(row)->getTag(), row);
    EXPECT_EQ(editor->slider(row)->getValue(), effect->parameterValue(row));
  }
  EXPECT_EQ(editor->slider(0)->handleSpanMin(), 1);
  EXPECT_EQ(editor->slider(0)->handleSpanMax(), 159);
  EXPECT_EQ(shown(0), "4.64");
  EXPECT_EQ(shown(1), "0.50");
  EXPECT_EQ(shown(2), "999.99");
  EXPECT_EQ(shown(3), "0.25");
  EXPECT_EQ(shown(4), "64.00");
  EXPECT_EQ(shown(5), "-1.00");
  // Background, body and handle; the sliders hold the body and handle.
  EXPECT_EQ(platform.liveBitmaps, 3);
  EXPECT_EQ(editor->slider(0)->getBackground()->referenceCount(), 6);
  EXPECT_EQ(editor->slider(0)->getHandle()->referenceCount(), 6);
}

TEST_F(SpectrumDelayEditorTest, CloseAndReopenShowsTheCurrentValues) {
  editor->openEditor(kParent);
  editor->closeEditor();
  EXPECT_FALSE(editor->isEditorOpen());
  EXPECT_EQ(editor->frame(), nullptr);
  EXPECT_EQ(editor->slider(0), nullptr);
  EXPECT_EQ(platform.windowsDestroyed, 1);
  EXPECT_EQ(platform.liveBitmaps, 1);

  // Changes while closed are only stored.
  editor->idleEditor();
  setParameters({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 1.0f});
  EXPECT_FALSE(editor->isRefreshPending());

  editor->openEditor(kParent);
  EXPECT_EQ(editor->slider(4)->getValue(), 0.5f);
  EXPECT_EQ(shown(5), "1.00");
  EXPECT_EQ(shown(1), "0.20");
  editor->closeEditor();
  editor->closeEditor();  // a second close is harmless
  EXPECT_EQ(platform.windowsDestroyed, 2);
}

TEST_F(SpectrumDelayEditorTest, ParameterChangesRereadTheEffectAndOnlyRequestARedraw) {
  editor->openEditor(kParent);
  editor->idleEditor();
  effect->onStore = nullptr;
  effect->storeParameter(3, 0.3f);
  editor->parameterChanged(3, 0.9f);  // the value argument is not used
  EXPECT_EQ(editor->slider(3)->getValue(), 0.3f);
  EXPECT_EQ(shown(3), "0.30");
  EXPECT_TRUE(editor->isRefreshPending());

  editor->idleEditor();
  editor->parameterChanged(7, 0.9f);
  EXPECT_TRUE(editor->isRefreshPending());
  editor->idleEditor();
  editor->parameterChanged(-1, 0.9f);
  EXPECT_TRUE(editor->isRefreshPending());

  for (float value : {0.0f, 0.5f, 1.0f}) {
    effect->storeParameter(5, value);
    editor->parameterChanged(5, value);
    EXPECT_EQ(shown(5), value == 0.0f ? "-1.00" : value == 0.5f ? "0.00" : "1.00");
  }
}

TEST_F(SpectrumDelayEditorTest, PaintsEverythingFirstThenOnlyChangedRowsAtIdle) {
  editor->openEditor(kParent);
  editor->idleEditor();
  EXPECT_TRUE(platform.screen.empty()) << "nothing is drawn before the window's first paint";

  firstPaint();
  ASSERT_EQ(platform.screen.front(), "bitmap 128 opaque 0,0,200,300 from 0,0");
  EXPECT_EQ(platform.screen[1], "copy buffer to 20,40,179,59 from 0,0");
  EXPECT_EQ(std::count(platform.screen.begin(), platform.screen.end(), "font 4 0 0"), 6);

  platform.screen.clear();
  editor->idleEditor();
  EXPECT_TRUE(platform.screen.empty());

  effect->storeParameter(1, 0.75f);
  editor->idleEditor();
  EXPECT_EQ(platform.screen.front(), "copy buffer to 20,77,179,96 from 0,0");
  EXPECT_EQ(platform.screen.back(), "text \"0.75\" 20,96,55,110 align 1");

  platform.screen.clear();
  editor->drawEditor(nullptr);
  EXPECT_EQ(platform.screen.front(), "bitmap 128 opaque 0,0,200,300 from 0,0");
}

TEST_F(SpectrumDelayEditorTest, DraggingASliderAutomatesItsParameterInsideAnEditGesture) {
  editor->openEditor(kParent);
  firstPaint();
  click(kLeftButton, {24, 50}, {{kLeftButton, {98, 50}}});
  // The idle pump runs between polls and calls the host's idle.
  EXPECT_EQ(host.calls,
            (Journal{"beginEdit 0", "idle", "automate 0 " + std::to_string(74.0f / 149.0f), "endEdit 0"}));
  EXPECT_EQ(effect->parameterValue(0), 74.0f / 149.0f);
  EXPECT_FLOAT_EQ(editor->display(0)->getValue(), 74.0f / 149.0f * 4.64f);
  EXPECT_FALSE(editor->slider(0)->isDirty()) << "redrawn in the change's context";
}

// The host may close the editor from any call the editor makes to it while a
// control is at work: its idle call from inside a drag, the automation, or
// the begin or end of the drag's edit gesture, and the automation of an
// arrow key or the wheel. The control's call ends on a live frame and closes
// its gesture; a frame whose close is pending takes no more clicks, keys or
// wheel, and goes at the next call from outside (idle, key, wheel, open).
TEST_F(SpectrumDelayEditorTest, HostClosingTheEditorFromInsideAControlNeverFreesItUnderTheCall) {
  for (const std::string trigger : {"beginEdit 0", "automate 0", "idle", "endEdit 0"}) {
    SCOPED_TRACE(trigger);
    host.reset();
    platform.fakeClock.now += 1000;  // the drag's first pump calls the host's idle
    ASSERT_EQ(editor->openEditor(kParent), 1);
    firstPaint();
    bool closed = false;
    auto closeAt = [&](const std::string& call) {
      if (closed || call.rfind(trigger, 0) != 0) return;
      closed = true;
      const int hidden = platform.windowsHidden;
      editor->closeEditor();
      EXPECT_EQ(platform.windowsHidden, hidden + 1) << "the closing frame's window stays on the screen";
      EXPECT_EQ(editor->openEditor(kParent), 0) << "no new frame while the old one is in use";
    };
    host.onEdit = closeAt;
    host.onIdle = [&] { closeAt("idle"); };
    click(kLeftButton, {98, 50}, {{kLeftButton, {120, 50}}, {kLeftButton, {140, 50}}});
    ASSERT_TRUE(closed);
    const auto at = std::find_if(host.calls.begin(), host.calls.end(),
                                 [&](const std::string& call) { return call.rfind(trigger, 0) == 0; });
    EXPECT_EQ(Journal(at + 1, host.calls.end()), trigger == "endEdit 0" ? Journal{} : Journal{"endEdit 0"})
        << "the drag stops at once and closes its gesture";
    ASSERT_NE(editor->frame(), nullptr);

    host.reset();
    click(kLeftButton, {98, 80}, {{kLeftButton, {120, 80}}});
    ASSERT_NE(editor->frame(), nullptr);
    if (trigger == "idle" || trigger == "endEdit 0") {
      editor->idleEditor();
    } else {
      VstKeyCode right{0, 13, 0};
      EXPECT_EQ(editor->keyPressed(right), -1);
    }
    EXPECT_TRUE(host.calls.empty()) << "the closing frame took input";
    EXPECT_EQ(editor->frame(), nullptr);
  }

  host.reset();
  ASSERT_EQ(editor->openEditor(kParent), 1);
  host.onEdit = [this](const std::string&) { editor->closeEditor(); };
  VstKeyCode right{0, 13, 0};
  EXPECT_EQ(editor->keyPressed(right), 1);
  EXPECT_EQ(editor->frame(), nullptr);
  ASSERT_EQ(editor->openEditor(kParent), 1);
  platform.cursor = {100, 160};
  EXPECT_TRUE(editor->wheelTurned(1.0f));
  EXPECT_EQ(editor->frame(), nullptr);
  EXPECT_EQ(host.calls, (Journal{"automate 5 0.100000", "automate 3 0.100000"}));
  EXPECT_EQ(editor->openEditor(kParent), 1);
}

// Values stored from another thread (the host's automation) while a control
// draws, or while the editor builds its rows, are on the screen after the
// next idle: a control records as drawn the value it drew.
TEST_F(SpectrumDelayEditorTest, ValuesStoredWhileControlsDrawOrTheEditorOpensAreShownAtTheNextIdle) {
  int buffers = 0;
  platform.onOffscreen = [&] {
    if (++buffers == 6) effect->storeParameter(0, 0.75f);  // sliders built, not yet open
  };
  ASSERT_EQ(editor->openEditor(kParent), 1);
  firstPaint();
  editor->idleEditor();
  EXPECT_EQ(editor->slider(0)->getValue(), 0.75f);
  const auto firstHandle = std::find_if(platform.buffers.begin(), platform.buffers.end(),
                                        [](const std::string& line) { return line.rfind("bitmap 130", 0) == 0; });
  ASSERT_NE(firstHandle, platform.buffers.end());
  EXPECT_EQ(*firstHandle, "bitmap 130 keyed 112,0,121,19 from 0,0") << "row 0 drawn at 0.75";

  effect->storeParameter(1, 0.1f);
  effect->storeParameter(3, 0.1f);
  platform.onDraw = [&](const std::string& line) {
    if (line == "copy buffer to 20,77,179,96 from 0,0") effect->storeParameter(1, 0.9f);
    if (line == "text \"0.10\" 20,170,55,184 align 1") effect->storeParameter(3, 0.9f);
  };
  editor->idleEditor();
  platform.onDraw = nullptr;
  EXPECT_TRUE(editor->slider(1)->isDirty());
  EXPECT_TRUE(editor->display(3)->isDirty());
  platform.buffers.clear();
  platform.screen.clear();
  editor->idleEditor();
  EXPECT_EQ(platform.buffers.back(), "bitmap 130 keyed 135,0,144,19 from 0,0");
  EXPECT_EQ(platform.screen.back(), "text \"0.90\" 20,170,55,184 align 1");
  for (int32_t row = 0; row < 6; ++row) {
    EXPECT_FALSE(editor->slider(row)->isDirty()) << row;
    EXPECT_FALSE(editor->display(row)->isDirty()) << row;
  }
}

TEST_F(SpectrumDelayEditorTest, ControlClickResetsTheRowToItsMiddle) {
  editor->openEditor(kParent);
  click(kLeftButton | kControlKey, {98, 120});
  EXPECT_EQ(host.calls, (Journal{"automate 2 0.500000"}));
  EXPECT_EQ(effect->parameterValue(2), 0.5f);
  EXPECT_EQ(editor->display(2)->getValue(), editor_layout::displayValue(2, 0.5f));
}

TEST_F(SpectrumDelayEditorTest, RoutesClicksKeysAndWheelLikeTheFrame) {
  editor->openEditor(kParent);
  // The shared edge of slider 0 and display 0 belongs to the display.
  click(kLeftButton, {30, 59});
  EXPECT_TRUE(host.calls.empty());

  // Without focus an arrow key reaches the last slider, "Dry/Wet".
  VstKeyCode right{0, 13, 0};
  EXPECT_EQ(editor->keyPressed(right), 1);
  EXPECT_FLOAT_EQ(effect->parameterValue(5), 0.1f);
  EXPECT_FLOAT_EQ(editor->display(5)->getValue(), -0.8f);

  // After a click on slider 1 the keys go there, until a click elsewhere.
  click(kLeftButton, {24, 80});
  EXPECT_EQ(frame().focusView(), editor->slider(1));
  editor->keyPressed(right);
  EXPECT_FLOAT_EQ(effect->parameterValue(1), 0.1f);
  click(kLeftButton, {5, 5});
  EXPECT_EQ(frame().focusView(), nullptr);

  // The wheel goes to the row under the cursor.
  platform.windowOrigin = {300, 400};
  platform.cursor = {300 + 100, 400 + 160};
  EXPECT_TRUE(editor->wheelTurned(1.0f));
  EXPECT_FLOAT_EQ(effect->parameterValue(3), 0.1f);
}

TEST_F(SpectrumDelayEditorTest, OpeningTwiceOrDestroyingWhileOpenLeavesNoWindowBehind) {
  editor->openEditor(kParent);
  editor->openEditor(kParent);
  EXPECT_EQ(platform.windowsCreated, 2);
  EXPECT_EQ(platform.windowsDestroyed, 1);
  effect.reset();
  EXPECT_EQ(platform.windowsDestroyed, 2);
  EXPECT_EQ(platform.liveBitmaps, 0);
  EXPECT_EQ(platform.oleInits, platform.oleUninits);
}

TEST(SpectrumDelayEditorWithoutBitmaps, LaysOutFromZeroSizes) {
  fakes::FakePlatform platform;
  platform.bitmapSizes.clear();
  auto effect = std::make_unique<ProbeEffect>();
  auto* editor = new SpectrumDelayEditor(effect.get(), platform);
  ERect* rect = nullptr;
  editor->queryRect(&rect);
  EXPECT_EQ(rect->right, 0);
  EXPECT_EQ(rect->bottom, 0);
  EXPECT_EQ(editor->openEditor(kParent), 1);
  EXPECT_EQ(editor->slider(0)->viewRect(), (Rect{20, 40, 20, 40}));
  auto context = platform.windowContext();
  editor->frame()->draw(context.get());
  editor->closeEditor();
}

}  // namespace
}  // namespace brisko
