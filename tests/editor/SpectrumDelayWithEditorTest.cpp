#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "editor/SpectrumDelayEditor.h"
#include "effect/SpectrumDelayWithEditor.h"
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

}  // namespace
}  // namespace brisko
