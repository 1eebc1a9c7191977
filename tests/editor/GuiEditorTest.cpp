#include <gtest/gtest.h>

#include <memory>

#include "plugin/EditorBase.h"
#include "tests/editor/TestHost.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

using testing::HostRecorder;
using testing::ProbeEffect;

class CountingEditor : public GuiEditor {
 public:
  using GuiEditor::GuiEditor;
  void refreshEditor() override { ++refreshes; }
  int refreshes = 0;
};

class GuiEditorTest : public ::testing::Test {
 protected:
  GuiEditorTest() {
    host.reset();
    platform.fakeClock.now = 1000;
    editor = new CountingEditor(effect.get(), platform);
  }
  ~GuiEditorTest() override { host.reset(); }

  HostRecorder& host = HostRecorder::instance();
  fakes::FakePlatform platform;
  std::unique_ptr<ProbeEffect> effect = std::make_unique<ProbeEffect>();
  CountingEditor* editor;  // owned by the effect
};

TEST_F(GuiEditorTest, AttachesToItsEffectAndBalancesOle) {
  EXPECT_EQ(effect->attachedEditor(), editor);
  EXPECT_TRUE(effect->effectRecord()->flags & effFlagsHasEditor);
  EXPECT_EQ(platform.oleInits, 1);
  effect.reset();
  EXPECT_EQ(platform.oleUninits, 1);
}

TEST_F(GuiEditorTest, WithoutAFrameKeysAndWheelAreNotHandled) {
  VstKeyCode key{0, 13, 0};
  EXPECT_EQ(editor->keyPressed(key), -1);
  EXPECT_EQ(editor->keyReleased(key), -1);
  EXPECT_FALSE(editor->wheelTurned(1.0f));
  EXPECT_EQ(editor->chooseKnobMode(0), 1);
  EXPECT_EQ(editor->chooseKnobMode(2), 1);
  ERect* rect = nullptr;
  EXPECT_EQ(editor->queryRect(&rect), 1);
  EXPECT_NE(rect, nullptr);
  editor->drawEditor(nullptr);
}

TEST_F(GuiEditorTest, ParameterChangesRefreshOnceAtTheNextIdle) {
  EXPECT_EQ(editor->openEditor(reinterpret_cast<void*>(1)), 0);
  EXPECT_EQ(editor->parent(), reinterpret_cast<void*>(1));
  EXPECT_TRUE(editor->isRefreshPending());
  editor->idleEditor();
  EXPECT_EQ(editor->refreshes, 1);
  editor->parameterChanged(3, 0.5f);
  editor->parameterChanged(99, 0.5f);
  editor->idleEditor();
  editor->idleEditor();
  EXPECT_EQ(editor->refreshes, 2);
}

TEST_F(GuiEditorTest, PumpRunsAtMostEveryFiftyMilliseconds) {
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 1);
  EXPECT_EQ(host.count("idle"), 1);
  EXPECT_TRUE(platform.fakeClock.sleeps.empty());

  // 10 ms later: one 4 ms sleep and nothing else.
  platform.fakeClock.now = 1010;
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 1);
  EXPECT_EQ(platform.fakeClock.sleeps, (std::vector<uint32_t>{4}));

  // 46 ms after the run the sleep brings it to 50 ms: the full work again,
  // and the next run is due 100 ms after the corrected time.
  platform.fakeClock.now = 1046;
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 2);
  EXPECT_EQ(host.count("idle"), 2);
  platform.fakeClock.now = 1050 + 45;
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 2);
  platform.fakeClock.now = 1050 + 46;
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 3);
}

// A coarse tick count (Windows' moves in steps of about 16 ms) does not move
// while the pump sleeps: the next run is scheduled from the corrected time,
// ahead of the reading, and a call at the same reading must still wait.
TEST_F(GuiEditorTest, PumpKeepsItsSpacingWithACoarseClock) {
  platform.fakeClock.coarse = true;
  editor->pumpIdle();
  platform.fakeClock.now = 1046;
  editor->pumpIdle();  // 50 ms after the first run once corrected: runs, next due at 1150
  EXPECT_EQ(platform.pump.paints, 2);
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 2) << "the clock has not moved since the last run";
  platform.fakeClock.now = 1062;
  editor->pumpIdle();
  platform.fakeClock.now = 1095;
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 2);
  platform.fakeClock.now = 1096;
  editor->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 3);
  EXPECT_EQ(host.count("idle"), 3);
}

TEST_F(GuiEditorTest, PumpKeepsItsSpacingAcrossTheTickCounterWrap) {
  effect.reset();
  platform.fakeClock.now = 0xFFFFFFF0u;
  auto wrapped = std::make_unique<ProbeEffect>();
  auto* pumped = new CountingEditor(wrapped.get(), platform);
  pumped->pumpIdle();  // next run due at 0x54 after the wrap
  platform.fakeClock.now = 0xFFFFFFFAu;
  pumped->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 1);
  platform.fakeClock.now = 0x30;  // 64 ms after the run
  pumped->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 2);
  // A pump after a very long pause runs at once.
  platform.fakeClock.now = 0x80000000u;
  platform.fakeClock.sleeps.clear();
  pumped->pumpIdle();
  EXPECT_EQ(platform.pump.paints, 3);
  EXPECT_TRUE(platform.fakeClock.sleeps.empty());
}

TEST_F(GuiEditorTest, TheHostsIdleCallInsideThePumpDoesNotReenter) {
  host.onIdle = [this] {
    editor->requestRefresh();
    editor->idleEditor();
  };
  editor->pumpIdle();
  EXPECT_EQ(editor->refreshes, 0);
  host.onIdle = nullptr;
  editor->idleEditor();
  EXPECT_EQ(editor->refreshes, 1);
}

TEST_F(GuiEditorTest, EditGesturesReachTheHost) {
  editor->beginEdit(4);
  editor->endEdit(4);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"beginEdit 4", "endEdit 4"}));
}

}  // namespace
}  // namespace brisko
