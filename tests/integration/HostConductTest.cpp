// What trusted hosts and plug-in validators check, through the built binary.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "host/PluginHost.h"
#include "tests/integration/StereoBuffers.h"

namespace brisko::host {
namespace {

constexpr int32_t kFeedback = 1, kDryWet = 5;
constexpr int32_t kAnnouncedBlock = 1024;

class HostConduct : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.open(BRISKO_PLUGIN_PATH)) << library_.error(); }
  PluginLibrary library_;
};

bool isClean(float x) { return std::isfinite(x) && (x == 0.0f || std::fpclassify(x) == FP_NORMAL); }

// Loud noise, then 256 blocks of silence at high feedback: no NaN, infinity
// or subnormal ever comes out, and the caller's floating-point control
// state is the same after every call as before it.
TEST_F(HostConduct, SilentTailAfterNoiseStaysCleanAndLeavesControlStateAlone) {
  const unsigned callerCsr = _mm_getcsr();
  for (int n : {1, 64, 512, 4096, 2 * kAnnouncedBlock}) {
    SCOPED_TRACE(n);
    PluginHost host(library_.entry());
    ASSERT_TRUE(host.create());
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.dispatch(effSetBlockSize, 0, kAnnouncedBlock);
    host.dispatch(effMainsChanged, 0, 1);
    host.setParameter(kFeedback, 0.99f);
    host.setParameter(kDryWet, 0.5f);
    StereoBuffers buffers(n);
    const int noiseBlocks = std::max(1, 8192 / n);
    for (int block = 0; block < noiseBlocks + 256; ++block) {
      if (block < noiseBlocks) {
        buffers.fillNoise(static_cast<uint32_t>(block));
      } else {
        for (auto& channel : buffers.in) channel.assign(channel.size(), 0.0f);
      }
      host.processReplacing(buffers.inputs(), buffers.outputs(), n);
      ASSERT_EQ(_mm_getcsr(), callerCsr) << "block " << block;
      for (const auto& channel : buffers.out)
        for (float x : channel) ASSERT_TRUE(isClean(x)) << "block " << block << ": " << x;
    }
    host.dispatch(effMainsChanged, 0, 0);
  }
}

// Whatever control state the caller runs with is handed back unchanged.
TEST_F(HostConduct, CallerControlStateIsRestoredExactly) {
  const unsigned original = _mm_getcsr();
  PluginHost host(library_.entry());
  ASSERT_TRUE(host.create());
  StereoBuffers buffers(256);
  buffers.fillNoise(5);
  for (unsigned csr : {original, original | 0x8040u, (original & ~0x6000u) | 0x2000u}) {
    _mm_setcsr(csr);
    host.processReplacing(buffers.inputs(), buffers.outputs(), 256);
    const unsigned after = _mm_getcsr();
    _mm_setcsr(original);
    EXPECT_EQ(after, csr);
  }
}

constexpr unsigned kRoundingBits = 0x6000u, kExceptionMasks = 0x1F80u, kExceptionFlags = 0x3Fu;
constexpr unsigned kRoundDown = 0x2000u, kRoundUp = 0x4000u, kRoundTowardZero = 0x6000u;

