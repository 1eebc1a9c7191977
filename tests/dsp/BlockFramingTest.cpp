#include "dsp/BlockFraming.h"
#include "dsp/DspKernels.h"
#include "dsp/MagnitudeCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace brisko {
namespace {

// Analysis and synthesis of one channel with the spectra passed through unchanged.
class FramingPipe {
 public:
  FramingPipe() {
    setup_.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
    analyzer_.configure(&setup_);
  }

  // Runs the input through in blocks whose length blockAt(start) chooses.
  std::vector<float> run(const std::vector<float>& input, const std::function<int(int)>& blockAt) {
    std::vector<float> output;
    int start = 0;
    while (start < static_cast<int>(input.size())) {
      const int n = std::min(blockAt(start), static_cast<int>(input.size()) - start);
      const float* block = process(input.data() + start, n);
      output.insert(output.end(), block, block + n);
      start += n;
    }
    return output;
  }

  const float* process(const float* block, int n) {
    SpectrumFrameList* frames = analyzer_.analyze(block, n);
    return synthesizer_.synthesize(frames, n);
  }

  SpectralSetup setup_;
  BlockAnalyzer analyzer_;
  BlockSynthesizer synthesizer_;
};

std::vector<float> impulseAt(int index, int length) {
  std::vector<float> signal(length, 0.0f);
  signal[index] = 1.0f;
  return signal;
}

void expectImpulseAt556(const std::vector<float>& output) {
  for (int i = 0; i < static_cast<int>(output.size()); ++i) {
    if (i == 556) {
      EXPECT_NEAR(output[i], 1.0f, 1e-6);
    } else {
      ASSERT_NEAR(output[i], 0.0f, 1e-6) << "sample " << i;
    }
  }
}

TEST(BlockFraming, ImpulseIsOneFrameLateForAnyConstantBlockLength) {
  for (int block : {1, 64, 100, 128, 300, 1024}) {
    SCOPED_TRACE(block);
    FramingPipe pipe;
    expectImpulseAt556(pipe.run(impulseAt(300, 2048), [block](int) { return block; }));
  }
  FramingPipe pipe;
  expectImpulseAt556(pipe.run(impulseAt(300, 2048), [](int start) { return start == 0 ? 37 : 64; }));
}

TEST(BlockFraming, ChangingBlockLengthKeepsPendingOutput) {
  FramingPipe pipe;
  expectImpulseAt556(pipe.run(impulseAt(300, 2048), [](int start) { return start < 512 ? 64 : 32; }));

  FramingPipe irregular;
  expectImpulseAt556(irregular.run(impulseAt(300, 2048), [](int start) { return 1 + (start * 7919) % 211; }));

  // Noise leaves a tail in every queue value: any stale or lost one shows in the bits.
  std::vector<float> noise(20000);
  uint32_t state = 1;
  for (float& x : noise) x = static_cast<float>((state = state * 1664525u + 1013904223u) >> 8) / 16777216.0f - 0.5f;
  const auto reference = FramingPipe().run(noise, [](int) { return 512; });
  const auto blockRule = [](int start) { return start < 9000 ? 1 + (start * 7919) % 211 : start < 15000 ? 32 : 700; };
  for (const auto& output : {FramingPipe().run(noise, [](int) { return 32; }), FramingPipe().run(noise, blockRule)}) {
    ASSERT_EQ(output.size(), reference.size());
    for (size_t i = 0; i < output.size(); ++i) ASSERT_EQ(output[i], reference[i]) << "sample " << i;
  }
}

TEST(BlockFraming, EmptyBlocksLoseNothing) {
  FramingPipe pipe;
  const auto input = impulseAt(300, 1024);
  std::vector<float> output;
  for (int start = 0; start < 1024; start += 64) {
    pipe.process(nullptr, 0);  // not analysed: no list, nothing changes
    const float empty = 0.0f;
    pipe.process(&empty, 0);
    const float* block = pipe.process(input.data() + start, 64);
    output.insert(output.end(), block, block + 64);
  }
  expectImpulseAt556(output);
}

TEST(BlockFraming, ConstantInputRampsUpToUnityGain) {
  FramingPipe pipe;
  const auto output = pipe.run(std::vector<float>(1024, 0.5f), [](int) { return 64; });
  for (int i = 0; i <= 256; ++i) ASSERT_EQ(output[i], 0.0f) << i;
  EXPECT_NEAR(output[257], 0.00390625, 1e-6);
  for (int i = 257; i <= 384; ++i) ASSERT_NEAR(output[i], (i - 256) / 256.0, 2e-6) << i;
  for (int i = 384; i < 1024; ++i) ASSERT_NEAR(output[i], 0.5, 2e-6) << i;
}

TEST(BlockFraming, FramePositionsForBlocksOf300) {
  SpectralSetup setup;
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  BlockAnalyzer analyzer;
  ASSERT_TRUE(analyzer.configure(&setup));
  const std::vector<float> block(300, 0.25f);
  const std::vector<std::vector<int>> expected = {{256}, {84, 212}, {40, 168, 296}};
  for (const auto& positions : expected) {
    SpectrumFrameList* frames = analyzer.analyze(block.data(), 300);
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(frames->count(), static_cast<int>(positions.size()));
    for (int i = 0; i < frames->count(); ++i) {
      EXPECT_EQ(frames->at(i)->position, positions[i]);
      EXPECT_TRUE(frames->at(i)->valid);
      EXPECT_EQ(frames->at(i)->capacity, 256);
    }
    EXPECT_EQ(frames->at(-1), nullptr);
    EXPECT_EQ(frames->at(frames->count()), nullptr);
  }
  EXPECT_EQ(analyzer.analyze(block.data(), 300)->capacity(), 3);
}

// Frames holding a sample that is not finite, or one at the sample limit,
// come out as silence, whichever block brought it or its frames; the frames
// before and after them, and frames with a sample just below the limit, do not.
TEST(BlockFraming, FramesWithSamplesThatAreNotModerateComeOutAsSilence) {
  constexpr int kLength = 3000, kAt = 1500;
  const float below = std::nextafter(BlockAnalyzer::kSampleLimit, 0.0f);
  for (float value : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::quiet_NaN(),
                      -BlockAnalyzer::kSampleLimit, 3e38f, below}) {
    for (int n : {64, 100, 1024}) {
      SCOPED_TRACE(testing::Message() << value << " in blocks of " << n);
      SpectralSetup setup;
      setup.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
      BlockAnalyzer analyzer;
      ASSERT_TRUE(analyzer.configure(&setup));
      std::vector<float> input(kLength, 0.25f);
      input[kAt] = value;
      for (int start = 0; start < kLength; start += n) {
        const int length = std::min(n, kLength - start);
        SpectrumFrameList* frames = analyzer.analyze(input.data() + start, length);
        EXPECT_EQ(analyzer.lastBlockModerate(), value == below || kAt < start || kAt >= start + length);
        for (int i = 0; i < frames->count(); ++i) {
          const int end = start + frames->at(i)->position;  // one past the frame's last sample
          const bool silenced = value != below && end - 256 <= kAt && kAt < end;
          size_t zeros = 0;
          for (float x : frames->at(i)->spectrum) zeros += x == 0.0f;
          EXPECT_EQ(zeros == 256, silenced) << "frame ending at " << end;
          for (float x : frames->at(i)->spectrum) ASSERT_TRUE(std::isfinite(x));
        }
      }
    }
  }
}

