#include "plugin/ExtendedEffect.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugin/ValueText.h"

namespace brisko {
namespace {

constexpr size_t kArrangementHeader = offsetof(VstSpeakerArrangement, speakers);

// Channel `channel` of a record that may hold more than the eight speakers
// the declaration shows.
VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, int32_t channel) {
  return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) + kArrangementHeader +
                                                 sizeof(VstSpeakerProperties) * static_cast<size_t>(channel));
}

}  // namespace

EditorBase* ExtendedEffect::currentEditor() { return editor; }

int32_t ExtendedEffect::takeEvents(VstEvents*) { return 0; }

bool ExtendedEffect::isAutomatable(int32_t) { return true; }

bool ExtendedEffect::textToParameter(int32_t, char*) { return false; }

float ExtendedEffect::channelParameter(int32_t, int32_t) { return 0.0f; }

int32_t ExtendedEffect::programCategoryCount() { return 1; }

bool ExtendedEffect::copyProgramNameIndexed(int32_t, int32_t, char*) { return false; }

bool ExtendedEffect::duplicateProgram(int32_t) { return false; }

void ExtendedEffect::onInputConnection(int32_t, bool) {}

void ExtendedEffect::onOutputConnection(int32_t, bool) {}

bool ExtendedEffect::copyInputProperties(int32_t, VstPinProperties*) { return false; }

bool ExtendedEffect::copyOutputProperties(int32_t, VstPinProperties*) { return false; }

int32_t ExtendedEffect::pluginCategory() { return (record.flags & effFlagsIsSynth) ? 2 : 0; }

void ExtendedEffect::declareAsync(bool state) { setFlag(effFlagsExtIsAsync, state); }

void ExtendedEffect::declareExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }

int32_t ExtendedEffect::currentPosition() { return 0; }

float* ExtendedEffect::destinationBuffer() { return nullptr; }

bool ExtendedEffect::offlineNotice(VstAudioFile*, int32_t, bool) { return false; }

bool ExtendedEffect::offlinePrepareTasks(VstOfflineTask*, int32_t) { return false; }

bool ExtendedEffect::offlineRunTasks(VstOfflineTask*, int32_t) { return false; }

int32_t ExtendedEffect::offlinePassCount() { return 0; }

int32_t ExtendedEffect::offlineMetaPassCount() { return 0; }

void ExtendedEffect::declareSynth(bool state) { setFlag(effFlagsIsSynth, state); }

void ExtendedEffect::declareNoTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }

bool ExtendedEffect::processVariableBlock(VstVariableIo*) { return false; }

bool ExtendedEffect::acceptArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }

bool ExtendedEffect::reportArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
  if (input) *input = nullptr;
  if (output) *output = nullptr;
  return false;
}

void ExtendedEffect::changeBlockSizeAndRate(int32_t blockSize, float sampleRate) {
  blockLength = blockSize;
  rate = sampleRate;
}

bool ExtendedEffect::applyBypass(bool) { return false; }

bool ExtendedEffect::copyEffectName(char*) { return false; }

bool ExtendedEffect::copyErrorText(char*) { return false; }

bool ExtendedEffect::copyVendorText(char*) { return false; }

bool ExtendedEffect::copyProductText(char*) { return false; }

int32_t ExtendedEffect::vendorVersion() { return 0; }

intptr_t ExtendedEffect::vendorCall(int32_t, intptr_t, void*, float) { return 0; }

int32_t ExtendedEffect::answerCapability(const char*) { return 0; }

void* ExtendedEffect::iconData() { return nullptr; }

bool ExtendedEffect::moveView(int32_t, int32_t) { return false; }

int32_t ExtendedEffect::tailSize() { return 0; }

int32_t ExtendedEffect::idleTick() { return 0; }

bool ExtendedEffect::copyParameterProperties(int32_t, VstParameterProperties*) { return false; }

bool ExtendedEffect::needsKeys() { return false; }

int32_t ExtendedEffect::interfaceVersion() { return 2300; }

int32_t ExtendedEffect::copyMidiProgramName(int32_t, MidiProgramName*) { return 0; }

int32_t ExtendedEffect::copyCurrentMidiProgram(int32_t, MidiProgramName*) { return -1; }

int32_t ExtendedEffect::copyMidiProgramCategory(int32_t, MidiProgramCategory*) { return 0; }

bool ExtendedEffect::midiProgramsChanged(int32_t) { return false; }

bool ExtendedEffect::copyMidiKeyName(int32_t, MidiKeyName*) { return false; }

bool ExtendedEffect::beginProgramChange() { return false; }

bool ExtendedEffect::endProgramChange() { return false; }

int32_t ExtendedEffect::totalSamplesToProcess(int32_t samples) { return samples; }

int32_t ExtendedEffect::nextShellPlugin(char*) { return 0; }

int32_t ExtendedEffect::startProcessing() { return 0; }

int32_t ExtendedEffect::stopProcessing() { return 0; }

bool ExtendedEffect::applyPanLaw(int32_t, float) { return false; }

int32_t ExtendedEffect::beginBankLoad(VstPatchChunkInfo*) { return 0; }

int32_t ExtendedEffect::beginProgramLoad(VstPatchChunkInfo*) { return 0; }

// Speaker arrangements. Records are allocated with exactly room for their
// channels and released with free().

bool ExtendedEffect::createArrangement(VstSpeakerArrangement** slot, int32_t channels) {
  if (!slot || channels < 0) return false;
  releaseArrangement(slot);
  const uint64_t bytes = kArrangementHeader + uint64_t{sizeof(VstSpeakerProperties)} * static_cast<uint64_t>(channels);
  if (bytes > SIZE_MAX) return false;
  void* memory = std::calloc(1, static_cast<size_t>(bytes));
  if (!memory) return false;
  *slot = static_cast<VstSpeakerArrangement*>(memory);
  (*slot)->numChannels = channels;
  return true;
}

bool ExtendedEffect::releaseArrangement(VstSpeakerArrangement** slot) {
  if (!slot) return false;
  std::free(*slot);
  *slot = nullptr;
  return true;
}

bool ExtendedEffect::copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from) {
  if (!to || !from) return false;
  // The name may arrive unterminated: it is cut to its field.
  char name[sizeof from->name];
  std::memcpy(name, from->name, sizeof name);
  copyTextCut(to->name, name, sizeof to->name);
  to->type = from->type;
  to->azimuth = from->azimuth;
  to->elevation = from->elevation;
  to->radius = from->radius;
  to->reserved = from->reserved;
  std::memcpy(to->future, from->future, sizeof to->future);
  return true;
}

bool ExtendedEffect::mirrorArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
  if (!from || !to) return false;
  if (*to == from) return true;  // already its own mirror; releasing it would lose the source
  if (!releaseArrangement(to) || !createArrangement(to, from->numChannels)) return false;
  (*to)->type = from->type;
  for (int32_t channel = 0; channel < from->numChannels; ++channel) {
    if (!copySpeakerProperties(speakerAt(*to, channel), speakerAt(from, channel))) return false;
  }
  return true;
}

}  // namespace brisko
