// The engine's output bits for a fixed input and parameter schedule. The same
// expectation holds on every target (the Windows build runs this under Wine),
// which is what proves that every target computes the same bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "effect/ChannelProcessor.h"

namespace brisko {
namespace {

struct Hash {
  uint64_t value = 1469598103934665603ull;
  void add(const float* data, int n) {
    for (int i = 0; i < n; ++i) {
      uint32_t bits;
      std::memcpy(&bits, &data[i], sizeof bits);
      for (int byte = 0; byte < 4; ++byte) {
        value ^= (bits >> (8 * byte)) & 0xFFu;
        value *= 1099511628211ull;
      }
    }
  }
};

uint64_t renderHash(float binDelay, float modAmp) {
  ChannelProcessor engine(44100);
  std::vector<float> block(777);
  uint32_t state = 2024;
  Hash hash;
  for (int call = 0; call < 300; ++call) {
    const int n = 1 + (call * 131) % 777;
    for (int i = 0; i < n; ++i) {
      state = state * 1664525u + 1013904223u;
      block[i] = static_cast<float>(static_cast<int32_t>(state)) * 4.6e-10f;
    }
    SpectrumFrameList* frames = engine.analyzer().analyze(block.data(), n);
    engine.setBlockFrames(frames);
    const float delay = 0.002f + 0.001f * static_cast<float>(call % 7);
    engine.processFrames(delay, 0.8f, 0.9f, modAmp, binDelay);
    hash.add(engine.synthesizer().synthesize(frames, n), n);
  }
  return hash.value;
}

TEST(EngineGolden, SameBitsOnEveryTarget) {
  EXPECT_EQ(renderHash(0.0f, 0.0f), 0x4D76DDA467E39A48ull);
  EXPECT_EQ(renderHash(0.0f, 1.0f), 0x82B42DCD1FEE4638ull);
  EXPECT_EQ(renderHash(0.37f, 0.6f), 0xDEDC0C720AC3A86Full);
  EXPECT_EQ(renderHash(1.0f, 1.0f), 0xAE8205AF5408956Dull);
}

}  // namespace
}  // namespace brisko
