#pragma once

#include <cstdint>

#include "plugin/EffectBase.h"

namespace brisko {

// The effect base with the later opcodes: its dispatcher knows opcodes 25 to
// 76, and it adds the remaining host services and the optional plug-in hooks,
// each with a harmless default. The virtual operations keep a fixed order.
class ExtendedEffect : public EffectBase {
 public:
  using EffectBase::EffectBase;

  intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

  virtual EditorBase* currentEditor();
  virtual void hostWantEvents(int32_t filter);
  virtual VstTimeInfo* hostTimeInfo(int32_t filter);
  virtual int32_t hostTempoAt(int32_t position);
  virtual int32_t takeEvents(VstEvents* events);
  virtual int32_t hostAutomatableCount();
  virtual int32_t hostParameterQuantization();
  virtual bool isAutomatable(int32_t index);
  virtual bool textToParameter(int32_t index, char* text);
  virtual float channelParameter(int32_t channel, int32_t index);
  virtual int32_t programCategoryCount();
  virtual bool copyProgramNameIndexed(int32_t category, int32_t index, char* text);
  virtual bool duplicateProgram(int32_t destination);
  virtual bool hostIoChanged();
  virtual bool hostNeedIdle();
  virtual bool hostResizeWindow(int32_t width, int32_t height);
  virtual float hostSampleRate();
  virtual int32_t hostBlockSize();
  virtual int32_t hostInputLatency();
  virtual int32_t hostOutputLatency();
  virtual AEffect* hostPreviousPlug(int32_t input);
  virtual AEffect* hostNextPlug(int32_t output);
  virtual void onInputConnection(int32_t index, bool connected);
  virtual void onOutputConnection(int32_t index, bool connected);
  virtual bool copyInputProperties(int32_t index, VstPinProperties* properties);
  virtual bool copyOutputProperties(int32_t index, VstPinProperties* properties);
  virtual int32_t pluginCategory();
  virtual int32_t hostReplaceOrAccumulate();
  virtual int32_t hostProcessLevel();
  virtual int32_t hostAutomationState();
  virtual void declareAsync(bool state);
  virtual void declareExternalBuffer(bool state);
  virtual int32_t currentPosition();
  virtual float* destinationBuffer();
  virtual bool hostOfflineRead(VstOfflineTask* task, int32_t option, bool readSource);
  virtual bool hostOfflineWrite(VstOfflineTask* task, int32_t option);
  virtual bool hostOfflineStart(VstAudioFile* files, int32_t count, int32_t newCount);
  virtual int32_t hostOfflinePass();
  virtual int32_t hostOfflineMetaPass();
  virtual bool offlineNotice(VstAudioFile* files, int32_t count, bool start);
  virtual bool offlinePrepareTasks(VstOfflineTask* tasks, int32_t count);
  virtual bool offlineRunTasks(VstOfflineTask* tasks, int32_t count);
  virtual int32_t offlinePassCount();
  virtual int32_t offlineMetaPassCount();
  virtual void hostSetOutputRate(float sampleRate);
  virtual VstSpeakerArrangement* hostInputArrangement();
  virtual VstSpeakerArrangement* hostOutputArrangement();
  virtual bool hostVendorText(char* text);
  virtual bool hostProductText(char* text);
  virtual int32_t hostVendorVersion();
  virtual intptr_t hostVendorCall(int32_t index, intptr_t value, void* ptr, float opt);
  virtual int32_t hostCapability(const char* text);
  virtual void declareSynth(bool state);
  virtual void declareNoTail(bool state);
  virtual int32_t hostLanguage();
  virtual void* hostOpenWindow(VstWindow* window);
  virtual bool hostCloseWindow(VstWindow* window);
  virtual void* hostDirectory();
  virtual bool hostRefreshDisplay();
  virtual bool processVariableBlock(VstVariableIo* block);
  virtual bool acceptArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
  virtual bool reportArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
  virtual void changeBlockSizeAndRate(int32_t blockSize, float sampleRate);
  virtual bool applyBypass(bool bypass);
  virtual bool copyEffectName(char* text);
  virtual bool copyErrorText(char* text);
  virtual bool copyVendorText(char* text);
  virtual bool copyProductText(char* text);
  virtual int32_t vendorVersion();
  virtual intptr_t vendorCall(int32_t index, intptr_t value, void* ptr, float opt);
  virtual int32_t answerCapability(const char* text);
  virtual void* iconData();
  virtual bool moveView(int32_t x, int32_t y);
  virtual int32_t tailSize();
  virtual int32_t idleTick();
  virtual bool copyParameterProperties(int32_t index, VstParameterProperties* properties);
  virtual bool needsKeys();
  virtual int32_t interfaceVersion();
  virtual int32_t copyMidiProgramName(int32_t channel, MidiProgramName* name);
  virtual int32_t copyCurrentMidiProgram(int32_t channel, MidiProgramName* name);
  virtual int32_t copyMidiProgramCategory(int32_t channel, MidiProgramCategory* category);
  virtual bool midiProgramsChanged(int32_t channel);
  virtual bool copyMidiKeyName(int32_t channel, MidiKeyName* keyName);
  virtual bool beginProgramChange();
  virtual bool endProgramChange();
  virtual bool hostBeginEdit(int32_t index);
  virtual bool hostEndEdit(int32_t index);
  virtual bool hostOpenFileSelector(VstFileSelect* select);
  virtual int32_t totalSamplesToProcess(int32_t samples);
  virtual int32_t nextShellPlugin(char* name);
  virtual int32_t startProcessing();
  virtual int32_t stopProcessing();
  virtual bool applyPanLaw(int32_t type, float value);
  virtual int32_t beginBankLoad(VstPatchChunkInfo* info);
  virtual int32_t beginProgramLoad(VstPatchChunkInfo* info);
  // Speaker arrangements made here hold exactly their channels' properties.
  virtual bool createArrangement(VstSpeakerArrangement** slot, int32_t channels);
  virtual bool releaseArrangement(VstSpeakerArrangement** slot);
  virtual bool copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from);
  virtual bool mirrorArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);
};

}  // namespace brisko
