#include "tests/editor/TestHost.h"

namespace brisko::testing {

HostRecorder& HostRecorder::instance() {
  static HostRecorder recorder;
  return recorder;
}

int HostRecorder::count(const std::string& prefix) const {
  int found = 0;
  for (const auto& call : calls) found += call.rfind(prefix, 0) == 0 ? 1 : 0;
  return found;
}

intptr_t BRISKO_VSTCALL recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
  HostRecorder& host = HostRecorder::instance();
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterAutomate:
      host.calls.push_back("automate " + std::to_string(index) + " " + std::to_string(opt));
      host.edited();
      return 0;
    case audioMasterGetTime:
      if (host.onTime) host.onTime();
      return 0;
    case audioMasterIdle:
      host.calls.push_back("idle");
      if (host.onIdle) host.onIdle();
      return 0;
    case audioMasterBeginEdit:
      host.calls.push_back("beginEdit " + std::to_string(index));
      host.edited();
      return 1;
    case audioMasterEndEdit:
      host.calls.push_back("endEdit " + std::to_string(index));
      host.edited();
      return 1;
    default:
      return 0;
  }
}

}  // namespace brisko::testing
