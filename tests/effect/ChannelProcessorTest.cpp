#include "effect/ChannelProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace brisko {
namespace {

constexpr int kBins = ChannelProcessor::kBinsPerHalf;

struct Params {
  float delay = 0.5f, feedback = 0.0f, modFreq = 0.0f, modAmp = 0.0f, binDelay = 0.0f;
};

// Drives the engine frame by frame with spectra the test chooses.
class EngineHarness {
 public:
  EngineHarness() : engine_(std::make_unique<ChannelProcessor>(44100)) { engine_->setBlockFrames(&frames_); }

  // Processes one frame; returns the spectrum the engine made of it.
  std::vector<float> frame(const std::vector<float>& spectrum, const Params& p) {
    frames_.reset();
    SpectrumFrame* record = frames_.nextFrame();
    record->spectrum = spectrum;
    record->capacity = static_cast<int32_t>(spectrum.size());
    record->valid = true;
    engine_->processFrames(p.delay, p.feedback, p.modFreq, p.modAmp, p.binDelay);
    return record->spectrum;
  }

  std::vector<float> constantFrame(float value, const Params& p) { return frame(std::vector<float>(256, value), p); }

  ChannelProcessor& engine() { return *engine_; }

 private:
  std::unique_ptr<ChannelProcessor> engine_;
  SpectrumFrameList frames_;
};

TEST(ChannelProcessor, FullDelayBlendsRowsWritten1600And1599FramesEarlier) {
  EngineHarness harness;
  const Params p{1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  for (int t = 0; t < 1700; ++t) {
    const auto out = harness.constantFrame(static_cast<float>(t + 1), p);
    // Each row holds half of the frame written there.
    const double expected = t < 1600 ? (t == 1599 ? 0.25 * 1 : 0.0) : 0.5 * (0.5 * (t - 1599) + 0.5 * (t - 1598));
    ASSERT_EQ(out[5], static_cast<float>(expected)) << t;
    ASSERT_EQ(out[128 + 5], static_cast<float>(expected)) << t;
  }
}

TEST(ChannelProcessor, ReadPositionsAndTheirWrapping) {
  EngineHarness harness;
  const Params full{1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  for (int t = 0; t <= 10; ++t) harness.constantFrame(1.0f, full);
  EXPECT_EQ(harness.engine().readPosition(10), 1610.5f);
  EXPECT_EQ(harness.engine().writeRow(), 11);
  EXPECT_EQ(harness.engine().readSlot(), 11);

  // Delay 0 means the shortest delay: S = 3.99875 and half of it without modulation.
  harness.constantFrame(1.0f, Params{0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
  EXPECT_EQ(harness.engine().readPosition(11), static_cast<float>(11 - 0.5 * static_cast<double>(3.99875f)));
}

// Past the wrap of the 3200-row history, with and without modulation: frame t
// carries the value t + 1, so the closed form names the rows read. Each row
// holds half the input of the last frame that wrote it (no feedback); the
// read position is the write row less the swept delay, rounded to float and
// wrapped, and blends its two rows by its fraction.
TEST(ChannelProcessor, DelayFollowsItsClosedFormAcrossTheHistoryWrap) {
  constexpr int kRows = ChannelProcessor::kHistoryRows;
  const auto rowBefore = [](int row, int t) {  // what `row` holds when frame t reads it
    if (t <= row) return 0.0;
    const int writer = row + (t - 1 - row) / kRows * kRows;
    return 0.5 * (writer + 1);
  };
  for (float modAmp : {0.0f, 0.5f}) {
    SCOPED_TRACE(modAmp);
    EngineHarness harness;
    const Params p{1.0f, 0.0f, 0.3f, modAmp, 0.0f};
    ModulationOscillator oscillator(44100.0);
    oscillator.amplitude = modAmp;
    oscillator.frequency = static_cast<float>(0.3f * 256.0);
    const double span = 3199.0;
    for (int t = 0; t <= kRows + 10; ++t) {
      const double m = oscillator.nextValue();
      const auto out = harness.constantFrame(static_cast<float>(t + 1), p);
      if (t < kRows - 10) continue;
      float position = static_cast<float>(t % kRows - (m + 1) * 0.5 * span);
      while (position < 0.0f) position = static_cast<float>(position + kRows);
      const int whole = static_cast<int>(position);
      const double frac = static_cast<float>(static_cast<double>(position) - whole);
      const double r0 = rowBefore(whole % kRows, t), r1 = rowBefore((whole + 1) % kRows, t);
      const float expected = static_cast<float>(r0 + frac * (r1 - r0));
      ASSERT_NE(expected, 0.0f) << t;
      for (int j : {0, 5, 127}) {
        ASSERT_EQ(out[j], expected) << t << " bin " << j;
        ASSERT_EQ(out[128 + j], expected) << t << " bin " << j;
      }
    }
  }
}

// A position just behind row 0 wraps to a float that rounds up to 3200.0,
// which is taken as row 0 (and row 1 as the second row): at write row 0 after
// a full lap the output is what frame 0 left in row 0. A read of row 3200
// itself would run past the history (AddressSanitizer shows it).
TEST(ChannelProcessor, ReadPositionRoundedUpTo3200ReadsRowZero) {
  constexpr int kRows = ChannelProcessor::kHistoryRows;
  // A delay short enough that 0 - S / 2 plus 3200 rounds to 3200.0.
  float delay = 1e-3f;
  const auto firstPosition = [](float d) {
    return static_cast<float>(static_cast<float>(0 - 0.5 * static_cast<float>(d * 3199.0)) + kRows);
  };
  while (delay > 0.0f && firstPosition(delay) != 3200.0f) delay *= 0.5f;
  ASSERT_GT(delay, 0.0f);
  for (float binDelay : {0.0f, 0.6f}) {  // one tap for every bin, a tap per bin
    SCOPED_TRACE(binDelay);
    EngineHarness harness;
    const Params p{delay, 0.0f, 0.0f, 0.0f, binDelay};
    harness.constantFrame(1.0f, p);
    ASSERT_EQ(harness.engine().readPosition(0), 3200.0f);
    for (int t = 1; t < kRows; ++t) harness.constantFrame(static_cast<float>(t + 1), p);
    ChannelProcessor& engine = harness.engine();
    ASSERT_EQ(engine.writeRow(), 0);
    std::vector<float> row0(kBins), sine0(kBins);
    for (int j = 0; j < kBins; ++j) {
      row0[j] = engine.realHistory(0, j);
      sine0[j] = engine.sineHistory(0, j);
    }
    const auto out = harness.constantFrame(7.0f, p);
    ASSERT_EQ(engine.readPosition(0), 3200.0f);
    // Bins 0 and 1 use the current position at either bin delay.
    const int bins = binDelay == 0.0f ? kBins : 2;
    for (int j = 0; j < bins; ++j) {
      EXPECT_EQ(out[j], 0.5f) << j;
      EXPECT_EQ(out[j], row0[j]) << j;
      EXPECT_EQ(out[128 + j], sine0[j]) << j;
    }
  }
}

TEST(ChannelProcessor, ReadPositionIsRoundedToFloatBeforeItIsWrapped) {
  // The first frame reads behind row 0, so its position is wrapped. Find a
  // modulation depth for which rounding only after the wrap gives other bits.
  // Offsets below 1024 carry finer bits than the wrapped position can hold.
  const float span = static_cast<float>(0.5f * 3199.0);
  float chosen = -1.0f;
  float expected = 0.0f;
  for (int k = 1; k < 1000 && chosen < 0; ++k) {
    ModulationOscillator oscillator(44100.0);
    oscillator.amplitude = static_cast<float>(k) / 1000.0f;
    oscillator.frequency = static_cast<float>(0.5f * 256.0);
    const double offset = (oscillator.nextValue() + 1) * 0.5 * span;
    const float early = static_cast<float>(static_cast<float>(0 - offset) + 3200.0);
    const float late = static_cast<float>(0 - offset + 3200.0);
    if (early != late) {
      chosen = static_cast<float>(k) / 1000.0f;
      expected = early;
    }
  }
  ASSERT_GT(chosen, 0.0f);
  EngineHarness harness;
  harness.constantFrame(1.0f, Params{0.5f, 0.0f, 0.5f, chosen, 0.0f});
  EXPECT_EQ(harness.engine().readPosition(0), expected);
}

TEST(ChannelProcessor, InterpolatedValueStaysDoubleInTheHistoryWrite) {
  EngineHarness harness;
  const Params p{0.0f, 0.7f, 0.0f, 0.0f, 0.0f};  // shortest delay: blends rows w-2 and w-1
  std::vector<float> spectrum(256);
  for (int t = 0; t < 8; ++t) {
    for (int j = 0; j < 256; ++j) spectrum[j] = 0.1f * static_cast<float>((j * 37 + t * 11) % 23) + 0.013f;
    harness.frame(spectrum, p);
  }
  ChannelProcessor& engine = harness.engine();
  const int row = engine.writeRow();
  const float position = static_cast<float>(row - 0.5 * static_cast<double>(3.99875f));
  const int whole = static_cast<int>(position);
  const double frac = static_cast<float>(static_cast<double>(position) - whole);
  std::vector<double> delayed(kBins);
  for (int j = 0; j < kBins; ++j) {
    const double r0 = engine.realHistory(whole, j);
    delayed[j] = r0 + frac * (engine.realHistory(whole + 1, j) - r0);
  }
  const auto out = harness.frame(spectrum, p);
  const double doubledFeedback = static_cast<float>(0.7f + 0.7f);
  int differences = 0;
  for (int j = 0; j < kBins; ++j) {
    EXPECT_EQ(out[j], static_cast<float>(delayed[j]));
    const float cell = static_cast<float>((spectrum[j] + doubledFeedback * delayed[j]) * 0.5);
    ASSERT_EQ(engine.realHistory(row, j), cell) << j;
    differences += cell != static_cast<float>((spectrum[j] + doubledFeedback * static_cast<float>(delayed[j])) * 0.5);
  }
  EXPECT_GT(differences, 0);
}

TEST(ChannelProcessor, FeedbackZeroGivesOneHalfEchoAndOneKeepsEchoes) {
  const Params shortDelay{0.0f, 0.0f, 0.0f, 0.0f, 0.0f};  // position w - 1.999375: mostly row w - 2
  for (float feedback : {0.0f, 1.0f}) {
    EngineHarness harness;
    Params p = shortDelay;
    p.feedback = feedback;
    std::vector<float> outputs;
    for (int t = 0; t < 40; ++t) outputs.push_back(harness.constantFrame(t == 0 ? 1.0f : 0.0f, p)[3]);
    // First echo: half the impulse, spread over frames 1 and 2. Frame 1 reads
    // behind row 0, at a wrapped position rounded to the float grid near 3200.
    const double halfSpan = 0.5 * static_cast<double>(3.99875f);
    const float wrapped = static_cast<float>(static_cast<float>(1 - halfSpan) + 3200.0);
    const double frac1 = wrapped - 3199.0;
    const double frac2 = static_cast<float>(2 - halfSpan);
    EXPECT_EQ(outputs[1], static_cast<float>(frac1 * 0.5));
    const double row1 = feedback * static_cast<double>(outputs[1]);
    EXPECT_EQ(outputs[2], static_cast<float>(0.5 + frac2 * (row1 - 0.5)));
    double later = 0.0;
    for (int t = 10; t < 40; ++t) later += outputs[t];
    if (feedback == 0.0f) {
      EXPECT_EQ(later, 0.0);
    } else {
      // Without decay the echoes keep circulating at the level written.
      EXPECT_GT(later, 4.0);
    }
  }
}

TEST(ChannelProcessor, BinDelaySelectsOlderReadPositions) {
  EngineHarness harness;
  const Params p{0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
  // An impulse at frame 200; bin 0 uses the current position, bin 1 the one of
  // 127 frames ago, bin 127 the one of 1 frame ago.
  std::vector<int> firstEcho(kBins, -1);
  for (int t = 0; t < 600; ++t) {
    const auto out = harness.constantFrame(t == 200 ? 1.0f : 0.0f, p);
    for (int j = 0; j < kBins; ++j)
      if (firstEcho[j] < 0 && out[j] != 0.0f) firstEcho[j] = t;
  }
  // The shortest delay, 1.999375 frames, first reaches the impulse one frame after it.
  EXPECT_EQ(firstEcho[0], 201);
  EXPECT_EQ(firstEcho[1], 201 + 127);
  EXPECT_EQ(firstEcho[2], 201 + 126);
  EXPECT_EQ(firstEcho[127], 201 + 1);
}

TEST(ChannelProcessor, SlotProductIsFormedInDoubleBeforeTruncation) {
  // 100 * 0.01f is 0.99999997 in double but rounds to 1.0 in float.
  ASSERT_EQ(100.0f * 0.01f, 1.0f);
  EXPECT_EQ(ChannelProcessor::slotFor(100, 0.01f, 0), 0);
  EXPECT_EQ(ChannelProcessor::slotFor(101, 0.01f, 0), 1);
  EXPECT_EQ(ChannelProcessor::slotFor(127, 1.0f, 5), 4);
  EXPECT_EQ(ChannelProcessor::slotFor(64, 0.5f, 127), 31);

  EngineHarness harness;
  const Params p{0.0f, 0.0f, 0.0f, 0.0f, 0.01f};
  int echo100 = -1, echo101 = -1;
  for (int t = 0; t < 400; ++t) {
    const auto out = harness.constantFrame(t == 200 ? 1.0f : 0.0f, p);
    if (echo100 < 0 && out[100] != 0.0f) echo100 = t;
    if (echo101 < 0 && out[101] != 0.0f) echo101 = t;
  }
  EXPECT_EQ(echo100, 201);
  EXPECT_EQ(echo101, 201 + 127);
}

TEST(ChannelProcessor, OscillatorSpeedAndPhase) {
  EngineHarness harness;
  const Params modulated{1.0f, 0.0f, 1.0f, 1.0f, 0.0f};
  for (int t = 0; t < 172; ++t) harness.constantFrame(0.0f, modulated);
  const ModulationOscillator& oscillator = harness.engine().oscillator();
  EXPECT_EQ(oscillator.frequency, 256.0f);
  EXPECT_NEAR(oscillator.phase / (2 * 3.14159265358979), 172 / 172.265625, 1e-12);

  // Frequency 0 holds the phase; a block without frames moves nothing.
  const double held = oscillator.phase;
  harness.constantFrame(0.0f, Params{1.0f, 0.0f, 0.0f, 1.0f, 0.0f});
  EXPECT_EQ(oscillator.phase, held);
  const int row = harness.engine().writeRow();
  SpectrumFrameList empty;
  harness.engine().setBlockFrames(&empty);
  harness.engine().processFrames(1.0f, 0.0f, 0.5f, 0.25f, 0.0f);
  EXPECT_EQ(oscillator.phase, held);
  EXPECT_EQ(oscillator.frequency, 128.0f);
  EXPECT_EQ(oscillator.amplitude, 0.25);
  EXPECT_EQ(harness.engine().writeRow(), row);
}

TEST(ChannelProcessor, ModulationTroughReadsTheOldestRow) {
  // Amplitude 1 at m = -1 reads row writeRow before it is overwritten.
  ModulationOscillator oscillator(44100.0);
  oscillator.amplitude = 1.0;
  oscillator.frequency = 0.0f;
  oscillator.phase = -std::acos(0.0);  // sin(phase) = -1
  EXPECT_EQ(oscillator.nextValue(), -1.0);
}

TEST(ChannelProcessor, OutOfRangeParametersStayFiniteAndInBounds) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float wild[] = {nan, inf, -inf, 1e30f, -1e30f, 7.5f, -3.25f, 1e-42f};
  ChannelProcessor engine(44100);
  std::vector<float> block(200);
  uint32_t state = 12345;
  for (int call = 0; call < 400; ++call) {
    for (float& x : block) {
      state = state * 1664525u + 1013904223u;
      x = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    }
    SpectrumFrameList* frames = engine.analyzer().analyze(block.data(), 200);
    engine.setBlockFrames(frames);
    const auto pick = [&](int k) { return wild[(call * 3 + k * 5) % 8]; };
    engine.processFrames(pick(0), pick(1), pick(2), pick(3), pick(4));
    const float* out = engine.synthesizer().synthesize(frames, 200);
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(std::isfinite(out[i])) << call << " " << i;
    ASSERT_GE(engine.readPosition((engine.readSlot() + 127) % 128), 0.0f);
    ASSERT_LE(engine.readPosition((engine.readSlot() + 127) % 128), 3200.0f);
  }
  EXPECT_EQ(ChannelProcessor::slotFor(3, nan, 7), 7);
  EXPECT_EQ(ChannelProcessor::slotFor(127, 1e30f, 7), ChannelProcessor::slotFor(127, 1e30f, 7) & 127);
  EXPECT_EQ(ChannelProcessor::slotFor(1, -1.5f, 0), 127);
}

}  // namespace
}  // namespace brisko
