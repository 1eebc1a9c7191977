#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/HostInterface.h"

namespace brisko {

class EditorBase;

// Module instance handle of the loaded library (set by the library entry on
// Windows); the editor needs it for its window class and bitmaps.
extern void* moduleHandle;
// Set by an effect that could not build its editor. Never cleared: from then
// on no effect is handed out in this process.
extern std::atomic<bool> constructionFailed;

// Owns the AEffect record the host drives and turns its five entries into
// virtual operations with harmless defaults. The virtual operations keep a
// fixed order; new ones go into derived classes.
class EffectBase {
 public:
  EffectBase(HostCallback host, int32_t programs, int32_t parameters);
  EffectBase(const EffectBase&) = delete;
  EffectBase& operator=(const EffectBase&) = delete;
  virtual ~EffectBase();

  virtual void storeParameter(int32_t index, float value);
  virtual float parameterValue(int32_t index);
  virtual void automateParameter(int32_t index, float value);
  virtual void processAdding(float** inputs, float** outputs, int32_t sampleFrames) = 0;
  virtual void processOverwriting(float** inputs, float** outputs, int32_t sampleFrames);
  virtual intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  virtual void onOpen() {}
  virtual void onClose() {}
  virtual int32_t currentProgram();
  virtual void selectProgram(int32_t program);
  virtual void renameProgram(const char* name);
  virtual void copyProgramName(char* text);
  virtual void copyParameterLabel(int32_t index, char* text);
  virtual void copyParameterDisplay(int32_t index, char* text);
  virtual void copyParameterName(int32_t index, char* text);
  virtual float meterLevel();
  virtual int32_t saveChunk(void** data, bool isPreset);
  virtual int32_t loadChunk(void* data, int32_t byteCount, bool isPreset);
  virtual void changeSampleRate(float sampleRate);
  virtual void changeBlockSize(int32_t blockSize);
  virtual void onSuspend() {}
  virtual void onResume() {}
  virtual void assignUniqueId(int32_t id);
  virtual void assignInputCount(int32_t count);
  virtual void assignOutputCount(int32_t count);
  virtual void declareVu(bool state);
  virtual void declareClip(bool state);
  virtual void declareMono(bool state);
  virtual void declareReplacing(bool state);
  virtual void declareChunks(bool state);
  virtual void assignRealtimeQualities(int32_t qualities);
  virtual void assignOfflineQualities(int32_t qualities);
  virtual void assignInitialDelay(int32_t samples);
  virtual float currentSampleRate();
  virtual int32_t currentBlockSize();
  virtual int32_t hostVersion();
  virtual int32_t hostCurrentId();
  virtual void hostIdle();
  virtual bool inputPinConnected(int32_t index);
  virtual bool outputPinConnected(int32_t index);
  virtual void decibelsToText(float gain, char* text);
  virtual void hertzToText(float samples, char* text);
  virtual void millisecondsToText(float samples, char* text);
  virtual void floatToText(float value, char* text);
  virtual void integerToText(int32_t value, char* text);

  AEffect* effectRecord() { return &record; }
  const AEffect* effectRecord() const { return &record; }
  // The effect behind a record, or null for a null record.
  static EffectBase* fromRecord(AEffect* effect);

  // Makes `newEditor` this effect's editor (owned from now on) and sets the
  // editor flag; an editor attached before is destroyed.
  void attachEditor(EditorBase* newEditor);
  // Forgets `gone` if it is this effect's editor (which is being destroyed).
  void detachEditor(const EditorBase* gone);
  EditorBase* attachedEditor() const { return editor; }
  HostCallback hostFunction() const { return hostCallback; }

  // Calls into the effect nest: the record's entries, and events of the
  // editor's window that arrive outside them. The host may close the effect
  // from inside any of them (from a callback the effect makes, or from one
  // its editor makes during a drag); the effect then answers nothing more,
  // calls the host no more, and is destroyed when the outermost call returns.
  // False, and nothing counted, once the effect is closed.
  bool enterCall();
  // The effect may be gone when this returns.
  void leaveCall();
  bool isClosed() const { return closed.load(); }

 protected:
  // Calls the host with this effect's record; 0 without a host.
  intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  void setFlag(int32_t flag, bool state);

  float rate = 44100.0f;
  EditorBase* editor = nullptr;
  HostCallback hostCallback;
  int32_t programCount;
  int32_t parameterCount;
  int32_t programIndex = 0;
  int32_t blockLength = 1024;
  AEffect record;

 private:
  // Calls under way on any thread, and whether the host has closed the effect.
  std::atomic<int32_t> activeCalls{0};
  std::atomic<bool> closed{false};

  static intptr_t BRISKO_VSTCALL dispatcherEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                                 void* ptr, float opt);
  static void BRISKO_VSTCALL processEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
  static void BRISKO_VSTCALL processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                                   int32_t sampleFrames);
  static void BRISKO_VSTCALL setParameterEntry(AEffect* effect, int32_t index, float value);
  static float BRISKO_VSTCALL getParameterEntry(AEffect* effect, int32_t index);
};

}  // namespace brisko
