#include "host/PluginHost.h"

#include <algorithm>
#include <map>

namespace brisko::host {
namespace {

// The host callback carries only the effect record, and during the entry
// call not even that: instances are found through this registry, or through
// the instance whose entry call is running on this thread.
std::mutex registryMutex;
std::map<const AEffect*, PluginHost*>& registry() {
  static std::map<const AEffect*, PluginHost*> hosts;
  return hosts;
}
thread_local PluginHost* creatingHost = nullptr;

PluginHost* hostFor(const AEffect* effect) {
  if (effect != nullptr) {
    std::lock_guard<std::mutex> lock(registryMutex);
    const auto found = registry().find(effect);
    if (found != registry().end()) return found->second;
  }
  return creatingHost;
}

}  // namespace

PluginHost::PluginHost(PluginEntry entry) : entry_(entry) {}

PluginHost::~PluginHost() { close(); }

bool PluginHost::create() {
  if (entry_ == nullptr || effect_ != nullptr) return false;
  creatingHost = this;
  effect_ = entry_(&PluginHost::callback);
  creatingHost = nullptr;
  if (effect_ == nullptr) return false;
  std::lock_guard<std::mutex> lock(registryMutex);
  registry()[effect_] = this;
  return true;
}

void PluginHost::close() {
  if (effect_ == nullptr) return;
  AEffect* effect = effect_;
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  effect_ = nullptr;
  std::lock_guard<std::mutex> lock(registryMutex);
  registry().erase(effect);
}

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (opcode == effClose) {
    close();
    return 0;
  }
  return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

void PluginHost::setParameter(int32_t index, float value) {
  if (effect_) effect_->setParameter(effect_, index, value);
}

float PluginHost::getParameter(int32_t index) { return effect_ ? effect_->getParameter(effect_, index) : 0.0f; }

void PluginHost::processReplacing(float** inputs, float** outputs, int32_t frames) {
  if (effect_) effect_->processReplacing(effect_, inputs, outputs, frames);
}

void PluginHost::processAdding(float** inputs, float** outputs, int32_t frames) {
  if (effect_) effect_->process(effect_, inputs, outputs, frames);
}

std::vector<HostCall> PluginHost::calls() const {
  std::lock_guard<std::mutex> lock(callsMutex_);
  return calls_;
}

std::vector<HostCall> PluginHost::callsOf(int32_t opcode) const {
  std::vector<HostCall> matching;
  for (const HostCall& call : calls())
    if (call.opcode == opcode) matching.push_back(call);
  return matching;
}

void PluginHost::clearCalls() {
  std::lock_guard<std::mutex> lock(callsMutex_);
  calls_.clear();
}

intptr_t BRISKO_VSTCALL PluginHost::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void*,
                                             float opt) {
  PluginHost* host = hostFor(effect);
  if (host == nullptr) return opcode == audioMasterVersion ? kHostVersion : 0;
  return host->answer(opcode, index, value, opt);
}

intptr_t PluginHost::answer(int32_t opcode, int32_t index, intptr_t value, float opt) {
  {
    std::lock_guard<std::mutex> lock(callsMutex_);
    calls_.push_back(HostCall{opcode, index, value, opt});
  }
  if (callHook_) callHook_(HostCall{opcode, index, value, opt});
  switch (opcode) {
    case audioMasterVersion:
      return versionAnswer_;
    case audioMasterIdle:
      if (idleReentersEditor_ && effect_) effect_->dispatcher(effect_, effEditIdle, 0, 0, nullptr, 0.0f);
      return 0;
    default:
      return 0;  // no time information, no other services
  }
}

}  // namespace brisko::host