// The check behind it, at every position of the vector parts and the tail, at
// the limit itself and just below it.
TEST(BlockFraming, MagnitudeCheckFindsEveryValueAtOrAboveTheLimit) {
  const float limit = 1024.0f, below = std::nextafter(limit, 0.0f);
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  for (int n = 1; n <= 37; ++n) {
    for (int at = 0; at < n; ++at) {
      std::vector<float> values(static_cast<size_t>(n), -0.5f);
      for (float outside : {limit, -limit, inf, -inf, nan, -nan}) {
        values[at] = outside;
        EXPECT_FALSE(allMagnitudesBelow(values.data(), n, limit)) << n << " " << at << " " << outside;
      }
      for (float inside : {below, -below, -0.0f, std::numeric_limits<float>::denorm_min()}) {
        values[at] = inside;
        EXPECT_TRUE(allMagnitudesBelow(values.data(), n, limit)) << n << " " << at << " " << inside;
      }
      values[at] = std::numeric_limits<float>::max();
      EXPECT_TRUE(allMagnitudesBelow(values.data(), n, inf));
      values[at] = -inf;
      EXPECT_FALSE(allMagnitudesBelow(values.data(), n, inf));
    }
  }
}

TEST(BlockFraming, AnalysisProductIsRoundedBeforeTheTransform) {
  SpectralSetup setup;
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  BlockAnalyzer analyzer;
  analyzer.configure(&setup);
  std::vector<float> block(256);
  for (int i = 0; i < 256; ++i) block[i] = 0.1f + 0.37f * static_cast<float>(i % 11);
  SpectrumFrameList* frames = analyzer.analyze(block.data(), 256);
  ASSERT_EQ(frames->count(), 1);
  std::vector<float> windowed(256);
  for (int i = 0; i < 256; ++i) windowed[i] = static_cast<float>(static_cast<double>(setup.analysisWindow()[i]) * block[i]);
  std::vector<float> expected(256);
  FourierTransform(256).forward(expected.data(), windowed.data());
  EXPECT_EQ(frames->at(0)->spectrum, expected);
}

