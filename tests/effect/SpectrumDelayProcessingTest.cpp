#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "effect/SignalKernels.h"
#include "effect/SpectrumDelay.h"
#include "plugin/FloatingPointGuard.h"
#include "tests/plugin/TestHost.h"

namespace brisko {
namespace {

using testing::HostCall;
using testing::TestHost;
using testing::TestHostScope;

using Channels = std::vector<std::vector<float>>;

// Deterministic noise in -0.5 .. 0.5 on both channels, different per channel.
Channels noise(size_t length, uint32_t seed = 1) {
  Channels signal(2, std::vector<float>(length));
  uint32_t state = seed;
  for (auto& channel : signal) {
    for (float& x : channel) {
      state = state * 1664525u + 1013904223u;
      x = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    }
  }
  return signal;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// InPlace: each channel's output is its input buffer; Crossed: the other
// channel's input buffer.
enum class Mode { Overwrite, Add, InPlace, Crossed };

// Feeds `input` through `effect` in blocks of `block` samples; outputs start
// at `start` (zero by default) for the adding form.
Channels run(SpectrumDelay& effect, const Channels& input, int32_t block, Mode mode = Mode::Overwrite,
             float start = 0.0f) {
  const size_t length = input[0].size();
  Channels output(2, std::vector<float>(length, start));
  std::vector<float> scratch[2];
  for (size_t at = 0; at < length; at += static_cast<size_t>(block)) {
    const auto n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), length - at));
    float* in[2];
    float* out[2];
    for (int c = 0; c < 2; ++c) {
      scratch[c].assign(input[c].begin() + static_cast<std::ptrdiff_t>(at),
                        input[c].begin() + static_cast<std::ptrdiff_t>(at) + n);
      in[c] = scratch[c].data();
      out[c] = mode == Mode::InPlace ? in[c] : output[c].data() + at;
    }
    if (mode == Mode::Crossed) {
      out[0] = in[1];
      out[1] = in[0];
    }
    if (mode == Mode::Add)
      effect.processAdding(in, out, n);
    else
      effect.processOverwriting(in, out, n);
    if (mode == Mode::InPlace || mode == Mode::Crossed)
      for (int c = 0; c < 2; ++c) {
        const std::vector<float>& written = scratch[mode == Mode::Crossed ? 1 - c : c];
        std::copy(written.begin(), written.end(), output[c].begin() + at);
      }
  }
  return output;
}

// Settings under which the wet path is audible within a few thousand samples.
void makeAudible(SpectrumDelay& effect, float dryWet) {
  effect.storeParameter(kParamDelayTime, 0.002f);
  effect.storeParameter(kParamFeedback, 0.6f);
  effect.storeParameter(kParamModFreq, 0.3f);
  effect.storeParameter(kParamModAmp, 0.5f);
  effect.storeParameter(kParamBinDelay, 0.05f);
  effect.storeParameter(kParamDryWet, dryWet);
}

class Processing : public ::testing::Test {
 protected:
  std::unique_ptr<SpectrumDelay> make(float dryWet = 0.5f) {
    auto effect = std::make_unique<SpectrumDelay>(&TestHost::callback);
    makeAudible(*effect, dryWet);
    return effect;
  }
  TestHostScope host;
};

TEST_F(Processing, NothingButSilenceInTheFirstFrameAndAWetSignalAfterIt) {
  auto effect = make(1.0f);
  const Channels input = noise(4096);
  const Channels output = run(*effect, input, 512);
  for (int c = 0; c < 2; ++c) {
    for (size_t i = 0; i < 256; ++i) ASSERT_EQ(output[c][i], 0.0f) << i;
    double energy = 0.0;
    for (size_t i = 1024; i < 4096; ++i) energy += output[c][i] * output[c][i];
    EXPECT_GT(energy, 1.0) << c;
  }
}

