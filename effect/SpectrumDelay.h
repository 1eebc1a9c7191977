#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "effect/ChannelProcessor.h"
#include "plugin/ExtendedEffect.h"

namespace brisko {

enum : int32_t {
  kParamDelayTime,
  kParamFeedback,
  kParamModFreq,
  kParamModAmp,
  kParamBinDelay,
  kParamDryWet,
  kNumParams
};

constexpr int32_t kNumPrograms = 1;

// The stereo spectral delay: six normalised parameters, one program, and one
// spectral delay engine per channel whose wet signal is mixed with the input.
class SpectrumDelay : public ExtendedEffect {
 public:
  static constexpr int32_t kChannels = 2;
  // A host's program-name buffer: 24 characters and the terminator.
  static constexpr size_t kProgramNameSize = 25;
  // Time information the processing asks for: ppq position, tempo, bars and
  // time signature.
  static constexpr int32_t kTimeInfoFilter = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;

  explicit SpectrumDelay(HostCallback host);
  ~SpectrumDelay() override;

  // For the library entry.
  static EffectBase* create(HostCallback host);

  // Values are stored as given; indices outside 0 .. kNumParams - 1 store
  // nothing and read 0.
  void storeParameter(int32_t index, float value) override;
  float parameterValue(int32_t index) override;
  void processAdding(float** inputs, float** outputs, int32_t sampleFrames) override;
  void processOverwriting(float** inputs, float** outputs, int32_t sampleFrames) override;
  // Names longer than the program name buffer are cut to fit.
  void renameProgram(const char* name) override;
  void copyProgramName(char* text) override;
  void copyParameterLabel(int32_t index, char* text) override;
  void copyParameterDisplay(int32_t index, char* text) override;
  void copyParameterName(int32_t index, char* text) override;
  bool copyVendorText(char* text) override;
  bool copyProductText(char* text) override;

  ChannelProcessor& channel(int32_t c) { return *channels[c]; }

 private:
  static_assert(std::atomic<float>::is_always_lock_free);

  void processBlock(float** inputs, float** outputs, int32_t sampleFrames, bool adding);
  template <bool adding>
  void mixStereo(const float* const* in, float* const* out, const float* const* wet, int32_t sampleFrames);
  // Runs the engines over the frames analyze() answered (null: none).
  void processEngines(SpectrumFrameList* const* frames);
  float loadParameter(int32_t index) const { return params[index].load(std::memory_order_relaxed); }

  std::unique_ptr<ChannelProcessor> channels[kChannels];
  // Written by the host's or the editor's thread, read by the audio thread.
  std::atomic<float> params[kNumParams];
  char programName[kProgramNameSize];
};

}  // namespace brisko
