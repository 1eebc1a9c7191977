// The LV2 plug-in: the same effect object the VST 2 library hands its hosts,
// driven through the same record entries, so the values of the control ports
// reach it exactly as a VST 2 host's setParameter calls would and the output
// is bit for bit the VST 2 plug-in's for the same blocks.
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstdint>
#include <new>

#include "effect/SpectrumDelay.h"
#include "lv2/Lv2Ports.h"

namespace brisko::lv2 {
namespace {

class Instance {
 public:
  explicit Instance(double sampleRate) : rate(static_cast<float>(sampleRate)) {}
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  ~Instance() { delete effect; }

  // Builds a fresh effect at the host's rate; false when memory ran out.
  bool build() {
    SpectrumDelay* fresh = nullptr;
    try {
      fresh = new SpectrumDelay(nullptr);
    } catch (...) {
      return false;
    }
    AEffect* record = fresh->effectRecord();
    record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, rate);
    record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f);
    delete effect;
    effect = fresh;
    processedSinceBuild = false;
    return true;
  }

  void connect(uint32_t port, void* data) {
    if (port < kPortCount) ports[port] = static_cast<float*>(data);
  }

  // A host activates again after a deactivation to start from silence: the
  // effect's history is rebuilt then. Without memory the old effect stays.
  void activate() {
    if (processedSinceBuild) build();
  }

  void run(uint32_t sampleCount) {
    if (sampleCount == 0) return;
    AEffect* record = effect->effectRecord();
    for (uint32_t p = 0; p < kControlPortCount; ++p) {
      // A control port left unconnected keeps the value the effect has.
      if (ports[p]) record->setParameter(record, static_cast<int32_t>(p), *ports[p]);
    }
    float* inputs[2] = {ports[kPortInputLeft], ports[kPortInputRight]};
    float* outputs[2] = {ports[kPortOutputLeft], ports[kPortOutputRight]};
    processedSinceBuild = true;
    // Longer runs go to the effect in pieces: its output does not depend on
    // how the frames are cut into calls, and it allocates only for a call
    // longer than any before, so once it has seen one piece of the longest
    // length no run of any length allocates.
    while (sampleCount > 0) {
      const uint32_t block = sampleCount > kLongestCall ? kLongestCall : sampleCount;
      record->processReplacing(record, inputs, outputs, static_cast<int32_t>(block));
      sampleCount -= block;
      for (auto& channel : inputs) channel = channel ? channel + block : nullptr;
      for (auto& channel : outputs) channel = channel ? channel + block : nullptr;
    }
  }

 private:
  static constexpr uint32_t kLongestCall = 8192;

  float rate;
  SpectrumDelay* effect = nullptr;
  float* ports[kPortCount] = {};
  bool processedSinceBuild = false;
};

// Rates a host could run at; anything else (zero, negative, NaN, infinite,
// beyond any audio interface) is refused.
bool isPlausibleRate(double rate) { return std::isfinite(rate) && rate >= kLowestRate && rate <= kHighestRate; }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*) {
  if (!isPlausibleRate(rate)) return nullptr;
  auto* instance = new (std::nothrow) Instance(rate);
  if (!instance) return nullptr;
  if (!instance->build()) {
    delete instance;
    return nullptr;
  }
  return instance;
}

Instance* fromHandle(LV2_Handle handle) { return static_cast<Instance*>(handle); }

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
  if (handle) fromHandle(handle)->connect(port, data);
}

void activate(LV2_Handle handle) {
  if (handle) fromHandle(handle)->activate();
}

void run(LV2_Handle handle, uint32_t sampleCount) {
  if (handle) fromHandle(handle)->run(sampleCount);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) { delete fromHandle(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor descriptor = {kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                   extensionData};

}  // namespace
}  // namespace brisko::lv2

// LV2_SYMBOL_EXPORT declares it extern "C" with default visibility.
LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &brisko::lv2::descriptor : nullptr;
}
