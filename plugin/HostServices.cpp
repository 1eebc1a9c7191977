// The effect's wrappers around the host callback: which host opcode each one
// sends, and how it reads the answer. Without a host no call is made and each
// answers its value for a missing host.
#include <cstdint>

#include "plugin/ExtendedEffect.h"

namespace brisko {

intptr_t EffectBase::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  // A host that has closed the effect may have forgotten it already.
  return hostCallback && !closed.load() ? hostCallback(&record, opcode, index, value, ptr, opt) : 0;
}

int32_t EffectBase::hostVersion() {
  const auto answer = static_cast<int32_t>(callHost(audioMasterVersion));
  return answer != 0 ? answer : 1;
}

int32_t EffectBase::hostCurrentId() { return static_cast<int32_t>(callHost(audioMasterCurrentId)); }

void EffectBase::hostIdle() { callHost(audioMasterIdle); }

// The host answers 0 for a connected pin.
bool EffectBase::inputPinConnected(int32_t index) { return callHost(audioMasterPinConnected, index, 0) == 0; }

bool EffectBase::outputPinConnected(int32_t index) { return callHost(audioMasterPinConnected, index, 1) == 0; }

void ExtendedEffect::hostWantEvents(int32_t filter) { callHost(audioMasterWantMidi, 0, filter); }

VstTimeInfo* ExtendedEffect::hostTimeInfo(int32_t filter) {
  return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

int32_t ExtendedEffect::hostTempoAt(int32_t position) {
  return static_cast<int32_t>(callHost(audioMasterTempoAt, 0, position));
}

int32_t ExtendedEffect::hostAutomatableCount() {
  return static_cast<int32_t>(callHost(audioMasterGetNumAutomatableParameters));
}

int32_t ExtendedEffect::hostParameterQuantization() {
  return static_cast<int32_t>(callHost(audioMasterGetParameterQuantization));
}

bool ExtendedEffect::hostIoChanged() { return callHost(audioMasterIOChanged) != 0; }

bool ExtendedEffect::hostNeedIdle() { return callHost(audioMasterNeedIdle) != 0; }

bool ExtendedEffect::hostResizeWindow(int32_t width, int32_t height) {
  return callHost(audioMasterSizeWindow, width, height) != 0;
}

// Rate and block size are taken over only when the host gives a usable value;
// the effect's change operations are not called.
float ExtendedEffect::hostSampleRate() {
  const intptr_t answer = callHost(audioMasterGetSampleRate);
  if (answer > 0) rate = static_cast<float>(answer);
  return rate;
}

int32_t ExtendedEffect::hostBlockSize() {
  const intptr_t answer = callHost(audioMasterGetBlockSize);
  if (answer > 0 && answer <= INT32_MAX) blockLength = static_cast<int32_t>(answer);
  return blockLength;
}

int32_t ExtendedEffect::hostInputLatency() { return static_cast<int32_t>(callHost(audioMasterGetInputLatency)); }

int32_t ExtendedEffect::hostOutputLatency() { return static_cast<int32_t>(callHost(audioMasterGetOutputLatency)); }

// The pin number is not part of the question.
AEffect* ExtendedEffect::hostPreviousPlug(int32_t) {
  return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* ExtendedEffect::hostNextPlug(int32_t) { return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug)); }

int32_t ExtendedEffect::hostReplaceOrAccumulate() {
  return static_cast<int32_t>(callHost(audioMasterWillReplaceOrAccumulate));
}

int32_t ExtendedEffect::hostProcessLevel() {
  return static_cast<int32_t>(callHost(audioMasterGetCurrentProcessLevel));
}

int32_t ExtendedEffect::hostAutomationState() {
  return static_cast<int32_t>(callHost(audioMasterGetAutomationState));
}

bool ExtendedEffect::hostOfflineRead(VstOfflineTask* task, int32_t option, bool readSource) {
  return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task) != 0;
}

bool ExtendedEffect::hostOfflineWrite(VstOfflineTask* task, int32_t option) {
  return callHost(audioMasterOfflineWrite, 0, option, task) != 0;
}

bool ExtendedEffect::hostOfflineStart(VstAudioFile* files, int32_t count, int32_t newCount) {
  return callHost(audioMasterOfflineStart, newCount, count, files) != 0;
}

int32_t ExtendedEffect::hostOfflinePass() { return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0; }

int32_t ExtendedEffect::hostOfflineMetaPass() { return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0; }

void ExtendedEffect::hostSetOutputRate(float sampleRate) {
  callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, sampleRate);
}

VstSpeakerArrangement* ExtendedEffect::hostInputArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* ExtendedEffect::hostOutputArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}

bool ExtendedEffect::hostVendorText(char* text) { return callHost(audioMasterGetVendorString, 0, 0, text) != 0; }

bool ExtendedEffect::hostProductText(char* text) { return callHost(audioMasterGetProductString, 0, 0, text) != 0; }

int32_t ExtendedEffect::hostVendorVersion() { return static_cast<int32_t>(callHost(audioMasterGetVendorVersion)); }

intptr_t ExtendedEffect::hostVendorCall(int32_t index, intptr_t value, void* ptr, float opt) {
  return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

// 1: the host can, -1: it cannot, 0: it does not know.
int32_t ExtendedEffect::hostCapability(const char* text) {
  return static_cast<int32_t>(callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)));
}

int32_t ExtendedEffect::hostLanguage() { return static_cast<int32_t>(callHost(audioMasterGetLanguage)); }

void* ExtendedEffect::hostOpenWindow(VstWindow* window) {
  return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool ExtendedEffect::hostCloseWindow(VstWindow* window) { return callHost(audioMasterCloseWindow, 0, 0, window) != 0; }

void* ExtendedEffect::hostDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }

bool ExtendedEffect::hostRefreshDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool ExtendedEffect::hostBeginEdit(int32_t index) { return callHost(audioMasterBeginEdit, index) != 0; }

bool ExtendedEffect::hostEndEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }

bool ExtendedEffect::hostOpenFileSelector(VstFileSelect* select) {
  return select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

}  // namespace brisko
