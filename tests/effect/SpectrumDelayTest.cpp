#include "effect/SpectrumDelay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "plugin/EffectFactory.h"
#include "tests/plugin/TestHost.h"

namespace brisko {
namespace {

using testing::captureText;
using testing::TestHost;
using testing::TestHostScope;
using testing::WrittenText;

class SpectrumDelayShell : public ::testing::Test {
 protected:
  void SetUp() override {
    record = createEffectRecord(&TestHost::callback, &SpectrumDelay::create);
    ASSERT_NE(record, nullptr);
  }
  void TearDown() override {
    if (record) {
      EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    }
  }

  intptr_t send(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
  }
  WrittenText text(int32_t opcode, int32_t index = 0, intptr_t* answer = nullptr) {
    return captureText([&](char* buffer) {
      const intptr_t result = send(opcode, index, 0, buffer);
      if (answer) *answer = result;
    });
  }

  TestHostScope host{2300};
  AEffect* record = nullptr;
};

TEST_F(SpectrumDelayShell, RecordShowsTheEffectsIdentity) {
  EXPECT_EQ(record->magic, 0x56737450);
  EXPECT_EQ(record->numPrograms, 1);
  EXPECT_EQ(record->numParams, 6);
  EXPECT_EQ(record->numInputs, 2);
  EXPECT_EQ(record->numOutputs, 2);
  EXPECT_EQ(record->flags, effFlagsCanMono | effFlagsCanReplacing);  // the editor adds its own flag
  EXPECT_EQ(record->uniqueID, 0x4252534B);
  EXPECT_EQ(record->version, 1);
  EXPECT_EQ(record->initialDelay, 0);
  EXPECT_EQ(record->ioRatio, 1.0f);
  EXPECT_EQ(record->resvd1, 0);
  EXPECT_EQ(record->resvd2, 0);
  EXPECT_EQ(record->realQualities, 0);
  EXPECT_EQ(record->offQualities, 0);
  EXPECT_EQ(record->user, nullptr);
  EXPECT_NE(dynamic_cast<SpectrumDelay*>(EffectBase::fromRecord(record)), nullptr);
  for (char c : record->future) EXPECT_EQ(c, 0);
}

TEST_F(SpectrumDelayShell, ParametersStartAtTheirDefaultsAndAreStoredUnclamped) {
  const float defaults[] = {0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 1.0f};
  for (int32_t i = 0; i < kNumParams; ++i) EXPECT_EQ(record->getParameter(record, i), defaults[i]) << i;

  record->setParameter(record, kParamFeedback, 1.5f);
  record->setParameter(record, kParamDryWet, -2.0f);
  record->setParameter(record, kParamDelayTime, 1e-30f);
  EXPECT_EQ(record->getParameter(record, kParamFeedback), 1.5f);
  EXPECT_EQ(record->getParameter(record, kParamDryWet), -2.0f);
  EXPECT_EQ(record->getParameter(record, kParamDelayTime), 1e-30f);
  record->setParameter(record, kParamModAmp, std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(std::isnan(record->getParameter(record, kParamModAmp)));
}

TEST_F(SpectrumDelayShell, IndicesOutsideTheParametersStoreNothingAndReadZero) {
  for (int32_t index : {-1, 6, 7, 1000, std::numeric_limits<int32_t>::min()}) {
    record->setParameter(record, index, 0.9f);
    EXPECT_EQ(record->getParameter(record, index), 0.0f) << index;
  }
  EXPECT_EQ(record->getParameter(record, kParamDryWet), 1.0f);
}

TEST_F(SpectrumDelayShell, ParameterNamesAreWrittenWhole) {
  const char* names[] = {"Delay time", "Feedback", "Modulation freq.", "Modulation amp.", "FFT Bin delay", "Dry/Wet"};
  for (int32_t i = 0; i < kNumParams; ++i) {
    const WrittenText written = text(effGetParamName, i);
    EXPECT_EQ(written.text, names[i]);
    EXPECT_EQ(written.bytes, std::strlen(names[i]) + 1);
  }
  EXPECT_EQ(text(effGetParamName, 2).bytes, 17u);
  for (int32_t index : {6, -1}) {
    const WrittenText written = text(effGetParamName, index);
    EXPECT_EQ(written.text, " no name ");
    EXPECT_EQ(written.bytes, 10u);
  }
}

TEST_F(SpectrumDelayShell, DisplaysShowTheNormalisedValueInEightCharacters) {
  EXPECT_EQ(text(effGetParamDisplay, kParamFeedback).text, "0.400000");
  EXPECT_EQ(text(effGetParamDisplay, kParamFeedback).bytes, 9u);
  EXPECT_EQ(text(effGetParamDisplay, kParamDryWet).text, "1.000000");
  EXPECT_EQ(text(effGetParamDisplay, kParamDelayTime).text, "0.000000");
  record->setParameter(record, kParamModFreq, 0.7f);
  EXPECT_EQ(text(effGetParamDisplay, kParamModFreq).text, "0.699999");
  record->setParameter(record, kParamModFreq, 3e9f);
  EXPECT_EQ(text(effGetParamDisplay, kParamModFreq).text, "Huge!");
  for (int32_t index : {6, -1}) EXPECT_EQ(text(effGetParamDisplay, index).bytes, 0u) << index;
}

TEST_F(SpectrumDelayShell, LabelsAreEmptyForParametersAndUntouchedOtherwise) {
  for (int32_t i = 0; i < kNumParams; ++i) EXPECT_EQ(text(effGetParamLabel, i).bytes, 1u) << i;
  for (int32_t index : {6, -1}) EXPECT_EQ(text(effGetParamLabel, index).bytes, 0u) << index;
}

TEST_F(SpectrumDelayShell, ProgramNameIsKeptAndCutToItsBuffer) {
  EXPECT_EQ(text(effGetProgramName).text, "Brisko");
  EXPECT_EQ(text(effGetProgramName).bytes, 7u);
  char name[] = "Ambient wash";
  EXPECT_EQ(send(effSetProgramName, 0, 0, name), 0);
  EXPECT_EQ(text(effGetProgramName).text, "Ambient wash");

  // A host's program-name buffer holds 24 characters and the terminator: a
  // longer name is cut to fit, and no call that reads it writes past that.
  const std::string longName(100, 'x');
  send(effSetProgramName, 0, 0, const_cast<char*>(longName.c_str()));
  const WrittenText written = text(effGetProgramName);
  EXPECT_EQ(written.text, std::string(24, 'x'));
  EXPECT_EQ(written.bytes, 25u);
  intptr_t answer = -1;
  const WrittenText indexed = captureText([&](char* buffer) { answer = send(effGetProgramNameIndexed, 0, 0, buffer); });
  EXPECT_LE(indexed.bytes, 25u);
  EXPECT_EQ(answer, 0);

  send(effSetProgramName);  // a missing name changes nothing
  EXPECT_EQ(text(effGetProgramName).text, std::string(24, 'x'));
  // Program changes leave the parameters alone.
  send(effSetProgram, 0, 0);
  EXPECT_EQ(record->getParameter(record, kParamFeedback), 0.4f);
}

TEST_F(SpectrumDelayShell, VendorProductAndVersionAnswers) {
  intptr_t answer = -1;
  WrittenText written = text(effGetVendorString, 0, &answer);
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(written.text, "Brisko Dynamic Spectrum Delay");
  EXPECT_EQ(written.bytes, 30u);
  written = text(effGetProductString, 0, &answer);
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(written.text, "Brisko");
  EXPECT_EQ(written.bytes, 7u);
  written = text(effGetEffectName, 0, &answer);
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(written.bytes, 0u);
  EXPECT_EQ(send(effGetVendorVersion), 0);
  EXPECT_EQ(send(effGetVstVersion), 2300);
  EXPECT_EQ(send(effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 0);
  EXPECT_EQ(send(effGetPlugCategory), 0);
}

TEST_F(SpectrumDelayShell, RateAndBlockSizeAnnouncementsReachOnlyTheBase) {
  auto* effect = static_cast<SpectrumDelay*>(EffectBase::fromRecord(record));
  send(effSetSampleRate, 0, 0, nullptr, 96000.0f);
  send(effSetBlockSize, 0, 64);
  EXPECT_EQ(effect->currentSampleRate(), 96000.0f);
  EXPECT_EQ(effect->currentBlockSize(), 64);
  EXPECT_EQ(effect->channel(0).oscillator().phaseStep, effect->channel(1).oscillator().phaseStep);
  SpectrumDelay reference(nullptr);
  EXPECT_EQ(effect->channel(0).oscillator().phaseStep, reference.channel(0).oscillator().phaseStep);
}

TEST(SpectrumDelayLifecycle, CloseRightAfterCreationAndAHostThatAnswersNoVersion) {
  const TestHostScope scope(2400);
  AEffect* record = createEffectRecord(&TestHost::callback, &SpectrumDelay::create);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);  // the leak checker sees the rest

  TestHost::answer = 0;
  EXPECT_EQ(createEffectRecord(&TestHost::callback, &SpectrumDelay::create), nullptr);
  ASSERT_EQ(TestHost::calls.size(), 2u);
  EXPECT_EQ(TestHost::calls[1].opcode, audioMasterVersion);
}

}  // namespace
}  // namespace brisko
