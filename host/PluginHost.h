#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "host/PluginLibrary.h"

namespace brisko::host {

// One call the plug-in made to the host.
struct HostCall {
  int32_t opcode;
  int32_t index;
  intptr_t value;
  float opt;
};

// Hosts one effect instance the way a VST 2 host does: calls the entry with
// a host callback that answers the version query and records every call,
// and drives the record's entries.
class PluginHost {
 public:
  static constexpr intptr_t kHostVersion = 2400;

  explicit PluginHost(PluginEntry entry);
  ~PluginHost();  // closes the effect if still open
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // Calls the entry; false when it answers null.
  bool create();
  // Sends effClose once; the record is gone afterwards, and the calls below
  // do nothing.
  void close();

  AEffect* effect() const { return effect_; }
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  void setParameter(int32_t index, float value);
  float getParameter(int32_t index);
  void processReplacing(float** inputs, float** outputs, int32_t frames);
  void processAdding(float** inputs, float** outputs, int32_t frames);

  // What the host answers to audioMasterVersion (0 refuses the effect).
  void setVersionAnswer(intptr_t version) { versionAnswer_ = version; }
  // Runs inside every call the plug-in makes, once it is recorded: a host
  // that reacts to one (closes the editor or the effect from inside it).
  void setCallHook(std::function<void(const HostCall&)> hook) { callHook_ = std::move(hook); }
  // Answers audioMasterIdle with an effEditIdle, as some hosts do: the editor
  // is then idled from inside its own gestures.
  void setIdleReentersEditor(bool reenters) { idleReentersEditor_ = reenters; }

  std::vector<HostCall> calls() const;
  std::vector<HostCall> callsOf(int32_t opcode) const;
  void clearCalls();

 private:
  static intptr_t BRISKO_VSTCALL callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                          float opt);
  intptr_t answer(int32_t opcode, int32_t index, intptr_t value, float opt);

  PluginEntry entry_;
  AEffect* effect_ = nullptr;
  intptr_t versionAnswer_ = kHostVersion;
  bool idleReentersEditor_ = false;
  mutable std::mutex callsMutex_;
  std::vector<HostCall> calls_;
  std::function<void(const HostCall&)> callHook_;
};

}  // namespace brisko::host
