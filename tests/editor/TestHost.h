#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plugin/ExtendedEffect.h"

namespace brisko::testing {

// A host callback that records the editor-related calls it receives.
// Single instance per test program; reset it in each test.
struct HostRecorder {
  std::vector<std::string> calls;
  // Runs inside audioMasterIdle, to test re-entry from the host.
  std::function<void()> onIdle;
  // Runs inside audioMasterAutomate, BeginEdit and EndEdit with the call as
  // recorded, likewise.
  std::function<void(const std::string& call)> onEdit;
  // Runs inside audioMasterGetTime (not recorded: processing asks every block).
  std::function<void()> onTime;

  void reset() {
    calls.clear();
    onIdle = nullptr;
    onEdit = nullptr;
    onTime = nullptr;
  }
  int count(const std::string& prefix) const;
  // Runs onEdit with the call just recorded (a copy: the hook may record more).
  void edited() {
    if (onEdit) onEdit(std::string(calls.back()));
  }
  static HostRecorder& instance();
};

intptr_t BRISKO_VSTCALL recordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                      float opt);

// A light effect with six thread-safe parameters and no processing.
class ProbeEffect : public ExtendedEffect {
 public:
  ProbeEffect() : ExtendedEffect(&recordingHost, 1, 6) {}
  void storeParameter(int32_t index, float value) override {
    if (index >= 0 && index < 6) params[index].store(value);
    if (onStore) onStore(index, value);
  }
  float parameterValue(int32_t index) override { return index >= 0 && index < 6 ? params[index].load() : 0.0f; }
  void processAdding(float**, float**, int32_t) override {}

  std::function<void(int32_t, float)> onStore;

 private:
  std::atomic<float> params[6] = {};
};

}  // namespace brisko::testing