TEST_F(Processing, DryOnlyCopiesTheInputOrAddsItToTheOutput) {
  auto overwriting = make(0.0f);
  auto adding = make(0.0f);
  const Channels input = noise(3000);
  const Channels copied = run(*overwriting, input, 256);
  const Channels added = run(*adding, input, 256, Mode::Add, 0.25f);
  for (int c = 0; c < 2; ++c) {
    EXPECT_TRUE(sameBits(copied[c], input[c])) << c;
    for (size_t i = 0; i < input[c].size(); ++i)
      ASSERT_EQ(added[c][i], static_cast<float>(0.25 + static_cast<double>(input[c][i]))) << i;
  }
  // The wet path kept running underneath.
  EXPECT_EQ(overwriting->channel(0).writeRow(), 3000 / 128 - 1);
}

TEST_F(Processing, AddingOntoZerosEqualsOverwritingAndInPlaceEqualsSeparate) {
  auto a = make();
  auto b = make();
  auto c = make();
  auto d = make();
  const Channels input = noise(6000);
  const Channels overwritten = run(*a, input, 300);
  const Channels added = run(*b, input, 300, Mode::Add);
  const Channels inPlace = run(*c, input, 300, Mode::InPlace);
  // Each output written over the other channel's input: both inputs are read first.
  const Channels crossed = run(*d, input, 300, Mode::Crossed);
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_TRUE(sameBits(overwritten[ch], added[ch])) << ch;
    EXPECT_TRUE(sameBits(overwritten[ch], inPlace[ch])) << ch;
    EXPECT_TRUE(sameBits(overwritten[ch], crossed[ch])) << ch;
    EXPECT_FALSE(sameBits(overwritten[ch], input[ch]));
  }
}

