// What trusted hosts and plug-in validators check, through the built binary.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <atomic>
#include <cmath>
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
