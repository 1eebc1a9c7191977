#pragma once

// A host callback that records every call and answers what the test sets,
// and a way to see exactly which bytes a text answer writes.

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "plugin/HostInterface.h"

namespace brisko::testing {

struct HostCall {
  AEffect* effect;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  void* ptr;
  float opt;
};

// Static state because the host callback is a plain function pointer.
struct TestHost {
  static inline std::vector<HostCall> calls;
  static inline intptr_t answer = 0;
  // When set, answers instead of `answer`.
  static inline std::function<intptr_t(const HostCall&)> respond;

  static intptr_t BRISKO_VSTCALL callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                          float opt) {
    const HostCall call{effect, opcode, index, value, ptr, opt};
    calls.push_back(call);
    return respond ? respond(call) : answer;
  }

  static void reset(intptr_t newAnswer = 0) {
    calls.clear();
    answer = newAnswer;
    respond = nullptr;
  }

  static int countOf(int32_t opcode) {
    int count = 0;
    for (const HostCall& call : calls) count += call.opcode == opcode ? 1 : 0;
    return count;
  }
};

// Resets the test host around each test.
struct TestHostScope {
  explicit TestHostScope(intptr_t answer = 0) { TestHost::reset(answer); }
  ~TestHostScope() { TestHost::reset(); }
};

struct WrittenText {
  std::string text;
  size_t bytes;  // how many bytes of the buffer were changed, counted from its start
};

// Hands `write` a buffer filled with a guard byte that no text uses and
// reports the text and the extent of what was written.
template <typename Write>
WrittenText captureText(Write&& write) {
  constexpr char kGuard = '\x7f';
  std::array<char, 256> buffer;
  buffer.fill(kGuard);
  write(buffer.data());
  size_t bytes = buffer.size();
  while (bytes > 0 && buffer[bytes - 1] == kGuard) --bytes;
  size_t length = 0;
  while (length < bytes && buffer[length] != '\0') ++length;
  return {std::string(buffer.data(), length), bytes};
}

}  // namespace brisko::testing
