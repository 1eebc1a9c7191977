#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/plugin/ProbeEffect.h"
#include "tests/plugin/TestHost.h"

namespace brisko {
namespace {

using testing::HostCall;
using testing::ProbeEffect;
using testing::TestHost;
using testing::TestHostScope;

char textBuffer[16];
VstFileSelect* const kSelect = reinterpret_cast<VstFileSelect*>(&textBuffer[1]);
VstOfflineTask* const kTask = reinterpret_cast<VstOfflineTask*>(&textBuffer[2]);
VstAudioFile* const kFiles = reinterpret_cast<VstAudioFile*>(&textBuffer[3]);
VstWindow* const kWindow = reinterpret_cast<VstWindow*>(&textBuffer[4]);

// One wrapper: how to call it, what it must send, and its answer read as an
// integer when the host answers `answer` and when there is no host.
struct Service {
  std::string name;
  std::function<intptr_t(ProbeEffect&)> call;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  const void* ptr;
  float opt;
  intptr_t answer;        // what the host answers
  intptr_t withHost;      // the wrapper's answer then
  intptr_t withoutHost;   // the wrapper's answer without a host
};

intptr_t asInt(bool state) { return state ? 1 : 0; }
intptr_t asInt(const void* pointer) { return reinterpret_cast<intptr_t>(pointer); }

std::vector<Service> services() {
  const intptr_t somewhere = asInt(&textBuffer[8]);
  return {
      {"hostVersion", [](ProbeEffect& e) { return e.hostVersion(); }, audioMasterVersion, 0, 0, nullptr, 0, 2400, 2400, 1},
      {"hostCurrentId", [](ProbeEffect& e) { return e.hostCurrentId(); }, audioMasterCurrentId, 0, 0, nullptr, 0, 9, 9, 0},
      {"hostIdle", [](ProbeEffect& e) { e.hostIdle(); return intptr_t{0}; }, audioMasterIdle, 0, 0, nullptr, 0, 1, 0, 0},
      {"inputPinConnected", [](ProbeEffect& e) { return asInt(e.inputPinConnected(3)); }, audioMasterPinConnected, 3, 0, nullptr, 0, 1, 0, 1},
      {"outputPinConnected", [](ProbeEffect& e) { return asInt(e.outputPinConnected(4)); }, audioMasterPinConnected, 4, 1, nullptr, 0, 0, 1, 1},
      {"hostWantEvents", [](ProbeEffect& e) { e.hostWantEvents(7); return intptr_t{0}; }, audioMasterWantMidi, 0, 7, nullptr, 0, 1, 0, 0},
      {"hostTimeInfo", [](ProbeEffect& e) { return asInt(e.hostTimeInfo(0x2E00)); }, audioMasterGetTime, 0, 0x2E00, nullptr, 0, somewhere, somewhere, 0},
      {"hostTempoAt", [](ProbeEffect& e) { return e.hostTempoAt(512); }, audioMasterTempoAt, 0, 512, nullptr, 0, 1200000, 1200000, 0},
      {"hostAutomatableCount", [](ProbeEffect& e) { return e.hostAutomatableCount(); }, audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0, 5, 5, 0},
      {"hostParameterQuantization", [](ProbeEffect& e) { return e.hostParameterQuantization(); }, audioMasterGetParameterQuantization, 0, 0, nullptr, 0, 100, 100, 0},
      {"hostIoChanged", [](ProbeEffect& e) { return asInt(e.hostIoChanged()); }, audioMasterIOChanged, 0, 0, nullptr, 0, -1, 1, 0},
      {"hostNeedIdle", [](ProbeEffect& e) { return asInt(e.hostNeedIdle()); }, audioMasterNeedIdle, 0, 0, nullptr, 0, 2, 1, 0},
      {"hostResizeWindow", [](ProbeEffect& e) { return asInt(e.hostResizeWindow(200, 300)); }, audioMasterSizeWindow, 200, 300, nullptr, 0, 1, 1, 0},
      {"hostInputLatency", [](ProbeEffect& e) { return e.hostInputLatency(); }, audioMasterGetInputLatency, 0, 0, nullptr, 0, 64, 64, 0},
      {"hostOutputLatency", [](ProbeEffect& e) { return e.hostOutputLatency(); }, audioMasterGetOutputLatency, 0, 0, nullptr, 0, 65, 65, 0},
      {"hostPreviousPlug", [](ProbeEffect& e) { return asInt(e.hostPreviousPlug(3)); }, audioMasterGetPreviousPlug, 0, 0, nullptr, 0, somewhere, somewhere, 0},
      {"hostNextPlug", [](ProbeEffect& e) { return asInt(e.hostNextPlug(3)); }, audioMasterGetNextPlug, 0, 0, nullptr, 0, somewhere, somewhere, 0},
      {"hostReplaceOrAccumulate", [](ProbeEffect& e) { return e.hostReplaceOrAccumulate(); }, audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0, 2, 2, 0},
      {"hostProcessLevel", [](ProbeEffect& e) { return e.hostProcessLevel(); }, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0, 2, 2, 0},
      {"hostAutomationState", [](ProbeEffect& e) { return e.hostAutomationState(); }, audioMasterGetAutomationState, 0, 0, nullptr, 0, 3, 3, 0},
      {"hostOfflineStart", [](ProbeEffect& e) { return asInt(e.hostOfflineStart(kFiles, 4, 2)); }, audioMasterOfflineStart, 2, 4, kFiles, 0, 1, 1, 0},
      {"hostOfflineRead", [](ProbeEffect& e) { return asInt(e.hostOfflineRead(kTask, 6, true)); }, audioMasterOfflineRead, 1, 6, kTask, 0, 0, 0, 0},
      {"hostOfflineWrite", [](ProbeEffect& e) { return asInt(e.hostOfflineWrite(kTask, 5)); }, audioMasterOfflineWrite, 0, 5, kTask, 0, 1, 1, 0},
      {"hostOfflinePass", [](ProbeEffect& e) { return e.hostOfflinePass(); }, audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0, 7, 1, 0},
      {"hostOfflineMetaPass", [](ProbeEffect& e) { return e.hostOfflineMetaPass(); }, audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0, -3, 1, 0},
      {"hostSetOutputRate", [](ProbeEffect& e) { e.hostSetOutputRate(96000.0f); return intptr_t{0}; }, audioMasterSetOutputSampleRate, 0, 0, nullptr, 96000.0f, 1, 0, 0},
      {"hostOutputArrangement", [](ProbeEffect& e) { return asInt(e.hostOutputArrangement()); }, audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0, somewhere, somewhere, 0},
      {"hostInputArrangement", [](ProbeEffect& e) { return asInt(e.hostInputArrangement()); }, audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0, somewhere, somewhere, 0},
      {"hostVendorText", [](ProbeEffect& e) { return asInt(e.hostVendorText(textBuffer)); }, audioMasterGetVendorString, 0, 0, textBuffer, 0, 1, 1, 0},
      {"hostProductText", [](ProbeEffect& e) { return asInt(e.hostProductText(textBuffer)); }, audioMasterGetProductString, 0, 0, textBuffer, 0, 0, 0, 0},
      {"hostVendorVersion", [](ProbeEffect& e) { return e.hostVendorVersion(); }, audioMasterGetVendorVersion, 0, 0, nullptr, 0, 1000, 1000, 0},
      {"hostVendorCall", [](ProbeEffect& e) { return e.hostVendorCall(1, 2, textBuffer, 3.5f); }, audioMasterVendorSpecific, 1, 2, textBuffer, 3.5f, -8, -8, 0},
      {"hostCapability", [](ProbeEffect& e) { return e.hostCapability("sizeWindow"); }, audioMasterCanDo, 0, 0, nullptr, 0, -1, -1, 0},
      {"hostLanguage", [](ProbeEffect& e) { return e.hostLanguage(); }, audioMasterGetLanguage, 0, 0, nullptr, 0, 2, 2, 0},
      {"hostOpenWindow", [](ProbeEffect& e) { return asInt(e.hostOpenWindow(kWindow)); }, audioMasterOpenWindow, 0, 0, kWindow, 0, somewhere, somewhere, 0},
      {"hostCloseWindow", [](ProbeEffect& e) { return asInt(e.hostCloseWindow(kWindow)); }, audioMasterCloseWindow, 0, 0, kWindow, 0, 1, 1, 0},
      {"hostDirectory", [](ProbeEffect& e) { return asInt(e.hostDirectory()); }, audioMasterGetDirectory, 0, 0, nullptr, 0, somewhere, somewhere, 0},
      {"hostRefreshDisplay", [](ProbeEffect& e) { return asInt(e.hostRefreshDisplay()); }, audioMasterUpdateDisplay, 0, 0, nullptr, 0, 1, 1, 0},
      {"hostBeginEdit", [](ProbeEffect& e) { return asInt(e.hostBeginEdit(5)); }, audioMasterBeginEdit, 5, 0, nullptr, 0, 1, 1, 0},
      {"hostEndEdit", [](ProbeEffect& e) { return asInt(e.hostEndEdit(5)); }, audioMasterEndEdit, 5, 0, nullptr, 0, 0, 0, 0},
      {"hostOpenFileSelector", [](ProbeEffect& e) { return asInt(e.hostOpenFileSelector(kSelect)); }, audioMasterOpenFileSelector, 0, 0, kSelect, 0, 1, 1, 0},
  };
}

TEST(HostServices, EachSendsItsOpcodeAndArgumentsAndReadsTheAnswer) {
  const TestHostScope scope;
  for (const Service& service : services()) {
    ProbeEffect effect(&TestHost::callback);
    TestHost::reset(service.answer);
    EXPECT_EQ(service.call(effect), service.withHost) << service.name;
    ASSERT_EQ(TestHost::calls.size(), 1u) << service.name;
    const HostCall& call = TestHost::calls[0];
    EXPECT_EQ(call.effect, effect.effectRecord()) << service.name;
    EXPECT_EQ(call.opcode, service.opcode) << service.name;
    EXPECT_EQ(call.index, service.index) << service.name;
    EXPECT_EQ(call.value, service.value) << service.name;
    if (service.opcode == audioMasterCanDo) {
      EXPECT_STREQ(static_cast<const char*>(call.ptr), "sizeWindow");
    } else {
      EXPECT_EQ(call.ptr, service.ptr) << service.name;
    }
    EXPECT_EQ(call.opt, service.opt) << service.name;
  }
}

TEST(HostServices, WithoutAHostNothingIsCalledAndEachAnswersItsDefault) {
  for (const Service& service : services()) {
    ProbeEffect effect(nullptr);
    EXPECT_EQ(service.call(effect), service.withoutHost) << service.name;
  }
}

TEST(HostServices, ReadingsOfTheAnswer) {
  const TestHostScope scope;
  ProbeEffect effect(&TestHost::callback);
  TestHost::answer = 0;
  EXPECT_EQ(effect.hostVersion(), 1);
  EXPECT_TRUE(effect.inputPinConnected(0));
  EXPECT_TRUE(effect.outputPinConnected(0));
  TestHost::answer = -1;
  EXPECT_FALSE(effect.inputPinConnected(0));
  EXPECT_TRUE(effect.hostBeginEdit(0));
  EXPECT_EQ(effect.hostCapability("x"), -1);
  TestHost::answer = 1;
  EXPECT_EQ(effect.hostCapability("x"), 1);
}

TEST(HostServices, OpeningAFileSelectorWithoutARecordCallsNothing) {
  const TestHostScope scope(1);
  ProbeEffect effect(&TestHost::callback);
  EXPECT_FALSE(effect.hostOpenFileSelector(nullptr));
  EXPECT_TRUE(TestHost::calls.empty());
}

TEST(HostServices, SampleRateAndBlockSizeAreTakenOnlyWhenPositive) {
  const TestHostScope scope;
  ProbeEffect effect(&TestHost::callback);
  TestHost::answer = 48000;
  EXPECT_EQ(effect.hostSampleRate(), 48000.0f);
  EXPECT_EQ(effect.storedRate(), 48000.0f);
  TestHost::answer = 0;
  EXPECT_EQ(effect.hostSampleRate(), 48000.0f);
  TestHost::answer = -1;
  EXPECT_EQ(effect.hostSampleRate(), 48000.0f);

  TestHost::answer = 256;
  EXPECT_EQ(effect.hostBlockSize(), 256);
  TestHost::answer = -5;
  EXPECT_EQ(effect.hostBlockSize(), 256);
  EXPECT_EQ(effect.storedBlockLength(), 256);
  // The effect's own change operations are bypassed.
  EXPECT_TRUE(effect.hooks.empty());

  ProbeEffect alone(nullptr);
  EXPECT_EQ(alone.hostSampleRate(), 44100.0f);
  EXPECT_EQ(alone.hostBlockSize(), 1024);
}

TEST(HostServices, AutomationStoresThenTellsTheHost) {
  const TestHostScope scope;
  ProbeEffect effect(&TestHost::callback);
  TestHost::respond = [&](const HostCall&) {
    EXPECT_EQ(effect.hooks.size(), 1u);  // stored before the host hears of it
    return intptr_t{0};
  };
  effect.automateParameter(3, 0.25f);
  ASSERT_EQ(effect.hooks, std::vector<std::string>{"storeParameter"});
  EXPECT_EQ(effect.lastIndex, 3);
  EXPECT_EQ(effect.lastFloat, 0.25f);
  ASSERT_EQ(TestHost::calls.size(), 1u);
  const HostCall& call = TestHost::calls[0];
  EXPECT_EQ(call.opcode, audioMasterAutomate);
  EXPECT_EQ(call.index, 3);
  EXPECT_EQ(call.value, 0);
  EXPECT_EQ(call.ptr, nullptr);
  EXPECT_EQ(call.opt, 0.25f);

  ProbeEffect alone(nullptr);
  alone.automateParameter(2, 0.5f);
  EXPECT_EQ(alone.lastFloat, 0.5f);
}

}  // namespace
}  // namespace brisko
