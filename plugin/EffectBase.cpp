#include "plugin/EffectBase.h"

#include <cstring>

#include "plugin/EditorBase.h"
#include "plugin/ValueText.h"

namespace brisko {

void* moduleHandle = nullptr;
std::atomic<bool> constructionFailed{false};

EffectBase::EffectBase(HostCallback host, int32_t programs, int32_t parameters)
    : hostCallback(host), programCount(programs), parameterCount(parameters) {
  std::memset(&record, 0, sizeof record);
  record.magic = kEffectMagic;
  record.dispatcher = &dispatcherEntry;
  record.process = &processEntry;
  record.setParameter = &setParameterEntry;
  record.getParameter = &getParameterEntry;
  record.numPrograms = programCount;
  record.numParams = parameterCount;
  record.numInputs = 1;
  record.numOutputs = 2;
  record.ioRatio = 1.0f;
  record.object = this;
  record.uniqueID = fourCharCode("NoEf");
  record.version = 1;
  record.processReplacing = &processReplacingEntry;
}

EffectBase::~EffectBase() { delete editor; }

EffectBase* EffectBase::fromRecord(AEffect* effect) {
  return effect ? static_cast<EffectBase*>(effect->object) : nullptr;
}

void EffectBase::attachEditor(EditorBase* newEditor) {
  if (editor != newEditor) delete editor;
  editor = newEditor;
  if (editor) setFlag(effFlagsHasEditor, true);
}

void EffectBase::detachEditor(const EditorBase* gone) {
  if (gone && editor == gone) editor = nullptr;
}

bool EffectBase::enterCall() {
  activeCalls.fetch_add(1);
  if (!closed.load()) return true;
  leaveCall();
  return false;
}

void EffectBase::leaveCall() {
  // The record lives inside the object: the host must not touch it again.
  if (activeCalls.fetch_sub(1) == 1 && closed.load()) delete this;
}

// Record entries. Nothing may throw across the host boundary, so each entry
// answers as "nothing done" if an operation throws.

intptr_t EffectBase::dispatcherEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                     float opt) {
  EffectBase* self = fromRecord(effect);
  if (!self || !self->enterCall()) return 0;
  intptr_t result = 0;
  try {
    result = self->dispatch(opcode, index, value, ptr, opt);
  } catch (...) {
    result = 0;
  }
  if (opcode == effClose) {
    self->closed.store(true);
    result = 1;
  }
  self->leaveCall();
  return result;
}

void EffectBase::processEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  EffectBase* self = fromRecord(effect);
  if (!self || !self->enterCall()) return;
  try {
    self->processAdding(inputs, outputs, sampleFrames);
  } catch (...) {
  }
  self->leaveCall();
}

void EffectBase::processReplacingEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  EffectBase* self = fromRecord(effect);
  if (!self || !self->enterCall()) return;
  try {
    self->processOverwriting(inputs, outputs, sampleFrames);
  } catch (...) {
  }
  self->leaveCall();
}

void EffectBase::setParameterEntry(AEffect* effect, int32_t index, float value) {
  EffectBase* self = fromRecord(effect);
  if (!self || !self->enterCall()) return;
  try {
    self->storeParameter(index, value);
  } catch (...) {
  }
  self->leaveCall();
}

float EffectBase::getParameterEntry(AEffect* effect, int32_t index) {
  EffectBase* self = fromRecord(effect);
  if (!self || !self->enterCall()) return 0.0f;
  float value = 0.0f;
  try {
    value = self->parameterValue(index);
  } catch (...) {
    value = 0.0f;
  }
  self->leaveCall();
  return value;
}

// Defaults of the virtual operations.

void EffectBase::storeParameter(int32_t, float) {}

float EffectBase::parameterValue(int32_t) { return 0.0f; }

void EffectBase::automateParameter(int32_t index, float value) {
  storeParameter(index, value);
  callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processOverwriting(float**, float**, int32_t) {}

int32_t EffectBase::currentProgram() { return programIndex; }

void EffectBase::selectProgram(int32_t program) { programIndex = program; }

// The host's text is its input: it is left as it is.
void EffectBase::renameProgram(const char*) {}

void EffectBase::copyProgramName(char* text) { copyText(text, ""); }

void EffectBase::copyParameterLabel(int32_t, char* text) { copyText(text, ""); }

void EffectBase::copyParameterDisplay(int32_t, char* text) { copyText(text, ""); }

void EffectBase::copyParameterName(int32_t, char* text) { copyText(text, ""); }

float EffectBase::meterLevel() { return 0.0f; }

int32_t EffectBase::saveChunk(void**, bool) { return 0; }

int32_t EffectBase::loadChunk(void*, int32_t, bool) { return 0; }

void EffectBase::changeSampleRate(float sampleRate) { rate = sampleRate; }

void EffectBase::changeBlockSize(int32_t blockSize) { blockLength = blockSize; }

void EffectBase::assignUniqueId(int32_t id) { record.uniqueID = id; }

void EffectBase::assignInputCount(int32_t count) { record.numInputs = count; }

void EffectBase::assignOutputCount(int32_t count) { record.numOutputs = count; }

void EffectBase::setFlag(int32_t flag, bool state) {
  if (state)
    record.flags |= flag;
  else
    record.flags &= ~flag;
}

void EffectBase::declareVu(bool state) { setFlag(effFlagsHasVu, state); }

void EffectBase::declareClip(bool state) { setFlag(effFlagsHasClip, state); }

void EffectBase::declareMono(bool state) { setFlag(effFlagsCanMono, state); }

void EffectBase::declareReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }

void EffectBase::declareChunks(bool state) { setFlag(effFlagsProgramChunks, state); }

void EffectBase::assignRealtimeQualities(int32_t qualities) { record.realQualities = qualities; }

void EffectBase::assignOfflineQualities(int32_t qualities) { record.offQualities = qualities; }

void EffectBase::assignInitialDelay(int32_t samples) { record.initialDelay = samples; }

float EffectBase::currentSampleRate() { return rate; }

int32_t EffectBase::currentBlockSize() { return blockLength; }

}  // namespace brisko