TEST(BlockFraming, OverlapAddSumIsFormedInDouble) {
  // Two frames with spectra chosen so that the float product, rounded before
  // the sum, gives other bits than the double sum.
  FramingPipe pipe;
  std::vector<float> input(512);
  for (int i = 0; i < 512; ++i) input[i] = 0.3f + 0.001f * static_cast<float>(i % 17);
  const auto output = pipe.run(input, [](int) { return 512; });
  std::vector<float> timeFrame(256);
  int differences = 0;
  // Rebuild the second half of the first output block's last frame by hand.
  FramingPipe reference;
  SpectrumFrameList* frames = reference.analyzer_.analyze(input.data(), 512);
  ASSERT_EQ(frames->count(), 3);
  std::vector<float> queue(768, 0.0f), floatQueue(768, 0.0f);
  for (int f = 0; f < 3; ++f) {
    const SpectrumFrame* frame = frames->at(f);
    reference.setup_.transform()->inverse(frame->spectrum.data(), timeFrame.data());
    reference.setup_.transform()->rescale(timeFrame.data());
    for (int j = 0; j < 256; ++j) {
      const int at = frame->position + j;
      queue[at] = static_cast<float>(static_cast<double>(reference.setup_.synthesisWindow()[j]) * timeFrame[j] + queue[at]);
      floatQueue[at] = reference.setup_.synthesisWindow()[j] * timeFrame[j] + floatQueue[at];
    }
  }
  for (int i = 0; i < 512; ++i) {
    ASSERT_EQ(output[i], queue[i]) << i;
    differences += queue[i] != floatQueue[i];
  }
  EXPECT_GT(differences, 0);
}

// Each overlap-add this CPU runs against the formula, over a whole frame and
// a length that leaves a tail after the vector part.
TEST(BlockFraming, EveryOverlapAddImplementationGivesTheFormulasBits) {
  std::vector<OverlapAddFunction> implementations;
  for (int32_t set = 0; set < kKernelSetCount; ++set)
    if (const DspKernels* kernels = dspKernels(static_cast<KernelSet>(set))) implementations.push_back(kernels->overlapAdd);
  std::vector<float> window(263), time(263), start(263);
  uint32_t seed = 9;
  for (auto* v : {&window, &time, &start})
    for (float& x : *v) {
      seed = seed * 1664525u + 1013904223u;
      x = static_cast<float>(static_cast<int32_t>(seed)) * 3.1e-10f;
    }
  for (const OverlapAddFunction overlapAdd : implementations) {
    for (int n : {256, 263}) {
      std::vector<float> actual = start, expected = start;
      overlapAdd(actual.data(), window.data(), time.data(), 1.0f / 256, n);
      for (int j = 0; j < n; ++j) {
        const float scaled = time[j] * (1.0f / 256);
        expected[j] = static_cast<float>(static_cast<double>(window[j]) * scaled + expected[j]);
      }
      EXPECT_EQ(actual, expected) << n;
    }
  }
}

