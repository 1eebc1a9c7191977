// The two dispatcher layers: each host opcode becomes one virtual operation of
// the effect or of its editor, and the operation's answer becomes the integer
// the host receives.
#include <cmath>
#include <cstdint>

#include "plugin/EditorBase.h"
#include "plugin/ExtendedEffect.h"

namespace brisko {
namespace {

// Host values carry 32-bit quantities in a pointer-wide field.
int32_t narrow(intptr_t value) { return static_cast<int32_t>(value); }

// Float to integer by truncation toward zero; 0 where the conversion would
// be undefined (NaN, infinities, beyond 32 bits).
int32_t truncated(double value) {
  return (value > -2147483649.0 && value < 2147483648.0) ? static_cast<int32_t>(value) : 0;
}

intptr_t answer(bool state) { return state ? 1 : 0; }

char* text(void* ptr) { return static_cast<char*>(ptr); }

}  // namespace

intptr_t EffectBase::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  // Unsigned, so negative opcodes fall outside too.
  if (static_cast<uint32_t>(opcode) > static_cast<uint32_t>(effSetChunk)) return 0;
  switch (opcode) {
    case effOpen:
      onOpen();
      return 0;
    case effClose:
      onClose();
      return 0;
    case effSetProgram:
      if (value < programCount) selectProgram(narrow(value));
      return 0;
    case effGetProgram:
      return currentProgram();
    case effSetProgramName:
      renameProgram(static_cast<const char*>(ptr));
      return 0;
    case effGetProgramName:
      copyProgramName(text(ptr));
      return 0;
    case effGetParamLabel:
      copyParameterLabel(index, text(ptr));
      return 0;
    case effGetParamDisplay:
      copyParameterDisplay(index, text(ptr));
      return 0;
    case effGetParamName:
      copyParameterName(index, text(ptr));
      return 0;
    case effGetVu:
      return truncated(meterLevel() * 32767.0);
    case effSetSampleRate:
      changeSampleRate(opt);
      return 0;
    case effSetBlockSize:
      changeBlockSize(narrow(value));
      return 0;
    case effMainsChanged:
      if (value == 0)
        onSuspend();
      else
        onResume();
      return 0;
    case effEditGetRect:
      return (editor && ptr) ? editor->queryRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
      return editor ? editor->openEditor(ptr) : 0;
    case effEditClose:
      if (editor) editor->closeEditor();
      return 0;
    case effEditIdle:
      if (editor) editor->idleEditor();
      return 0;
    case effIdentify:
      return fourCharCode("NvEf");
    case effGetChunk:
      return saveChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      return loadChunk(ptr, narrow(value), index != 0);
    default:  // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep
      return 0;
  }
}

intptr_t ExtendedEffect::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  constexpr auto kFirst = static_cast<uint32_t>(effProcessEvents);
  constexpr auto kLast = static_cast<uint32_t>(effBeginLoadProgram);
  if (static_cast<uint32_t>(opcode) - kFirst > kLast - kFirst) return EffectBase::dispatch(opcode, index, value, ptr, opt);
  switch (opcode) {
    case effProcessEvents:
      return takeEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
      return answer(isAutomatable(index));
    case effString2Parameter:
      return answer(textToParameter(index, text(ptr)));
    case effGetNumProgramCategories:
      return programCategoryCount();
    case effGetProgramNameIndexed:
      return answer(copyProgramNameIndexed(narrow(value), index, text(ptr)));
    case effCopyProgram:
      return answer(duplicateProgram(index));
    case effConnectInput:
      onInputConnection(index, value != 0);
      return 1;
    case effConnectOutput:
      onOutputConnection(index, value != 0);
      return 1;
    case effGetInputProperties:
      return answer(copyInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
      return answer(copyOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
      return pluginCategory();
    case effGetCurrentPosition:
      return currentPosition();
    case effGetDestinationBuffer:
      return reinterpret_cast<intptr_t>(destinationBuffer());
    case effOfflineNotify:
      return answer(offlineNotice(static_cast<VstAudioFile*>(ptr), narrow(value), index != 0));
    case effOfflinePrepare:
      return answer(offlinePrepareTasks(static_cast<VstOfflineTask*>(ptr), narrow(value)));
    case effOfflineRun:
      return answer(offlineRunTasks(static_cast<VstOfflineTask*>(ptr), narrow(value)));
    case effProcessVarIo:
      return answer(processVariableBlock(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
      return answer(acceptArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                      static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate:
      changeBlockSizeAndRate(narrow(value), opt);
      return 1;
    case effSetBypass:
      return answer(applyBypass(value != 0));
    case effGetEffectName:
      return answer(copyEffectName(text(ptr)));
    case effGetErrorText:
      return answer(copyErrorText(text(ptr)));
    case effGetVendorString:
      return answer(copyVendorText(text(ptr)));
    case effGetProductString:
      return answer(copyProductText(text(ptr)));
    case effGetVendorVersion:
      return vendorVersion();
    case effVendorSpecific:
      return vendorCall(index, value, ptr, opt);
    case effCanDo:
      return answerCapability(static_cast<const char*>(ptr));
    case effGetTailSize:
      return tailSize();
    case effIdle:
      return idleTick();
    case effGetIcon:
      return reinterpret_cast<intptr_t>(iconData());
    case effSetViewPosition:
      return answer(moveView(index, narrow(value)));
    case effGetParameterProperties:
      return answer(copyParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired:
      return needsKeys() ? 0 : 1;
    case effGetVstVersion:
      return interfaceVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
      if (!editor) return 0;
      VstKeyCode key{index, static_cast<unsigned char>(value & 0xFF),
                     static_cast<unsigned char>(truncated(opt) & 0xFF)};
      return opcode == effEditKeyDown ? editor->keyPressed(key) : editor->keyReleased(key);
    }
    case effSetEditKnobMode:
      return editor ? editor->chooseKnobMode(narrow(value)) : 0;
    case effGetMidiProgramName:
      return copyMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
      return copyCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
      return copyMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
      return answer(midiProgramsChanged(index));
    case effGetMidiKeyName:
      return answer(copyMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram:
      return answer(beginProgramChange());
    case effEndSetProgram:
      return answer(endProgramChange());
    case effGetSpeakerArrangement:
      return answer(reportArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                      static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin:
      return nextShellPlugin(text(ptr));
    case effStartProcess:
      return startProcessing();
    case effStopProcess:
      return stopProcessing();
    case effSetTotalSampleToProcess:
      return totalSamplesToProcess(narrow(value));
    case effSetPanLaw:
      return answer(applyPanLaw(narrow(value), opt));
    case effBeginLoadBank:
      return beginBankLoad(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
      return beginProgramLoad(static_cast<VstPatchChunkInfo*>(ptr));
    default:
      return 0;
  }
}

}  // namespace brisko
