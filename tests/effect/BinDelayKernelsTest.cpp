#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effect/BinDelayKernels.h"
#include "effect/SignalKernels.h"

namespace brisko {
namespace {

constexpr int kBins = 128;
constexpr int kWidth = 2 * kBins;  // a history row: both halves, bin by bin
constexpr int kRows = 8;

struct Buffers {
  std::vector<float> first, second, history;
  explicit Buffers(uint32_t seed) : first(kBins), second(kBins), history(kRows * kWidth) {
    for (auto* v : {&first, &second, &history})
      for (float& x : *v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<int32_t>(seed)) * 1.7e-9f;
      }
  }
  BinDelayFrame frame(int writeRow, double feedback) {
    return {first.data(), second.data(), history.data(), history.data() + writeRow * kWidth, feedback, kBins};
  }
};

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Every implementation this CPU runs, each checked on its own.
struct Implementation {
  const char* name;
  const BinDelayKernels* kernels;
};
std::vector<Implementation> implementations() {
  std::vector<Implementation> list;
  for (int32_t set = 0; set < kKernelSetCount; ++set)
    if (const SignalKernels* kernels = signalKernels(static_cast<KernelSet>(set)))
      list.push_back({kernelSetName(kernels->set), kernels->binDelay});
  return list;
}

// The vector path for a shared tap must give the bits of the one-bin path.
TEST(BinDelayKernels, UniformTapMatchesPerBinPath) {
  for (const Implementation& implementation : implementations()) {
    SCOPED_TRACE(implementation.name);
    for (int writeRow : {0, 3, 5}) {
      for (double frac : {0.0, 0.25, static_cast<double>(0.3337f), 1.0 - 1.0 / 4096}) {
        const ReadTap tap{3 * kWidth, 4 * kWidth, frac};  // reads row 3, which is also a write row above
        Buffers vector(42), scalar(42);
        implementation.kernels->uniform(vector.frame(writeRow, static_cast<float>(1.4f)), tap);
        std::vector<int32_t> slots(kBins, 0);
        const BinDelayFrame frame = scalar.frame(writeRow, static_cast<float>(1.4f));
        implementation.kernels->perBin(&frame, 1, &tap, slots.data());
        EXPECT_TRUE(sameBits(vector.first, scalar.first));
        EXPECT_TRUE(sameBits(vector.second, scalar.second));
        EXPECT_TRUE(sameBits(vector.history, scalar.history));
      }
    }
  }
}

// A tap on the write row reads the old value before replacing it.
TEST(BinDelayKernels, TapOnTheWriteRowReadsBeforeWriting) {
  for (const Implementation& implementation : implementations()) {
    SCOPED_TRACE(implementation.name);
    Buffers buffers(7);
    std::vector<float> oldFirst(kBins), oldSecond(kBins);
    for (int j = 0; j < kBins; ++j) {
      oldFirst[j] = buffers.history[2 * kWidth + 2 * j];
      oldSecond[j] = buffers.history[2 * kWidth + 2 * j + 1];
    }
    const ReadTap tap{2 * kWidth, 3 * kWidth, 0.0};
    implementation.kernels->uniform(buffers.frame(2, 0.0), tap);
    EXPECT_TRUE(sameBits(buffers.first, oldFirst));
    EXPECT_TRUE(sameBits(buffers.second, oldSecond));
  }
}

// Each bin through its own tap (the four-bin gathers included), for two
// channels at once: the bits of the formula, bin by bin, with every read
// before the write row changes.
TEST(BinDelayKernels, PerBinTapsMatchTheFormulaBinByBin) {
  const ReadTap taps[5] = {{3 * kWidth, 4 * kWidth, 0.5},
                           {0, kWidth, static_cast<double>(0.3337f)},
                           {6 * kWidth, 7 * kWidth, 0.0},
                           {7 * kWidth, 0, 1.0 - 1.0 / 4096},
                           {5 * kWidth, 6 * kWidth, 0.125}};
  std::vector<int32_t> slots(kBins);
  uint32_t seed = 5;
  for (int32_t& slot : slots) {
    seed = seed * 1664525u + 1013904223u;
    slot = static_cast<int32_t>(seed >> 29) % 5;
  }
  constexpr int kWriteRow = 3;  // also a row that taps 0 reads
  const double feedback = static_cast<float>(1.4f);
  for (const Implementation& implementation : implementations()) {
    SCOPED_TRACE(implementation.name);
    Buffers left(11), right(13);
    const BinDelayFrame frames[2] = {left.frame(kWriteRow, feedback), right.frame(kWriteRow, feedback)};
    implementation.kernels->perBin(frames, 2, taps, slots.data());
    for (uint32_t channelSeed : {11u, 13u}) {
      const Buffers& actual = channelSeed == 11u ? left : right;
      Buffers expected(channelSeed);
      const Buffers before(channelSeed);
      for (int j = 0; j < kBins; ++j) {
        const ReadTap& tap = taps[slots[j]];
        for (int half = 0; half < 2; ++half) {
          std::vector<float>& spectrum = half ? expected.second : expected.first;
          const double h0 = before.history[tap.row0Offset + 2 * j + half];
          const double a = h0 + tap.frac * (before.history[tap.row1Offset + 2 * j + half] - h0);
          expected.history[kWriteRow * kWidth + 2 * j + half] = static_cast<float>((spectrum[j] + feedback * a) * 0.5);
          spectrum[j] = static_cast<float>(a);
        }
      }
      EXPECT_TRUE(sameBits(actual.first, expected.first));
      EXPECT_TRUE(sameBits(actual.second, expected.second));
      EXPECT_TRUE(sameBits(actual.history, expected.history));
    }
  }
}

}  // namespace
}  // namespace brisko