// The adding form at a fractional "Dry/Wet" onto outputs that already hold
// values: the old value is added to the mix in double, and the sum is rounded
// once. Rounding the mix first, or mixing in float, gives other bits.
TEST_F(Processing, AddingAtAFractionalMixRoundsOnceAfterTheOldValue) {
  constexpr float kMix = 0.3f;
  constexpr int32_t kBlock = 300;
  auto wetOnly = make(1.0f);
  auto adding = make(kMix);
  const Channels input = noise(6000, 7);
  const Channels wet = run(*wetOnly, input, kBlock);
  Channels old = noise(6000, 8);
  for (auto& channel : old)
    for (float& x : channel) x *= 3.0f;
  Channels output = old;
  for (size_t at = 0; at < 6000; at += kBlock) {
    float* in[2] = {const_cast<float*>(input[0].data() + at), const_cast<float*>(input[1].data() + at)};
    float* out[2] = {output[0].data() + at, output[1].data() + at};
    adding->processAdding(in, out, kBlock);
  }
  int mixRoundedFirst = 0, mixedInFloat = 0;
  for (int c = 0; c < 2; ++c) {
    for (size_t i = 0; i < 6000; ++i) {
      const double mix = (1.0 - kMix) * input[c][i] + static_cast<double>(kMix) * wet[c][i];
      const float expected = static_cast<float>(old[c][i] + mix);
      ASSERT_EQ(output[c][i], expected) << c << " " << i;
      mixRoundedFirst += expected != old[c][i] + static_cast<float>(mix);
      mixedInFloat += expected != old[c][i] + ((1.0f - kMix) * input[c][i] + kMix * wet[c][i]);
    }
  }
  EXPECT_GT(mixRoundedFirst, 0);
  EXPECT_GT(mixedInFloat, 0);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BRISKO_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define BRISKO_SANITIZED_BUILD 1
#endif
#endif

// The whole chain does not depend on how the host cuts the stream: irregular
// blocks (empty ones and 1 to 3000 samples) give the same bits as constant
// 128-sample blocks, under full modulation, a bin delay and high feedback,
// over several laps of the history (one lap in the slower sanitizer builds).
TEST_F(Processing, IrregularBlocksGiveTheSameBitsAsRegularOnesOverALongRun) {
  constexpr size_t kSegment = size_t{1} << 16;
#if defined(BRISKO_SANITIZED_BUILD)
  constexpr size_t kSegments = 7;
#else
  constexpr size_t kSegments = 48;  // 3.1 M samples per channel
#endif
  auto irregular = make(1.0f);
  auto regular = make(1.0f);
  for (SpectrumDelay* effect : {irregular.get(), regular.get()}) {
    effect->storeParameter(kParamDelayTime, 0.05f);
    effect->storeParameter(kParamFeedback, 0.95f);
    effect->storeParameter(kParamModFreq, 0.5f);
    effect->storeParameter(kParamModAmp, 1.0f);
    effect->storeParameter(kParamBinDelay, 0.6f);
  }
  uint32_t state = 3;
  int blocks = 0, empty = 0;
  for (size_t segment = 0; segment < kSegments; ++segment) {
    const Channels input = noise(kSegment, static_cast<uint32_t>(1000 + segment));
    const Channels expected = run(*regular, input, ChannelProcessor::kFrameSize / 2);
    Channels output(2, std::vector<float>(kSegment));
    for (size_t at = 0; at < kSegment;) {
      state = state * 1664525u + 1013904223u;
      const size_t wanted = blocks++ % 40 == 0 ? 0 : 1 + (state >> 8) % 3000;
      const size_t n = std::min(wanted, kSegment - at);
      float* in[2] = {const_cast<float*>(input[0].data() + at), const_cast<float*>(input[1].data() + at)};
      float* out[2] = {output[0].data() + at, output[1].data() + at};
      irregular->processOverwriting(in, out, static_cast<int32_t>(n));
      empty += n == 0;
      at += n;
    }
    for (int c = 0; c < 2; ++c) ASSERT_TRUE(sameBits(output[c], expected[c])) << "segment " << segment << " channel " << c;
  }
  EXPECT_GT(empty, 5);
  EXPECT_GT(regular->channel(0).writeRow(), 0);
}

TEST_F(Processing, BlocksShorterThanTheHopGiveTheSameStreamAsLongBlocks) {
  auto shortBlocks = make();
  auto longBlocks = make();
  const Channels input = noise(8192);
  const Channels a = run(*shortBlocks, input, 40);
  const Channels b = run(*longBlocks, input, 1024);
  for (int c = 0; c < 2; ++c) EXPECT_TRUE(sameBits(a[c], b[c])) << c;
}

TEST_F(Processing, ZeroAndNegativeLengthsWriteNothing) {
  auto effect = make();
  float guard[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  float* in[2] = {guard[0], guard[1]};
  float* out[2] = {guard[0], guard[1]};
  for (int32_t n : {0, -1, -1000, std::numeric_limits<int32_t>::min()}) {
    effect->processOverwriting(in, out, n);
    effect->processAdding(in, out, n);
  }
  effect->processOverwriting(nullptr, nullptr, 0);
  EXPECT_EQ(guard[0][0], 1.0f);
  EXPECT_EQ(guard[1][3], 8.0f);
}

TEST_F(Processing, ANegativeLengthLeavesTheStreamAsItWas) {
  auto interrupted = make();
  auto steady = make();
  const Channels input = noise(4096);
  const Channels first = run(*interrupted, Channels{{input[0].begin(), input[0].begin() + 2048},
                                                    {input[1].begin(), input[1].begin() + 2048}},
                             256);
  float* none[2] = {nullptr, nullptr};
  interrupted->processOverwriting(none, none, -7);
  const Channels second = run(*interrupted, Channels{{input[0].begin() + 2048, input[0].end()},
                                                     {input[1].begin() + 2048, input[1].end()}},
                              256);
  const Channels reference = run(*steady, input, 256);
  for (int c = 0; c < 2; ++c) {
    EXPECT_TRUE(std::equal(second[c].begin(), second[c].end(), reference[c].begin() + 2048)) << c;
  }
}

TEST_F(Processing, ParameterChangesTakeEffectFromTheNextBlock) {
  auto changed = make();
  auto unchanged = make();
  const Channels input = noise(4096);
  const Channels head{{input[0].begin(), input[0].begin() + 2048}, {input[1].begin(), input[1].begin() + 2048}};
  const Channels tail{{input[0].begin() + 2048, input[0].end()}, {input[1].begin() + 2048, input[1].end()}};
  const Channels a1 = run(*changed, head, 512);
  const Channels b1 = run(*unchanged, head, 512);
  for (int c = 0; c < 2; ++c) EXPECT_TRUE(sameBits(a1[c], b1[c]));

  changed->storeParameter(kParamDelayTime, 0.004f);
  changed->storeParameter(kParamFeedback, 0.1f);
  const Channels a2 = run(*changed, tail, 512);
  const Channels b2 = run(*unchanged, tail, 512);
  for (int c = 0; c < 2; ++c) EXPECT_FALSE(sameBits(a2[c], b2[c]));

  changed->storeParameter(kParamDryWet, 0.0f);
  const Channels dry = run(*changed, tail, 512);
  for (int c = 0; c < 2; ++c) EXPECT_TRUE(sameBits(dry[c], tail[c]));
}

TEST_F(Processing, MixFactorsOutsideZeroToOneAreClampedAndNaNMixesDry) {
  const Channels input = noise(3000);
  auto fullyWet = make(1.0f);
  const Channels wet = run(*fullyWet, input, 500);
  auto beyond = make(7.0f);
  const Channels clampedHigh = run(*beyond, input, 500);
  auto below = make(-3.0f);
  const Channels clampedLow = run(*below, input, 500);
  auto notANumber = make(std::numeric_limits<float>::quiet_NaN());
  const Channels nanMix = run(*notANumber, input, 500);
  auto infinite = make(std::numeric_limits<float>::infinity());
  const Channels infiniteMix = run(*infinite, input, 500);
  for (int c = 0; c < 2; ++c) {
    EXPECT_TRUE(sameBits(clampedHigh[c], wet[c]));
    EXPECT_TRUE(sameBits(infiniteMix[c], wet[c]));
    EXPECT_TRUE(sameBits(clampedLow[c], input[c]));
    EXPECT_TRUE(sameBits(nanMix[c], input[c]));
  }
  EXPECT_EQ(beyond->parameterValue(kParamDryWet), 7.0f);  // stored as given
}

// Each kernel set's four-frame mix against the formula, over the buffer
// layouts hosts pass and it is given (apart, in place, crossed, outputs in one
// buffer four samples apart), overwriting and adding, with "Dry/Wet" values
// that need clamping.
TEST(StereoMixKernels, EverySetsMixGivesTheFormulasBitsOverHostBufferLayouts) {
  constexpr int32_t kFrames = 23;  // five groups of four and a tail the quads leave alone
  enum Layout { kApart, kInPlace, kCrossed, kOneBufferApart };
  for (int32_t set = 0; set < kKernelSetCount; ++set) {
    const SignalKernels* kernels = signalKernels(static_cast<KernelSet>(set));
    if (!kernels || !kernels->stereoMixQuads) continue;
    for (const float dryWet : {0.3f, 1.5f, -0.0f}) {
      for (const bool adding : {false, true}) {
        for (const Layout layout : {kApart, kInPlace, kCrossed, kOneBufferApart}) {
          SCOPED_TRACE(std::string(kernelSetName(kernels->set)) + " layout " + std::to_string(layout));
          const Channels input = noise(kFrames, 3), wet = noise(kFrames, 4), old = noise(kFrames, 5);
          std::vector<float> memory(4 * kFrames);  // inputs, then outputs
          std::copy(input[0].begin(), input[0].end(), memory.begin());
          std::copy(input[1].begin(), input[1].end(), memory.begin() + kFrames);
          const float* in[2] = {memory.data(), memory.data() + kFrames};
          float* out[2] = {memory.data() + 2 * kFrames, memory.data() + 3 * kFrames};
          if (layout == kInPlace) out[0] = memory.data(), out[1] = memory.data() + kFrames;
          if (layout == kCrossed) out[0] = memory.data() + kFrames, out[1] = memory.data();
          if (layout == kOneBufferApart) out[1] = out[0] + 4;  // the left output's later samples
          if (layout == kApart || layout == kOneBufferApart) std::copy(old[0].begin(), old[0].end(), out[0]);
          if (layout == kApart) std::copy(old[1].begin(), old[1].end(), out[1]);
          // What each output held before, and the formula, frame by frame.
          Channels before(2, std::vector<float>(kFrames)), expected = before;
          const std::atomic<float> mix{dryWet};
          const double w = dryWet > 1.0f ? 1.0 : dryWet >= 0.0f ? dryWet : 0.0;
          std::vector<float> simulated = memory;
          const std::ptrdiff_t outAt[2] = {out[0] - memory.data(), out[1] - memory.data()};
          const std::ptrdiff_t inAt[2] = {in[0] - memory.data(), in[1] - memory.data()};
          const int32_t done =
              kernels->stereoMixQuads({{in[0], in[1]}, {out[0], out[1]}, {wet[0].data(), wet[1].data()}, &mix, kFrames},
                                      adding);
          ASSERT_EQ(done, kFrames / 4 * 4);
          for (int32_t i = 0; i < done; i += 4) {
            // A group of four reads both inputs and both old outputs before it writes.
            float dry[2][4], target[2][4];
            for (int c = 0; c < 2; ++c)
              for (int k = 0; k < 4; ++k) {
                dry[c][k] = simulated[inAt[c] + i + k];
                target[c][k] = simulated[outAt[c] + i + k];
              }
            for (int c = 0; c < 2; ++c)
              for (int k = 0; k < 4; ++k) {
                const double mixed = (1.0 - w) * dry[c][k] + w * wet[c][i + k];
                simulated[outAt[c] + i + k] = static_cast<float>(adding ? target[c][k] + mixed : mixed);
              }
          }
          EXPECT_TRUE(sameBits(memory, simulated));
        }
      }
    }
  }
}

TEST_F(Processing, NullChannelPointersGiveSilenceAsTheirWetSignal) {
  const Channels input = noise(2048);
  auto reference = make();
  const Channels expected = run(*reference, input, 512);

  auto effect = make();
  Channels output(2, std::vector<float>(2048, 9.0f));
  for (size_t at = 0; at < 2048; at += 512) {
    float* in[2] = {const_cast<float*>(input[0].data()) + at, nullptr};
    float* out[2] = {output[0].data() + at, output[1].data() + at};
    effect->processOverwriting(in, out, 512);
  }
  EXPECT_TRUE(sameBits(output[0], expected[0]));
  for (float x : output[1]) ASSERT_EQ(x, 0.0f);

  // Adding onto an output whose input is missing leaves it as it was.
  std::vector<float> kept(512, 0.5f);
  float* in[2] = {const_cast<float*>(input[0].data()), nullptr};
  float* out[2] = {nullptr, kept.data()};
  effect->processAdding(in, out, 512);
  for (float x : kept) ASSERT_EQ(x, 0.5f);

  effect->processOverwriting(nullptr, out, 512);
  effect->processAdding(in, nullptr, 512);
  for (float x : kept) ASSERT_EQ(x, 0.0f);
}

// The two engines run through their frames together while they are in step;
// each channel must still get what its engine alone gives, also after one
// block without right input has put the engines out of step for good.
TEST_F(Processing, EachChannelIsWhatItsEngineAloneGivesTogetherOrApart) {
  constexpr int32_t kBlock = 384;
  constexpr size_t kLength = 40 * kBlock;
  constexpr size_t kSkipped = 20;  // block without right input
  const Channels input = noise(kLength, 3);
  for (float binDelay : {0.0f, 0.45f, 1.0f}) {
    auto effect = make(1.0f);
    effect->storeParameter(kParamBinDelay, binDelay);
    Channels output(2, std::vector<float>(kLength));
    for (size_t b = 0; b * kBlock < kLength; ++b) {
      float* in[2] = {const_cast<float*>(input[0].data()) + b * kBlock, const_cast<float*>(input[1].data()) + b * kBlock};
      if (b == kSkipped) in[1] = nullptr;
      float* out[2] = {output[0].data() + b * kBlock, output[1].data() + b * kBlock};
      effect->processOverwriting(in, out, kBlock);
    }
    for (int c = 0; c < 2; ++c) {
      ChannelProcessor alone(44100);
      for (size_t b = 0; b * kBlock < kLength; ++b) {
        if (c == 1 && b == kSkipped) continue;
        SpectrumFrameList* frames = alone.analyzer().analyze(input[c].data() + b * kBlock, kBlock);
        alone.setBlockFrames(frames);
        alone.processFrames(0.002f, 0.6f, 0.3f, 0.5f, binDelay);
        const float* wet = alone.synthesizer().synthesize(frames, kBlock);
        for (size_t i = 0; i < kBlock; ++i) {
          ASSERT_EQ(output[c][b * kBlock + i], wet[i]) << "bin delay " << binDelay << ", channel " << c << ", block " << b;
        }
      }
    }
  }
}

TEST_F(Processing, EveryCallAsksForTimeInformationOnce) {
  auto effect = make();
  std::vector<float> buffer(64);
  float* channels[2] = {buffer.data(), buffer.data()};
  for (int32_t n : {64, 0, -3}) {
    TestHost::calls.clear();
    effect->processOverwriting(channels, channels, n);
    effect->processAdding(channels, channels, n);
    ASSERT_EQ(TestHost::calls.size(), 2u) << n;
    for (const HostCall& call : TestHost::calls) {
      EXPECT_EQ(call.effect, effect->effectRecord());
      EXPECT_EQ(call.opcode, audioMasterGetTime);
      EXPECT_EQ(call.value, 0x2E00);
    }
  }
  SpectrumDelay alone(nullptr);  // no host: still processes
  alone.processOverwriting(channels, channels, 64);
}

#if BRISKO_HAS_MXCSR
TEST_F(Processing, EveryCallRunsUnderOneControlStateAndTheCallersComesBack) {
  // Round to nearest, every exception masked, flush-to-zero and denormals-are-zero.
  constexpr unsigned kInsideACall = 0x1F80u | 0x8000u | 0x0040u;
  constexpr unsigned kStatusFlags = 0x3Fu;
  auto effect = make();
  unsigned inside = 0;
  TestHost::respond = [&](const HostCall&) {
    inside = _mm_getcsr();
    return intptr_t{0};
  };
  std::vector<float> left(256, 1e-40f), right(256, 1e-40f);
  float* channels[2] = {left.data(), right.data()};
  const unsigned original = _mm_getcsr();
  const unsigned plain = original & ~(FloatingPointGuard::kFlushToZero | FloatingPointGuard::kDenormalsAreZero);
  // Callers with neither flag, with only one of them, with a rounding mode of
  // their own, and with exceptions unmasked.
  for (unsigned caller : {plain, plain | FloatingPointGuard::kFlushToZero, plain | FloatingPointGuard::kDenormalsAreZero | 0x6000u,
                          (plain | 0x2000u) & ~0x1F80u & ~kStatusFlags}) {
    _mm_setcsr(caller);
    effect->processOverwriting(channels, channels, 256);
    const unsigned afterOverwrite = _mm_getcsr();
    const unsigned seenOverwrite = inside;
    effect->processAdding(channels, channels, 256);
    const unsigned afterAdd = _mm_getcsr();
    _mm_setcsr(original);
    EXPECT_EQ(afterOverwrite, caller);
    EXPECT_EQ(afterAdd, caller);
    EXPECT_EQ(seenOverwrite & ~kStatusFlags, kInsideACall) << std::hex << caller;
    EXPECT_EQ(inside & ~kStatusFlags, kInsideACall) << std::hex << caller;
  }
}
#endif

}  // namespace
}  // namespace brisko
