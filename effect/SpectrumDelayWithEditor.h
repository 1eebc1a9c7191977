#pragma once

#include <cstdint>

#include "effect/SpectrumDelay.h"
#include "gui/Platform.h"

namespace brisko {

// The spectral delay with its editor: what the library's entry creates. Every
// stored parameter is handed on to the editor, so its controls follow changes
// made by the host as well as by the editor itself.
class SpectrumDelayWithEditor : public SpectrumDelay {
 public:
  explicit SpectrumDelayWithEditor(HostCallback host, Platform& platform = defaultPlatform());

  // For the library entry.
  static EffectBase* create(HostCallback host);

  void storeParameter(int32_t index, float value) override;
  bool copyEffectName(char* text) override;
  bool copyProductText(char* text) override;
  int32_t vendorVersion() override;
};

}  // namespace brisko