// Each analysis window this CPU runs against the product, with the frame
// split between its two stretches anywhere (vector parts and tails in both).
TEST(BlockFraming, EveryFrameWindowImplementationGivesTheProductsBits) {
  std::vector<FrameWindowFunction> implementations;
  for (int32_t set = 0; set < kKernelSetCount; ++set)
    if (const DspKernels* kernels = dspKernels(static_cast<KernelSet>(set))) implementations.push_back(kernels->frameWindow);
  std::vector<float> window(263), frame(263);
  uint32_t seed = 4;
  for (auto* v : {&window, &frame})
    for (float& x : *v) {
      seed = seed * 1664525u + 1013904223u;
      x = static_cast<float>(static_cast<int32_t>(seed)) * 3.1e-10f;
    }
  for (const FrameWindowFunction frameWindow : implementations) {
    for (int n : {256, 263}) {
      for (int head : {0, 5, 128, 131, n}) {
        // The two stretches live apart, as the kept samples and the block do.
        const std::vector<float> kept(frame.begin(), frame.begin() + head);
        const std::vector<float> block(frame.begin() + head, frame.begin() + n);
        std::vector<float> actual(n + 1, -1.0f), expected(n + 1, -1.0f);
        frameWindow(actual.data(), window.data(), kept.data(), head, block.data(), n);
        for (int j = 0; j < n; ++j) expected[j] = window[j] * frame[j];
        EXPECT_EQ(actual, expected) << n << " " << head;
      }
    }
  }
}

TEST(BlockFraming, NullInputAndEmptyLists) {
  SpectralSetup setup;
  BlockAnalyzer analyzer;
  const float sample = 1.0f;
  EXPECT_EQ(analyzer.analyze(&sample, 1), nullptr);  // never configured
  EXPECT_FALSE(analyzer.configure(nullptr));
  EXPECT_TRUE(analyzer.configure(&setup));  // stored, not ready
  EXPECT_EQ(analyzer.analyze(&sample, 1), nullptr);
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  EXPECT_EQ(analyzer.analyze(&sample, 1), nullptr);  // configured with an unready setup
  ASSERT_TRUE(analyzer.configure(&setup));
  EXPECT_EQ(analyzer.analyze(nullptr, 64), nullptr);
  SpectrumFrameList* frames = analyzer.analyze(&sample, -5);
  ASSERT_NE(frames, nullptr);
  EXPECT_EQ(frames->count(), 0);
  EXPECT_EQ(analyzer.fill(), 0);

  BlockSynthesizer synthesizer;
  EXPECT_EQ(synthesizer.synthesize(nullptr, 64), nullptr);
  EXPECT_NE(synthesizer.synthesize(frames, 64), nullptr);
  EXPECT_EQ(synthesizer.blockLength(), 64);
  EXPECT_NE(synthesizer.synthesize(frames, -3), nullptr);
  EXPECT_EQ(synthesizer.blockLength(), 0);
}

TEST(BlockFraming, InvalidFrameStopsSynthesis) {
  SpectralSetup setup;
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  BlockAnalyzer analyzer;
  analyzer.configure(&setup);
  const std::vector<float> block(256, 0.5f);
  SpectrumFrameList* frames = analyzer.analyze(block.data(), 256);
  ASSERT_EQ(frames->count(), 1);
  frames->at(0)->valid = false;
  BlockSynthesizer synthesizer;
  EXPECT_EQ(synthesizer.synthesize(frames, 256), nullptr);
}

TEST(BlockFraming, FramesFromAnotherBlockLengthStayInsideTheQueue) {
  SpectralSetup setup;
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  BlockAnalyzer analyzer;
  analyzer.configure(&setup);
  const std::vector<float> block(512, 0.5f);
  SpectrumFrameList* frames = analyzer.analyze(block.data(), 512);
  BlockSynthesizer synthesizer;
  // Misuse: the list of a 512-sample block with n = 16; frames past the queue are skipped.
  EXPECT_NE(synthesizer.synthesize(frames, 16), nullptr);
}

TEST(BlockFraming, AnalyzerKeepsFillBelowANewSmallerFrameSize) {
  SpectralSetup setup;
  setup.configure(256, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  BlockAnalyzer analyzer;
  analyzer.configure(&setup);
  const std::vector<float> block(200, 0.5f);
  analyzer.analyze(block.data(), 200);
  EXPECT_EQ(analyzer.fill(), 200);
  setup.configure(64, 2, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  SpectrumFrameList* frames = analyzer.analyze(block.data(), 1);
  EXPECT_EQ(analyzer.frameSize(), 64);
  EXPECT_EQ(frames->count(), 1);
  EXPECT_LT(analyzer.fill(), 64);
}

}  // namespace
}  // namespace brisko
