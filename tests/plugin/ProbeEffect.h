#pragma once

// An effect that records which of its hooks the dispatcher reached, with
// which arguments, and counts its destructions.

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/EditorBase.h"
#include "plugin/ExtendedEffect.h"

namespace brisko::testing {

class ProbeEffect : public ExtendedEffect {
 public:
  static inline int destroyed = 0;
  // The hooks the last destroyed probe had seen.
  static inline std::vector<std::string> hooksAtDestruction;

  explicit ProbeEffect(HostCallback host = nullptr) : ExtendedEffect(host, 1, 6) {}
  ~ProbeEffect() override {
    ++destroyed;
    hooksAtDestruction = hooks;
  }

  static EffectBase* create(HostCallback host) { return new ProbeEffect(host); }

  void processAdding(float**, float**, int32_t) override { note("processAdding"); }

  std::vector<std::string> hooks;
  int32_t lastIndex = 0;
  intptr_t lastValue = 0;
  const void* lastPointer = nullptr;
  float lastFloat = 0.0f;
  bool lastFlag = false;
  float level = 0.0f;
  bool wantsKeys = false;

  // Public views of the protected base state.
  float storedRate() const { return rate; }
  int32_t storedBlockLength() const { return blockLength; }
  int32_t storedProgram() const { return programIndex; }
  EditorBase* storedEditor() const { return editor; }

  void storeParameter(int32_t index, float value) override {
    note("storeParameter");
    lastIndex = index;
    lastFloat = value;
  }
  void onOpen() override { note("onOpen"); }
  void onClose() override { note("onClose"); }
  void selectProgram(int32_t program) override {
    note("selectProgram");
    ExtendedEffect::selectProgram(program);
  }
  void copyParameterName(int32_t index, char* text) override {
    note("copyParameterName");
    lastIndex = index;
    lastPointer = text;
  }
  float meterLevel() override { return level; }
  int32_t saveChunk(void** data, bool isPreset) override {
    note("saveChunk");
    lastPointer = data;
    lastFlag = isPreset;
    return 77;
  }
  int32_t loadChunk(void* data, int32_t byteCount, bool isPreset) override {
    note("loadChunk");
    lastPointer = data;
    lastValue = byteCount;
    lastFlag = isPreset;
    return 78;
  }
  void changeSampleRate(float sampleRate) override {
    note("changeSampleRate");
    ExtendedEffect::changeSampleRate(sampleRate);
  }
  void changeBlockSize(int32_t blockSize) override {
    note("changeBlockSize");
    ExtendedEffect::changeBlockSize(blockSize);
  }
  void onSuspend() override { note("onSuspend"); }
  void onResume() override { note("onResume"); }
  void onInputConnection(int32_t index, bool connected) override {
    note("onInputConnection");
    lastIndex = index;
    lastFlag = connected;
  }
  bool copyProgramNameIndexed(int32_t category, int32_t index, char* text) override {
    note("copyProgramNameIndexed");
    lastValue = category;
    lastIndex = index;
    lastPointer = text;
    return true;
  }
  bool offlineNotice(VstAudioFile* files, int32_t count, bool start) override {
    note("offlineNotice");
    lastPointer = files;
    lastValue = count;
    lastFlag = start;
    return true;
  }
  bool acceptArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output) override {
    note("acceptArrangement");
    lastValue = reinterpret_cast<intptr_t>(input);
    lastPointer = output;
    return true;
  }
  bool applyBypass(bool bypass) override {
    note("applyBypass");
    lastFlag = bypass;
    return false;
  }
  intptr_t vendorCall(int32_t index, intptr_t value, void* ptr, float opt) override {
    note("vendorCall");
    lastIndex = index;
    lastValue = value;
    lastPointer = ptr;
    lastFloat = opt;
    return -5;
  }
  bool moveView(int32_t x, int32_t y) override {
    note("moveView");
    lastIndex = x;
    lastValue = y;
    return true;
  }
  bool needsKeys() override { return wantsKeys; }
  bool applyPanLaw(int32_t type, float value) override {
    note("applyPanLaw");
    lastValue = type;
    lastFloat = value;
    return true;
  }

 private:
  void note(const char* hook) { hooks.emplace_back(hook); }
};

// An editor that records the key records and modes it is given.
class ProbeEditor : public EditorBase {
 public:
  using EditorBase::EditorBase;
  static inline int destroyed = 0;
  ~ProbeEditor() override { ++destroyed; }

  int32_t keyPressed(VstKeyCode& key) override {
    lastKey = key;
    ++keys;
    return 1;
  }
  int32_t keyReleased(VstKeyCode& key) override {
    lastKey = key;
    ++keys;
    return 2;
  }
  int32_t chooseKnobMode(int32_t mode) override {
    lastMode = mode;
    return 1;
  }
  void idleEditor() override { ++idles; }
  void closeEditor() override { ++closes; }

  VstKeyCode lastKey{};
  int keys = 0;
  int32_t lastMode = -1;
  int idles = 0;
  int closes = 0;
};

}  // namespace brisko::testing
