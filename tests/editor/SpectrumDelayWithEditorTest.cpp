#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "editor/SpectrumDelayEditor.h"
#include "effect/SpectrumDelayWithEditor.h"
#include "gui/Frame.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "tests/editor/TestHost.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

using testing::HostRecorder;

class SpectrumDelayWithEditorTest : public ::testing::Test {
 protected:
  SpectrumDelayWithEditorTest() { host.reset(); }
  ~SpectrumDelayWithEditorTest() override {
    if (record) record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    host.reset();
  }

  intptr_t dispatch(int32_t opcode, void* ptr = nullptr, intptr_t value = 0) {
    return record->dispatcher(record, opcode, 0, value, ptr, 0.0f);
  }
  SpectrumDelayEditor& editor() {
    return *static_cast<SpectrumDelayEditor*>(EffectBase::fromRecord(record)->attachedEditor());
  }

  HostRecorder& host = HostRecorder::instance();
  fakes::FakePlatform platform;
  AEffect* record = (new SpectrumDelayWithEditor(&testing::recordingHost, platform))->effectRecord();
};

TEST_F(SpectrumDelayWithEditorTest, IdentifiesItselfAsTheEditorVersion) {
  char text[256];
  EXPECT_EQ(dispatch(effGetEffectName, text), 1);
  EXPECT_STREQ(text, "BriskoEditGUI");
  EXPECT_EQ(dispatch(effGetProductString, text), 1);
  EXPECT_STREQ(text, "BriskoEditGUI");
  dispatch(effGetVendorString, text);
  EXPECT_STREQ(text, "Brisko Dynamic Spectrum Delay");
  EXPECT_EQ(dispatch(effGetVendorVersion), 1000);
  EXPECT_EQ(record->flags, 25);
  EXPECT_EQ(record->uniqueID, fourCharCode("BRSK"));

  ERect* rect = nullptr;
  EXPECT_EQ(dispatch(effEditGetRect, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, 200);
  EXPECT_EQ(rect->bottom, 300);
}

TEST_F(SpectrumDelayWithEditorTest, HostChangesReachTheOpenEditorAndAreOnlyStoredWhileClosed) {
  record->setParameter(record, 4, 0.25f);
  EXPECT_EQ(record->getParameter(record, 4), 0.25f);
  EXPECT_FALSE(editor().isRefreshPending());

  dispatch(effEditOpen, reinterpret_cast<void*>(1));
  EXPECT_EQ(editor().slider(4)->getValue(), 0.25f);
  record->setParameter(record, 4, 0.5f);
  EXPECT_EQ(editor().slider(4)->getValue(), 0.5f);
  EXPECT_EQ(editor().display(4)->getValue(), 64.0f);
  EXPECT_TRUE(host.calls.empty()) << "host changes are not reported back";
  dispatch(effEditIdle);
  dispatch(effEditClose);
  EXPECT_EQ(platform.windowsDestroyed, 1);
}

TEST_F(SpectrumDelayWithEditorTest, AnEditorChangeIsAutomatedOnceAndShownInTheSameCall) {
  dispatch(effEditOpen, reinterpret_cast<void*>(1));
  record->setParameter(record, kParamDryWet, 0.5f);
  VstKeyCode right{0, 13, 0};
  EXPECT_EQ(editor().keyPressed(right), 1);
  EXPECT_EQ(host.count("automate 5"), 1);
  EXPECT_FLOAT_EQ(record->getParameter(record, kParamDryWet), 0.6f);
  EXPECT_FLOAT_EQ(editor().display(5)->getValue(), 0.2f);
}

// The host may close the whole effect from inside any call the effect makes
// to it: the edit gesture, automation or idle calls of a drag (handled inside
// the host's idle call as on X11, or as a window event outside the host's
// calls as on Windows), or the time query of a processing call. Until the
// outermost call returns the effect stays, answers nothing and calls the host
// no more; then it goes, with its editor, frame and window.
TEST_F(SpectrumDelayWithEditorTest, HostClosingTheEffectFromInsideItsCallsDestroysItWhenTheOutermostCallReturns) {
  dispatch(effClose);  // a close from outside destroys at once, as ever
  record = nullptr;
  EXPECT_EQ(platform.liveBitmaps, 0);

  AEffect* effect = nullptr;
  GuiEditor* gui = nullptr;
  bool closed = false;
  auto closeInside = [&] {
    closed = true;
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_GT(platform.liveBitmaps, 0) << "destroyed under the call";
    char text[64] = "unchanged";
    EXPECT_EQ(effect->dispatcher(effect, effGetVendorString, 0, 0, text, 0.0f), 0);
    EXPECT_STREQ(text, "unchanged");
    effect->setParameter(effect, 1, 0.9f);
    EXPECT_EQ(effect->getParameter(effect, 1), 0.0f);
    EXPECT_EQ(effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(gui->beginEvent()) << "a closed effect takes no more clicks";
    host.calls.push_back("closed");
  };
  auto drag = [&](Frame& frame) {
    platform.mouse.script({{kLeftButton, {98, 50}}, {kLeftButton, {120, 50}}, {kLeftButton, {140, 50}}});
    auto context = platform.windowContext();
    frame.onMouseDown(context.get(), {98, 50});
  };
  for (const std::string way : {"idle", "event"}) {
    for (const std::string trigger : {"beginEdit 0", "automate 0", "idle", "endEdit 0", "time"}) {
      if (trigger == "time" && way == "event") continue;
      SCOPED_TRACE(trigger + " (" + way + ")");
      host.reset();
      platform.fakeClock.now += 1000;  // the drag's first pump calls the host's idle
      closed = false;
      effect = (new SpectrumDelayWithEditor(&testing::recordingHost, platform))->effectRecord();
      gui = static_cast<GuiEditor*>(EffectBase::fromRecord(effect)->attachedEditor());
      auto closeAt = [&](const std::string& call) {
        if (!closed && call.rfind(trigger, 0) == 0) closeInside();
      };
      host.onEdit = closeAt;
      host.onIdle = [&] { closeAt("idle"); };
      host.onTime = [&] { closeAt("time"); };
      if (trigger == "time") {
        float channels[4][64] = {};
        float* inputs[2] = {channels[0], channels[1]};
        float* outputs[2] = {channels[2], channels[3]};
        effect->processReplacing(effect, inputs, outputs, 64);
      } else {
        ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(1), 0.0f), 1);
        if (way == "idle") {
          bool clicked = false;
          platform.onEvents = [&](Frame& frame) {
            if (clicked) return;  // the drag's own idle calls take events too
            clicked = true;
            drag(frame);
          };
          effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
          platform.onEvents = nullptr;
        } else {
          // As the window procedure handles a click.
          ASSERT_TRUE(gui->beginEvent());
          drag(*gui->frame());
          gui->endEvent();
        }
      }
      ASSERT_TRUE(closed);
      EXPECT_EQ(host.calls.back(), "closed") << "the host was called after it closed the effect";
      EXPECT_EQ(platform.liveBitmaps, 0) << "not destroyed when the outermost call returned";
      EXPECT_EQ(platform.oleInits, platform.oleUninits);
      EXPECT_EQ(platform.windowsCreated, platform.windowsDestroyed);
    }
  }
  host.reset();
}

}  // namespace
}  // namespace brisko