// Renders noise through a new instance, every call made with the caller's
// control state `csr`; the state after each call must be `csr` again.
std::vector<float> renderUnder(PluginLibrary& library, unsigned csr, float dryWet) {
  PluginHost host(library.entry());
  EXPECT_TRUE(host.create());
  const float values[] = {0.0f, 0.9f, 0.5f, 1.0f, 0.6f, dryWet};
  for (int32_t i = 0; i < 6; ++i) host.setParameter(i, values[i]);
  const unsigned original = _mm_getcsr();
  std::vector<float> output;
  StereoBuffers buffers(500);
  for (int block = 0; block < 40; ++block) {
    buffers.fillNoise(static_cast<uint32_t>(block));
    _mm_setcsr(csr);
    if (block % 2) {
      host.processAdding(buffers.inputs(), buffers.outputs(), 500);
    } else {
      host.processReplacing(buffers.inputs(), buffers.outputs(), 500);
    }
    const unsigned after = _mm_getcsr();
    _mm_setcsr(original);
    EXPECT_EQ(after, csr) << "block " << block;
    for (const auto& channel : buffers.out) output.insert(output.end(), channel.begin(), channel.end());
  }
  return output;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Every call computes under one control state of its own (round to nearest,
// exceptions masked, denormals flushed), so the caller's rounding mode does
// not change the output bits, and a caller with unmasked exceptions does not
// trap on the effect's arithmetic or on a NaN "Dry/Wet".
TEST_F(HostConduct, OutputDoesNotDependOnTheCallersControlState) {
  const unsigned plain = (_mm_getcsr() & ~(kRoundingBits | kExceptionFlags)) | kExceptionMasks;
  const std::vector<float> reference = renderUnder(library_, plain, 0.7f);
  size_t wet = 0;
  for (float x : reference) wet += x != 0.0f;
  ASSERT_GT(wet, reference.size() / 2);
  for (unsigned rounding : {kRoundTowardZero, kRoundDown, kRoundUp}) {
    EXPECT_TRUE(sameBits(renderUnder(library_, plain | rounding, 0.7f), reference)) << std::hex << rounding;
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(sameBits(renderUnder(library_, plain & ~kExceptionMasks, nan), renderUnder(library_, plain, nan)));
}

// The caller's whole floating-point control state: MXCSR, and on 32-bit x86
// also the x87 control word, which the runtime's x87 code runs under.
struct ControlState {
  unsigned csr;
  uint16_t x87;
};

ControlState currentState() {
  ControlState state{_mm_getcsr(), 0};
#if defined(__i386__)
  __asm__ volatile("fnstcw %0" : "=m"(state.x87));
#endif
  return state;
}

void setState(const ControlState& state) {
  _mm_setcsr(state.csr);
#if defined(__i386__)
  __asm__ volatile("fldcw %0" : : "m"(state.x87));
#endif
}

bool operator==(const ControlState& a, const ControlState& b) {
#if defined(__i386__)
  if (a.x87 != b.x87) return false;
#endif
  return a.csr == b.csr;
}

std::ostream& operator<<(std::ostream& out, const ControlState& state) {
  out << std::hex << "MXCSR " << state.csr;
#if defined(__i386__)
  out << ", x87 " << state.x87;
#endif
  return out << std::dec;
}

// Loads a private copy of the plug-in binary under `creation` (so the
// library's start-up runs under it too), creates an instance and announces
// rate, block length and mains on under it, each call handing `creation`
// back; then renders noise under `processing` (the first block under
// `creation`).
std::vector<float> renderCreatedUnder(const ControlState& creation, const ControlState& processing, int copy) {
  const std::filesystem::path source(BRISKO_PLUGIN_PATH);
  const std::filesystem::path path =
      std::filesystem::path(::testing::TempDir()) / ("brisko-fp-" + std::to_string(copy) + source.extension().string());
  std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
  std::vector<float> output;
  {
    PluginLibrary library;
    setState(creation);
    const ControlState expected = currentState();  // as read back: some x87 bits are fixed
    const bool opened = library.open(path.string());
    const ControlState afterLoad = currentState();
    setState(processing);
    EXPECT_TRUE(opened) << library.error();
    EXPECT_EQ(afterLoad, expected);
    if (!opened) return output;
    PluginHost host(library.entry());
    setState(creation);
    const bool created = host.create();
    const ControlState afterCreate = currentState();
    if (created) {
      host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
      host.dispatch(effSetBlockSize, 0, 500);
      host.dispatch(effMainsChanged, 0, 1);
      const float values[] = {0.0f, 0.9f, 0.5f, 1.0f, 0.6f, 0.7f};
      for (int32_t i = 0; i < 6; ++i) host.setParameter(i, values[i]);
    }
    const ControlState afterCalls = currentState();
    setState(processing);
    EXPECT_TRUE(created);
    EXPECT_EQ(afterCreate, expected);
    EXPECT_EQ(afterCalls, expected);
    if (!created) return output;
    StereoBuffers buffers(500);
    for (int block = 0; block < 40; ++block) {
      buffers.fillNoise(static_cast<uint32_t>(block));
      // The first block under the creation state as well: its output does not
      // depend on it either, and the state comes back.
      if (block == 0) setState(creation);
      host.processReplacing(buffers.inputs(), buffers.outputs(), 500);
      const ControlState afterProcessing = currentState();
      setState(processing);
      if (block == 0) {
        EXPECT_EQ(afterProcessing, expected);
      }
      for (const auto& channel : buffers.out) output.insert(output.end(), channel.begin(), channel.end());
    }
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return output;
}

// Tables and values the effect keeps are computed under the effect's own
// control state too: a library loaded and an instance created under another
// rounding mode, or with exceptions unmasked (on 32-bit x86 also with the
// x87 control word 0x1332 that some hosts run with), traps nowhere and
// renders the same bits as one created under the default.
TEST_F(HostConduct, OutputDoesNotDependOnTheControlStateAtCreation) {
  const ControlState plain{(_mm_getcsr() & ~(kRoundingBits | kExceptionFlags)) | kExceptionMasks,
                           currentState().x87};
  const std::vector<float> reference = renderCreatedUnder(plain, plain, 0);
  size_t wet = 0;
  for (float x : reference) wet += x != 0.0f;
  ASSERT_GT(wet, reference.size() / 2);
  // x87 rounding bits 10-11 encode the modes as MXCSR bits 13-14 do.
  constexpr uint16_t kX87Masked = 0x037F;
  int copy = 1;
  for (unsigned rounding : {kRoundTowardZero, kRoundDown, kRoundUp}) {
    const ControlState creation{plain.csr | rounding, static_cast<uint16_t>(kX87Masked | rounding >> 3)};
    EXPECT_TRUE(sameBits(renderCreatedUnder(creation, plain, copy++), reference)) << creation;
  }
  // Invalid operation, division by zero and overflow unmasked.
  const ControlState unmasked{0x1900u, 0x1332};
  EXPECT_TRUE(sameBits(renderCreatedUnder(unmasked, plain, copy++), reference)) << unmasked;
}

// Denormals are zero inside a call, so subnormal input samples come out as
// zero even at "Dry/Wet" 0, where normal samples pass unchanged.
TEST_F(HostConduct, SubnormalInputComesOutAsZeroWhenDry) {
  PluginHost host(library_.entry());
  ASSERT_TRUE(host.create());
  host.setParameter(kDryWet, 0.0f);
  StereoBuffers buffers(4);
  buffers.in[0] = {1e-40f, -3e-39f, std::numeric_limits<float>::denorm_min(), 0.25f};
  buffers.in[1] = {-1e-45f, 1.1e-38f, 1.2e-38f, -0.5f};
  host.processReplacing(buffers.inputs(), buffers.outputs(), 4);
  EXPECT_EQ(buffers.out[0], (std::vector<float>{0.0f, 0.0f, 0.0f, 0.25f}));
  EXPECT_EQ(buffers.out[1], (std::vector<float>{0.0f, 0.0f, 1.2e-38f, -0.5f}));
}

// One infinite or NaN sample, or a burst so loud that its transform overflows
// (or its echoes would, fed back), at high feedback: the frames holding it
// are dropped from the delay, so the wet signal stays finite throughout and
// the echoes of everything else go on; switching the effect off and on
// changes nothing of that. A non-finite sample comes out only as its own dry
// part: unchanged at "Dry/Wet" 0, not at all at 1.
TEST_F(HostConduct, NonFiniteOrOverflowingInputLeavesOnlyItsOwnDryPart) {
  constexpr int kBlock = 256, kBlocks = 48, kBadAt = 3000, kBurst = 64;
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* name;
    float value;
    int length;
  };
  for (const Case& bad : {Case{"+inf", inf, 1}, Case{"-inf", -inf, 1}, Case{"NaN", nan, 1},
                          Case{"near FLT_MAX", 0.9f * std::numeric_limits<float>::max(), kBurst},
                          Case{"1e36", 1e36f, kBurst}}) {
    for (float dryWet : {0.0f, 0.5f, 1.0f}) {
      SCOPED_TRACE(std::string(bad.name) + " at Dry/Wet " + std::to_string(dryWet));
      PluginHost host(library_.entry());
      ASSERT_TRUE(host.create());
      host.dispatch(effMainsChanged, 0, 1);
      const float values[] = {0.01f, 0.99f, 0.3f, 0.5f, 0.3f, dryWet};
      for (int32_t i = 0; i < 6; ++i) host.setParameter(i, values[i]);
      StereoBuffers buffers(kBlock);
      size_t wetAfter = 0, nonFinite = 0;
      int firstNonFinite = -1;
      for (int block = 0; block < kBlocks; ++block) {
        buffers.fillNoise(static_cast<uint32_t>(block));
        const int start = block * kBlock;
        for (int i = std::max(kBadAt, start); i < std::min(kBadAt + bad.length, start + kBlock); ++i) {
          const float sign = (i - kBadAt) % 2 ? -1.0f : 1.0f;
          buffers.in[0][i - start] = sign * bad.value;
          buffers.in[1][i - start] = bad.length > 1 ? -sign * bad.value : buffers.in[1][i - start];
        }
        if (block == kBlocks / 2) {
          host.dispatch(effMainsChanged, 0, 0);
          host.dispatch(effMainsChanged, 0, 1);
        }
        const StereoBuffers input = buffers;
        host.processReplacing(buffers.inputs(), buffers.outputs(), kBlock);
        for (int c = 0; c < 2; ++c) {
          for (int i = 0; i < kBlock; ++i) {
            const float in = input.in[c][i], out = buffers.out[c][i];
            if (std::isfinite(in)) {
              if (!std::isfinite(out) && nonFinite++ == 0) firstNonFinite = start + i;
              wetAfter += start > kBadAt + 1024 && out != 0.0f;
            } else if (dryWet == 1.0f) {
              EXPECT_TRUE(std::isfinite(out)) << out;
            } else if (std::isnan(in)) {
              EXPECT_TRUE(std::isnan(out)) << out;
            } else {
              EXPECT_EQ(out, in);
            }
          }
        }
      }
      EXPECT_EQ(nonFinite, size_t{0}) << "of " << 2 * kBlock * kBlocks << ", the first at sample " << firstNonFinite;
      EXPECT_GT(wetAfter, size_t{1000});
    }
  }
}

// Parameters set from one thread while another processes, as hosts do with
// automation on the user-interface thread.
TEST_F(HostConduct, ParametersChangeWhileAnotherThreadProcesses) {
  PluginHost host(library_.entry());
  ASSERT_TRUE(host.create());
  std::atomic<bool> done{false};
  std::thread processing([&] {
    StereoBuffers buffers(256);
    for (int block = 0; block < 400; ++block) {
      buffers.fillNoise(static_cast<uint32_t>(block));
      host.processReplacing(buffers.inputs(), buffers.outputs(), 256);
      for (const auto& channel : buffers.out)
        for (float x : channel) ASSERT_TRUE(std::isfinite(x));
    }
    done = true;
  });
  std::thread automation([&] {
    for (int i = 0; !done; ++i) {
      const int32_t index = i % 6;
      host.setParameter(index, static_cast<float>(i % 101) / 100.0f);
      (void)host.getParameter(index);
    }
  });
  processing.join();
  automation.join();
}

#if !defined(_WIN32)
// Automation reaches the editor from whatever thread the host sets
// parameters on, while the user-interface thread opens, idles and closes it.
// (On Windows the editor needs a real parent window: tests/win32.)
TEST_F(HostConduct, EditorOpensAndClosesWhileParametersChange) {
  PluginHost host(library_.entry());
  ASSERT_TRUE(host.create());
  std::atomic<bool> done{false};
  std::thread automation([&] {
    for (int i = 0; !done; ++i) host.setParameter(i % 6, static_cast<float>(i % 97) / 96.0f);
  });
  int parentWindow = 0;  // no X window: the editor opens on an image nobody sees
  for (int round = 0; round < 150; ++round) {
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, &parentWindow), 1);
    for (int idle = 0; idle < 3; ++idle) host.dispatch(effEditIdle);
    host.dispatch(effEditClose);
  }
  done = true;
  automation.join();
}
#endif

// Hosts that never process, never switch the effect on, or close at once.
TEST_F(HostConduct, UnusualLifecyclesAreSafe) {
  {
    PluginHost host(library_.entry());
    ASSERT_TRUE(host.create());
    host.close();
  }
  {
    PluginHost host(library_.entry());
    ASSERT_TRUE(host.create());
    host.dispatch(effOpen);
    host.setParameter(0, 0.3f);
    char text[64] = {};
    host.dispatch(effGetParamDisplay, 0, 0, text);
  }  // closed by the host object without ever processing
  {
    PluginHost host(library_.entry());
    ASSERT_TRUE(host.create());
    StereoBuffers buffers(64);
    host.processReplacing(buffers.inputs(), buffers.outputs(), 64);  // no effMainsChanged first
    host.dispatch(effMainsChanged, 0, 0);                            // off without on
  }
}

}  // namespace
}  // namespace brisko::host
