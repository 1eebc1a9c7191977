// What trusted hosts and plug-in validators check, through the built binary.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
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
