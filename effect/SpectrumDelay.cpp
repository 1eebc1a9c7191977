#include "effect/SpectrumDelay.h"

#include "plugin/ValueText.h"

namespace brisko {
namespace {

constexpr float kDefaults[kNumParams] = {0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 1.0f};

constexpr const char* kParameterNames[kNumParams] = {
    "Delay time", "Feedback", "Modulation freq.", "Modulation amp.", "FFT Bin delay", "Dry/Wet"};

bool isParameter(int32_t index) { return index >= 0 && index < kNumParams; }

}  // namespace

SpectrumDelay::SpectrumDelay(HostCallback host) : ExtendedEffect(host, kNumPrograms, kNumParams) {
  for (int32_t i = 0; i < kNumParams; ++i) params[i].store(kDefaults[i], std::memory_order_relaxed);
  // The engines keep the rate they are built with.
  for (auto& engine : channels) engine = std::make_unique<ChannelProcessor>(static_cast<int32_t>(rate));
  assignInputCount(kChannels);
  assignOutputCount(kChannels);
  assignUniqueId(fourCharCode("BRSK"));
  declareMono(true);
  declareReplacing(true);
  copyTextCut(programName, "Brisko", sizeof programName);
}

SpectrumDelay::~SpectrumDelay() {
  channels[0].reset();
  channels[1].reset();
}

EffectBase* SpectrumDelay::create(HostCallback host) { return new SpectrumDelay(host); }

void SpectrumDelay::storeParameter(int32_t index, float value) {
  if (isParameter(index)) params[index].store(value, std::memory_order_relaxed);
}

float SpectrumDelay::parameterValue(int32_t index) { return isParameter(index) ? loadParameter(index) : 0.0f; }

void SpectrumDelay::renameProgram(const char* name) {
  if (name) copyTextCut(programName, name, sizeof programName);
}

void SpectrumDelay::copyProgramName(char* text) { copyText(text, programName); }

// Values are shown as they are, normalised, so no unit goes with them.
void SpectrumDelay::copyParameterLabel(int32_t index, char* text) {
  if (isParameter(index)) copyText(text, "");
}

void SpectrumDelay::copyParameterDisplay(int32_t index, char* text) {
  if (isParameter(index) && text) floatToText(loadParameter(index), text);
}

void SpectrumDelay::copyParameterName(int32_t index, char* text) {
  copyText(text, isParameter(index) ? kParameterNames[index] : " no name ");
}

bool SpectrumDelay::copyVendorText(char* text) {
  copyText(text, "Brisko Dynamic Spectrum Delay");
  return true;
}

bool SpectrumDelay::copyProductText(char* text) {
  copyText(text, "Brisko");
  return true;
}

}  // namespace brisko
