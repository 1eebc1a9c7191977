// The built LV2 binary, loaded as an LV2 host loads it: what it answers to
// odd hosts, and that its output is the VST 2 plug-in's for the same blocks
// and parameter changes.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "host/PluginHost.h"
#include "host/PluginLibrary.h"
#include "tests/effect/CountedAllocation.h"
#include "tests/integration/StereoBuffers.h"

// Every heap allocation of the process is counted (CountedAllocation.cpp);
// the binary's allocations reach the counting functions through the
// program's exported symbols.
using brisko::testing::allocations;

namespace brisko::host {
namespace {

constexpr uint32_t kControls = 6, kInLeft = 6, kInRight = 7, kOutLeft = 8, kOutRight = 9;
constexpr float kSettings[kControls] = {0.05f, 0.6f, 0.5f, 0.8f, 0.3f, 0.7f};

class Lv2Binary : public ::testing::Test {
 protected:
  void SetUp() override {
    module = dlopen(BRISKO_LV2_DSP_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(entry(1), nullptr);
    ASSERT_TRUE(vst.open(BRISKO_PLUGIN_PATH)) << vst.error();
  }
  void TearDown() override {
    if (module) dlclose(module);
  }

  LV2_Handle instantiate(double rate = 44100.0) {
    static const LV2_Feature* const noFeatures[] = {nullptr};
    return descriptor->instantiate(descriptor, rate, "/nonexistent/", noFeatures);
  }
  // Connects the controls to `controls` and the audio ports to `buffers`.
  void connect(LV2_Handle instance, float* controls, StereoBuffers& buffers) {
    for (uint32_t p = 0; p < kControls; ++p) descriptor->connect_port(instance, p, &controls[p]);
    descriptor->connect_port(instance, kInLeft, buffers.in[0].data());
    descriptor->connect_port(instance, kInRight, buffers.in[1].data());
    descriptor->connect_port(instance, kOutLeft, buffers.out[0].data());
    descriptor->connect_port(instance, kOutRight, buffers.out[1].data());
  }
  // Renders `buffers.in` in blocks of the lengths in `blocks`, repeated, with
  // the port values of `controls` (Dry/Wet moved half-way through).
  std::vector<float> renderLv2(LV2_Handle instance, StereoBuffers& whole, const std::vector<int>& blocks) {
    float controls[kControls];
    std::copy(std::begin(kSettings), std::end(kSettings), controls);
    const int frames = static_cast<int>(whole.in[0].size());
    std::vector<float> result;
    descriptor->activate(instance);
    for (size_t b = 0, at = 0; static_cast<int>(at) < frames; ++b) {
      const int length = std::min(blocks[b % blocks.size()], frames - static_cast<int>(at));
      StereoBuffers block(length);
      for (int c = 0; c < 2; ++c) std::copy_n(whole.in[c].begin() + static_cast<long>(at), length, block.in[c].begin());
      controls[5] = static_cast<int>(at) < frames / 2 ? kSettings[5] : 0.25f;
      connect(instance, controls, block);
      descriptor->run(instance, static_cast<uint32_t>(length));
      for (int i = 0; i < length; ++i) result.insert(result.end(), {block.out[0][i], block.out[1][i]});
      at += static_cast<size_t>(length);
    }
    descriptor->deactivate(instance);
    return result;
  }
  std::vector<float> renderVst(StereoBuffers& whole, const std::vector<int>& blocks) {
    PluginHost host(vst.entry());
    EXPECT_TRUE(host.create());
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.dispatch(effMainsChanged, 0, 1);
    for (uint32_t p = 0; p < kControls; ++p) host.setParameter(static_cast<int32_t>(p), kSettings[p]);
    const int frames = static_cast<int>(whole.in[0].size());
    std::vector<float> result;
    for (size_t b = 0, at = 0; static_cast<int>(at) < frames; ++b) {
      const int length = std::min(blocks[b % blocks.size()], frames - static_cast<int>(at));
      StereoBuffers block(length);
      for (int c = 0; c < 2; ++c) std::copy_n(whole.in[c].begin() + static_cast<long>(at), length, block.in[c].begin());
      host.setParameter(5, static_cast<int>(at) < frames / 2 ? kSettings[5] : 0.25f);
      host.processReplacing(block.inputs(), block.outputs(), length);
      for (int i = 0; i < length; ++i) result.insert(result.end(), {block.out[0][i], block.out[1][i]});
      at += static_cast<size_t>(length);
    }
    return result;
  }

  void* module = nullptr;
  const LV2_Descriptor* descriptor = nullptr;
  PluginLibrary vst;
};

TEST_F(Lv2Binary, RefusesRatesNoHostRunsAt) {
  EXPECT_STREQ(descriptor->URI, "urn:brisko:dynamic-spectrum-delay");
  for (double rate : {0.0, -44100.0, 1.0, 1e12, std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(instantiate(rate), nullptr) << rate;
  }
  for (double rate : {8000.0, 44100.0, 192000.0}) {
    LV2_Handle instance = instantiate(rate);
    EXPECT_NE(instance, nullptr) << rate;
    descriptor->cleanup(instance);
  }
  // No feature is needed: a host offering none, or only ones never heard of, gets an instance.
  const LV2_Feature odd{"urn:nobody:feature", nullptr};
  const LV2_Feature* const features[] = {&odd, nullptr};
  LV2_Handle instance = descriptor->instantiate(descriptor, 48000.0, "", features);
  ASSERT_NE(instance, nullptr);
  descriptor->cleanup(instance);
  EXPECT_EQ(descriptor->extension_data("http://lv2plug.in/ns/ext/state#interface"), nullptr);
}

// Missing ports are silence in and nothing out, whatever the order of calls.
TEST_F(Lv2Binary, UnconnectedAndOddPortsAreSafe) {
  LV2_Handle instance = instantiate();
  ASSERT_NE(instance, nullptr);
  descriptor->run(instance, 512);  // nothing connected, not even activated
  StereoBuffers buffers(600);
  buffers.fillNoise(3);
  descriptor->connect_port(instance, 99, buffers.out[0].data());
  descriptor->connect_port(instance, UINT32_MAX, nullptr);
  descriptor->connect_port(instance, kOutLeft, buffers.out[0].data());
  descriptor->activate(instance);
  descriptor->run(instance, 600);  // one output, no input: the wet part of silence
  for (float x : buffers.out[0]) ASSERT_EQ(x, 0.0f);
  float controls[kControls];
  std::fill(std::begin(controls), std::end(controls), std::numeric_limits<float>::quiet_NaN());
  controls[1] = std::numeric_limits<float>::infinity();
  connect(instance, controls, buffers);
  buffers.in[0][10] = std::numeric_limits<float>::infinity();
  buffers.in[1][20] = std::numeric_limits<float>::quiet_NaN();
  descriptor->run(instance, 600);
  descriptor->run(instance, 0);
  descriptor->connect_port(instance, kInLeft, nullptr);
  descriptor->connect_port(instance, 0, nullptr);
  descriptor->run(instance, 1);
  descriptor->deactivate(instance);
  descriptor->cleanup(instance);
  descriptor->connect_port(nullptr, 0, nullptr);
  descriptor->run(nullptr, 16);
  descriptor->activate(nullptr);
  descriptor->cleanup(nullptr);
}

// The bits of the VST 2 plug-in for the same blocks and the same change of a
// parameter between two of them, from one frame per call to irregular ones.
TEST_F(Lv2Binary, OutputEqualsTheVstPluginsForTheSameBlocks) {
  StereoBuffers whole(44100);
  whole.fillNoise(11);
  // The last instance is made under another rounding mode, as a host may leave it.
  for (const std::vector<int>& blocks : {std::vector<int>{512}, std::vector<int>{1}, std::vector<int>{1, 127, 4000, 333},
                                            std::vector<int>{20000, 3, 9000}}) {
    if (blocks.size() == 3) std::fesetround(FE_TOWARDZERO);
    LV2_Handle instance = instantiate();
    std::fesetround(FE_TONEAREST);
    ASSERT_NE(instance, nullptr);
    const std::vector<float> lv2 = renderLv2(instance, whole, blocks);
    descriptor->cleanup(instance);
    const std::vector<float> reference = renderVst(whole, blocks);
    ASSERT_EQ(lv2.size(), reference.size());
    EXPECT_EQ(0, std::memcmp(lv2.data(), reference.data(), lv2.size() * sizeof(float))) << blocks.size();
  }
}

// Activated again after a deactivation, the effect starts from silence: the
// same output as a new instance's, not the echoes of the first run.
TEST_F(Lv2Binary, ReactivationForgetsThePastRun) {
  StereoBuffers whole(20000);
  whole.fillNoise(5);
  LV2_Handle instance = instantiate();
  ASSERT_NE(instance, nullptr);
  const std::vector<float> first = renderLv2(instance, whole, {512});
  const std::vector<float> second = renderLv2(instance, whole, {512});
  descriptor->cleanup(instance);
  ASSERT_EQ(first.size(), second.size());
  EXPECT_EQ(0, std::memcmp(first.data(), second.data(), first.size() * sizeof(float)));
}

// Once the longest block was seen, no block of any length allocates; runs
// longer than the effect's longest call do not either.
TEST_F(Lv2Binary, RunAllocatesNothingOnceTheLongestBlockWasSeen) {
  const long beforeInstance = allocations.load();
  LV2_Handle instance = instantiate();
  ASSERT_NE(instance, nullptr);
  ASSERT_GT(allocations.load(), beforeInstance) << "the binary's allocations are not counted";
  StereoBuffers buffers(30000);
  buffers.fillNoise(9);
  float controls[kControls];
  std::copy(std::begin(kSettings), std::end(kSettings), controls);
  connect(instance, controls, buffers);
  descriptor->activate(instance);
  descriptor->run(instance, 8192);
  const long before = allocations.load();
  for (uint32_t length : {1u, 8192u, 5u, 128u, 4097u, 256u, 8191u, 30000u}) {
    controls[0] = static_cast<float>(length) / 8192.0f;
    descriptor->run(instance, length);
  }
  EXPECT_EQ(allocations.load(), before);
  descriptor->cleanup(instance);
}

}  // namespace
}  // namespace brisko::host
