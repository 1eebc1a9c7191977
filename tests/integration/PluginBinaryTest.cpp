// The built plug-in binary, loaded and driven through its entry exactly as a
// host does: what a host sees and hears.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/PluginHost.h"
#include "tests/integration/StereoBuffers.h"

namespace brisko::host {
namespace {

constexpr int32_t kDelayTime = 0, kFeedback = 1, kModFreq = 2, kModAmp = 3, kBinDelay = 4, kDryWet = 5;
// The kernel sets, by their numbers in the binaries.
constexpr const char* kSetNames[] = {"sse2", "avx2", "avx512"};

class PluginBinary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.open(BRISKO_PLUGIN_PATH)) << library_.error();
  }

  std::unique_ptr<PluginHost> newInstance() {
    auto host = std::make_unique<PluginHost>(library_.entry());
    EXPECT_TRUE(host->create());
    return host;
  }

  PluginLibrary library_;
};

TEST_F(PluginBinary, RecordAsAHostSeesIt) {
  auto host = newInstance();
  const AEffect* effect = host->effect();
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->magic, fourCharCode("VstP"));
  EXPECT_EQ(effect->numPrograms, 1);
  EXPECT_EQ(effect->numParams, 6);
  EXPECT_EQ(effect->numInputs, 2);
  EXPECT_EQ(effect->numOutputs, 2);
  EXPECT_EQ(effect->uniqueID, fourCharCode("BRSK"));
  EXPECT_EQ(effect->initialDelay, 0);
  EXPECT_EQ(effect->flags, effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing);
  EXPECT_NE(effect->processReplacing, nullptr);
  char name[64] = {};
  host->dispatch(effGetParamName, kDryWet, 0, name);
  EXPECT_STREQ(name, "Dry/Wet");
  EXPECT_EQ(host->dispatch(effGetVstVersion), 2300);
  host->dispatch(effGetEffectName, 0, 0, name);
  EXPECT_STREQ(name, "BriskoEditGUI");
  EXPECT_EQ(host->dispatch(effGetVendorVersion), 1000);
  EXPECT_EQ(host->callsOf(audioMasterVersion).size(), 1u);
}

TEST_F(PluginBinary, HostRefusingTheVersionGetsNoEffect) {
  PluginHost host(library_.entry());
  host.setVersionAnswer(0);
  EXPECT_FALSE(host.create());
}

TEST_F(PluginBinary, DryOnlyCopiesTheInput) {
  auto host = newInstance();
  host->setParameter(kDryWet, 0.0f);
  StereoBuffers buffers(512);
  buffers.fillNoise(3);
  for (int block = 0; block < 20; ++block) {
    buffers.fillNoise(static_cast<uint32_t>(block));
    host->processReplacing(buffers.inputs(), buffers.outputs(), 512);
    ASSERT_EQ(buffers.out[0], buffers.in[0]);
    ASSERT_EQ(buffers.out[1], buffers.in[1]);
  }
}

// Adding onto zeroed outputs, replacing, and replacing in place all give the
// same bits, whatever block pattern (including empty blocks and blocks
// shorter than the hop) the host uses.
TEST_F(PluginBinary, AddingReplacingAndInPlaceAgree) {
  auto replacing = newInstance();
  auto adding = newInstance();
  auto inPlace = newInstance();
  for (PluginHost* host : {replacing.get(), adding.get(), inPlace.get()}) {
    host->setParameter(kDelayTime, 0.01f);
    host->setParameter(kFeedback, 0.7f);
    host->setParameter(kDryWet, 0.6f);
  }
  const int pattern[] = {512, 64, 0, 37, 1, 300, 128, 4096, 5};
  uint32_t seed = 11;
  for (int round = 0; round < 8; ++round) {
    for (int n : pattern) {
      StereoBuffers a(n), b(n);
      a.fillNoise(seed);
      b.fillNoise(seed++);
      replacing->processReplacing(a.inputs(), a.outputs(), n);
      b.zeroOutputs();
      adding->processAdding(b.inputs(), b.outputs(), n);
      ASSERT_EQ(a.out[0], b.out[0]);
      ASSERT_EQ(a.out[1], b.out[1]);
      StereoBuffers c(n);
      c.fillNoise(seed - 1);
      float* channels[2] = {c.in[0].data(), c.in[1].data()};
      inPlace->processReplacing(channels, channels, n);
      ASSERT_EQ(a.out[0], c.in[0]);
      ASSERT_EQ(a.out[1], c.in[1]);
    }
    // Parameter changes between blocks reach all three alike.
    for (PluginHost* host : {replacing.get(), adding.get(), inPlace.get()}) {
      host->setParameter(kModAmp, 0.1f * static_cast<float>(round));
      host->setParameter(kBinDelay, 0.125f * static_cast<float>(round));
    }
  }
}

