#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "tests/plugin/ProbeEffect.h"
#include "tests/plugin/TestHost.h"

namespace brisko {
namespace {

using testing::captureText;
using testing::ProbeEditor;
using testing::ProbeEffect;

class Dispatcher : public ::testing::Test {
 protected:
  intptr_t send(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    AEffect* record = effect.effectRecord();
    return record->dispatcher(record, opcode, index, value, ptr, opt);
  }
  ProbeEditor* attachEditor() {
    auto* editor = new ProbeEditor(&effect);
    effect.attachEditor(editor);
    return editor;
  }

  ProbeEffect effect;
  char buffer[64] = {};
};

TEST_F(Dispatcher, OpcodesOutsideTheTablesAnswerZeroAndCallNothing) {
  attachEditor();
  const int32_t outside[] = {77, 78, 100, 1000, std::numeric_limits<int32_t>::max(), -1, -2, -77,
                             std::numeric_limits<int32_t>::min()};
  for (int32_t opcode : outside) {
    EXPECT_EQ(send(opcode, 1, 1, buffer, 1.0f), 0) << opcode;
  }
  EXPECT_TRUE(effect.hooks.empty());
}

TEST_F(Dispatcher, BaseLayerRows) {
  EXPECT_EQ(send(effOpen), 0);
  EXPECT_EQ(send(effMainsChanged, 0, 0), 0);
  EXPECT_EQ(send(effMainsChanged, 0, 1), 0);
  EXPECT_EQ(send(effMainsChanged, 0, -7), 0);
  EXPECT_EQ(effect.hooks, (std::vector<std::string>{"onOpen", "onSuspend", "onResume", "onResume"}));

  EXPECT_EQ(send(effIdentify), 0x4E764566);
  EXPECT_EQ(send(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
  EXPECT_EQ(effect.storedRate(), 48000.0f);
  EXPECT_EQ(send(effSetBlockSize, 0, 512), 0);
  EXPECT_EQ(effect.storedBlockLength(), 512);

  EXPECT_EQ(send(effGetChunk, 1, 0, buffer), 77);
  EXPECT_EQ(effect.lastPointer, buffer);
  EXPECT_TRUE(effect.lastFlag);
  EXPECT_EQ(send(effSetChunk, 0, 40, buffer), 78);
  EXPECT_EQ(effect.lastValue, 40);
  EXPECT_FALSE(effect.lastFlag);

  effect.hooks.clear();
  EXPECT_EQ(send(effGetParamName, 4, 0, buffer), 0);
  EXPECT_EQ(effect.hooks, std::vector<std::string>{"copyParameterName"});
  EXPECT_EQ(effect.lastIndex, 4);
  EXPECT_EQ(effect.lastPointer, buffer);
}

TEST_F(Dispatcher, ProgramNumbersBelowTheCountReachTheEffect) {
  EXPECT_EQ(send(effSetProgram, 0, 1), 0);  // the count is 1
  EXPECT_TRUE(effect.hooks.empty());
  EXPECT_EQ(send(effSetProgram, 0, -3), 0);
  EXPECT_EQ(effect.hooks, std::vector<std::string>{"selectProgram"});
  EXPECT_EQ(send(effGetProgram), -3);
  EXPECT_EQ(send(effSetProgram, 0, 0), 0);
  EXPECT_EQ(send(effGetProgram), 0);
}

TEST_F(Dispatcher, BaseTextDefaultsWriteAnEmptyString) {
  for (int32_t opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay}) {
    const auto written = captureText([&](char* text) { send(opcode, 0, 0, text); });
    EXPECT_EQ(written.bytes, 1u) << opcode;
  }
  // The host's own text is its input and stays as it is.
  char name[] = "Mine";
  EXPECT_EQ(send(effSetProgramName, 0, 0, name), 0);
  EXPECT_STREQ(name, "Mine");
  // Null buffers are ignored.
  for (int32_t opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effSetProgramName}) {
    EXPECT_EQ(send(opcode), 0);
  }
}

TEST_F(Dispatcher, MeterLevelIsScaledAndTruncated) {
  EXPECT_EQ(send(effGetVu), 0);
  effect.level = 0.5f;
  EXPECT_EQ(send(effGetVu), 16383);
  effect.level = -0.5f;
  EXPECT_EQ(send(effGetVu), -16383);
  effect.level = 1.0f;
  EXPECT_EQ(send(effGetVu), 32767);
  effect.level = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(send(effGetVu), 0);
  effect.level = std::numeric_limits<float>::infinity();
  EXPECT_EQ(send(effGetVu), 0);
}

TEST_F(Dispatcher, EditorOpcodesWithoutAnEditorAnswerZero) {
  ERect* rect = reinterpret_cast<ERect*>(buffer);
  for (int32_t opcode : {effEditGetRect, effEditOpen, effEditClose, effEditIdle, effEditKeyDown, effEditKeyUp,
                         effSetEditKnobMode, effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep}) {
    EXPECT_EQ(send(opcode, 65, 1, &rect, 0.0f), 0) << opcode;
  }
  EXPECT_EQ(rect, reinterpret_cast<ERect*>(buffer));
}

TEST_F(Dispatcher, EditorOpcodesReachTheEditor) {
  ProbeEditor* editor = attachEditor();
  EXPECT_EQ(effect.effectRecord()->flags & effFlagsHasEditor, effFlagsHasEditor);
  EXPECT_EQ(effect.currentEditor(), editor);

  ERect* rect = reinterpret_cast<ERect*>(buffer);
  EXPECT_EQ(send(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);  // the base editor has no rectangle
  EXPECT_EQ(send(effEditGetRect), 0);
  int parent = 0;
  EXPECT_EQ(send(effEditOpen, 0, 0, &parent), 0);
  EXPECT_EQ(editor->parent(), &parent);
  send(effEditIdle);
  send(effEditClose);
  EXPECT_EQ(editor->idles, 1);
  EXPECT_EQ(editor->closes, 1);

  EXPECT_EQ(send(effEditKeyDown, 'a', 0x1234, nullptr, 258.9f), 1);
  EXPECT_EQ(editor->lastKey.character, 'a');
  EXPECT_EQ(editor->lastKey.virt, 0x34);
  EXPECT_EQ(editor->lastKey.modifier, 2);  // 258 truncated, low byte
  EXPECT_EQ(send(effEditKeyUp, 'b', 0, nullptr, std::numeric_limits<float>::quiet_NaN()), 2);
  EXPECT_EQ(editor->lastKey.character, 'b');
  EXPECT_EQ(editor->lastKey.modifier, 0);
  EXPECT_EQ(send(effSetEditKnobMode, 0, 2), 1);
  EXPECT_EQ(editor->lastMode, 2);
}

TEST_F(Dispatcher, BaseEditorDefaults) {
  EditorBase editor(&effect);
  VstKeyCode key{};
  EXPECT_EQ(editor.keyPressed(key), -1);
  EXPECT_EQ(editor.keyReleased(key), -1);
  EXPECT_EQ(editor.chooseKnobMode(3), 0);
  EXPECT_FALSE(editor.wheelTurned(1.0f));
  editor.requestRefresh();
  EXPECT_TRUE(editor.isRefreshPending());
  editor.idleEditor();
  EXPECT_FALSE(editor.isRefreshPending());
}

TEST_F(Dispatcher, ExtendedLayerDefaults) {
  struct Row {
    int32_t opcode;
    intptr_t answer;
  };
  const Row rows[] = {
      {effProcessEvents, 0},           {effCanBeAutomated, 1},       {effString2Parameter, 0},
      {effGetNumProgramCategories, 1}, {effCopyProgram, 0},          {effConnectOutput, 1},
      {effGetInputProperties, 0},      {effGetOutputProperties, 0},  {effGetPlugCategory, 0},
      {effGetCurrentPosition, 0},      {effGetDestinationBuffer, 0}, {effOfflinePrepare, 0},
      {effOfflineRun, 0},              {effProcessVarIo, 0},         {effGetEffectName, 0},
      {effGetErrorText, 0},            {effGetVendorString, 0},      {effGetProductString, 0},
      {effGetVendorVersion, 0},        {effCanDo, 0},                {effGetTailSize, 0},
      {effIdle, 0},                    {effGetIcon, 0},              {effGetParameterProperties, 0},
      {effKeysRequired, 1},            {effGetVstVersion, 2300},     {effGetMidiProgramName, 0},
      {effGetCurrentMidiProgram, -1},  {effGetMidiProgramCategory, 0}, {effHasMidiProgramsChanged, 0},
      {effGetMidiKeyName, 0},          {effBeginSetProgram, 0},      {effEndSetProgram, 0},
      {effShellGetNextPlugin, 0},      {effStartProcess, 0},         {effStopProcess, 0},
      {effBeginLoadBank, 0},           {effBeginLoadProgram, 0},
  };
  for (const Row& row : rows) {
    std::memset(buffer, 0x7f, sizeof buffer);
    EXPECT_EQ(send(row.opcode, 0, 0, buffer), row.answer) << row.opcode;
    EXPECT_EQ(buffer[0], 0x7f) << row.opcode << " wrote into the host's buffer";
  }
  for (const char* text : {"sendVstEvents", "receiveVstMidiEvent", "bypass", ""}) {
    EXPECT_EQ(send(effCanDo, 0, 0, const_cast<char*>(text)), 0) << text;
  }
  effect.wantsKeys = true;
  EXPECT_EQ(send(effKeysRequired), 0);
}

TEST_F(Dispatcher, ExtendedLayerPassesItsArguments) {
  EXPECT_EQ(send(effConnectInput, 2, 0), 1);
  EXPECT_EQ(effect.lastIndex, 2);
  EXPECT_FALSE(effect.lastFlag);
  EXPECT_EQ(send(effGetProgramNameIndexed, 3, 9, buffer), 1);
  EXPECT_EQ(effect.lastValue, 9);  // category
  EXPECT_EQ(effect.lastIndex, 3);
  EXPECT_EQ(send(effOfflineNotify, 1, 4, buffer), 1);
  EXPECT_EQ(effect.lastValue, 4);
  EXPECT_TRUE(effect.lastFlag);
  EXPECT_EQ(send(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&buffer[1]), &buffer[2]), 1);
  EXPECT_EQ(effect.lastValue, reinterpret_cast<intptr_t>(&buffer[1]));
  EXPECT_EQ(effect.lastPointer, &buffer[2]);
  EXPECT_EQ(send(effSetBypass, 0, 5), 0);
  EXPECT_TRUE(effect.lastFlag);
  EXPECT_EQ(send(effVendorSpecific, 11, 12, buffer, 1.5f), -5);
  EXPECT_EQ(effect.lastIndex, 11);
  EXPECT_EQ(effect.lastValue, 12);
  EXPECT_EQ(effect.lastFloat, 1.5f);
  EXPECT_EQ(send(effSetViewPosition, 30, 40), 1);
  EXPECT_EQ(effect.lastIndex, 30);
  EXPECT_EQ(effect.lastValue, 40);
  EXPECT_EQ(send(effSetPanLaw, 0, 1, nullptr, 0.5f), 1);
  EXPECT_EQ(effect.lastValue, 1);
  EXPECT_EQ(effect.lastFloat, 0.5f);
  EXPECT_EQ(send(effSetTotalSampleToProcess, 0, 123456), 123456);
  EXPECT_EQ(send(effSetTotalSampleToProcess, 0, -9), -9);

  effect.hooks.clear();
  EXPECT_EQ(send(effSetBlockSizeAndSampleRate, 0, 333, nullptr, 22050.0f), 1);
  EXPECT_EQ(effect.storedBlockLength(), 333);
  EXPECT_EQ(effect.storedRate(), 22050.0f);
  EXPECT_TRUE(effect.hooks.empty());  // both stored directly
}

TEST_F(Dispatcher, ReportingAnArrangementClearsBothSlots) {
  VstSpeakerArrangement* input = reinterpret_cast<VstSpeakerArrangement*>(buffer);
  VstSpeakerArrangement* output = input;
  EXPECT_EQ(send(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
  EXPECT_EQ(input, nullptr);
  EXPECT_EQ(output, nullptr);
  EXPECT_EQ(send(effGetSpeakerArrangement), 0);  // null slots are skipped
}

TEST_F(Dispatcher, CategoryFollowsTheSynthFlag) {
  effect.declareSynth(true);
  EXPECT_EQ(send(effGetPlugCategory), 2);
  effect.declareSynth(false);
  EXPECT_EQ(send(effGetPlugCategory), 0);
}

}  // namespace
}  // namespace brisko