TEST_F(PluginBinary, ImpulseComesOutWhereFramingAndDelayPutIt) {
  auto host = newInstance();
  host->setParameter(kDelayTime, 0.0f);  // shortest delay: 1.999375 frames
  host->setParameter(kFeedback, 0.0f);
  host->setParameter(kDryWet, 1.0f);
  const int n = 64;
  std::vector<float> wet;
  for (int start = 0; start < 4096; start += n) {
    StereoBuffers buffers(n);
    if (start <= 1000 && 1000 < start + n) buffers.in[0][1000 - start] = buffers.in[1][1000 - start] = 1.0f;
    host->processReplacing(buffers.inputs(), buffers.outputs(), n);
    wet.insert(wet.end(), buffers.out[0].begin(), buffers.out[0].end());
  }
  // One frame of framing latency plus about two frames of delay.
  int peak = 0;
  for (int i = 0; i < static_cast<int>(wet.size()); ++i)
    if (std::fabs(wet[i]) > std::fabs(wet[peak])) peak = i;
  EXPECT_NEAR(peak, 1000 + 256 + 256, 8);
  // Nothing before the first frame holding the impulse (completed at sample
  // 1023) can come out, one hop later at the earliest.
  for (int i = 0; i < 1023 + 128 + 1; ++i) ASSERT_EQ(wet[i], 0.0f) << i;
}

// How the host hands over its buffers: apart, each output over its own
// input, or each output over the other channel's input.
enum class Layout { kApart, kInPlace, kCrossed };

// The output of a fixed input, block pattern and parameter set, hashed.
uint64_t outputHash(PluginEntry entry, Layout layout = Layout::kApart) {
  PluginHost host(entry);
  EXPECT_TRUE(host.create());
  host.setParameter(kDelayTime, 0.004f);
  host.setParameter(kFeedback, 0.85f);
  host.setParameter(kModFreq, 0.8f);
  host.setParameter(kModAmp, 0.7f);
  host.setParameter(kBinDelay, 0.6f);
  host.setParameter(kDryWet, 0.75f);
  uint64_t hash = 1469598103934665603ull;
  uint32_t seed = 99;
  for (int block = 0; block < 200; ++block) {
    const int n = 1 + (block * 277) % 1024;
    StereoBuffers buffers(n);
    buffers.fillNoise(seed++);
    float** inputs = buffers.inputs();
    float* outputs[2] = {buffers.out[0].data(), buffers.out[1].data()};
    if (layout == Layout::kInPlace) std::copy(inputs, inputs + 2, outputs);
    if (layout == Layout::kCrossed) outputs[0] = inputs[1], outputs[1] = inputs[0];
    host.processReplacing(inputs, outputs, n);
    for (const float* channel : outputs)
      for (int i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, channel + i, sizeof bits);
        hash = (hash ^ bits) * 1099511628211ull;
      }
  }
  return hash;
}

constexpr uint64_t kGoldenHash = 0xB3CC4FEB2CD17FD2ull;

// Every build of the plug-in (this test runs against the Linux shared object
// natively and against the DLLs under Wine) produces the same output bits.
TEST_F(PluginBinary, OutputBitsAreTheSameOnEveryTarget) { EXPECT_EQ(outputHash(library_.entry()), kGoldenHash); }

// The same through test builds of the binary pinned to each kernel set: the
// shipped binary runs only the best set the CPU has, and the others must give
// the same bits on the machines that pick them.
class PinnedPluginBinary : public ::testing::TestWithParam<const char*> {};

TEST_P(PinnedPluginBinary, OutputBitsAreTheSameForEveryKernelSet) {
  PluginLibrary library;
  const std::string path = std::string(BRISKO_PINNED_PLUGIN_PREFIX) + GetParam() + BRISKO_PLUGIN_SUFFIX;
  ASSERT_TRUE(library.open(path)) << library.error();
  using SetQuery = int32_t (*)();
  const auto activeSet = reinterpret_cast<SetQuery>(library.symbol("briskoActiveKernelSet"));
  ASSERT_NE(activeSet, nullptr) << path << " does not tell its kernel set";
  const int32_t pinned = static_cast<int32_t>(std::find(kSetNames, std::end(kSetNames), std::string(GetParam())) -
                                              kSetNames);
  // The binary falls back to SSE2 where the CPU does not run its set.
  if (activeSet() != pinned) GTEST_SKIP() << "this CPU does not run the " << GetParam() << " kernels";
  EXPECT_EQ(outputHash(library.entry()), kGoldenHash) << GetParam();
  // Buffers over each other, as hosts pass them: every set's mix reads both
  // channels' inputs before it writes either output.
  EXPECT_EQ(outputHash(library.entry(), Layout::kInPlace), kGoldenHash) << GetParam() << " in place";
  EXPECT_EQ(outputHash(library.entry(), Layout::kCrossed), kGoldenHash) << GetParam() << " crossed";
}

INSTANTIATE_TEST_SUITE_P(KernelSets, PinnedPluginBinary, ::testing::ValuesIn(kSetNames),
                         [](const auto& set) { return std::string(set.param); });

}  // namespace
}  // namespace brisko::host
