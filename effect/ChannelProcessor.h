#pragma once

#include <cstdint>
#include <memory>

#include "dsp/BlockFraming.h"
#include "dsp/SpectralSetup.h"
#include "effect/BinDelayKernels.h"
#include "effect/ModulationOscillator.h"

namespace brisko {

// The spectral delay engine of one channel. Frames of 256 samples (hop 128)
// are analysed; every bin of every frame is written into a 3200-frame history
// with feedback and read back at a fractional, oscillator-swept delay that may
// differ from bin to bin; the delayed spectra are overlap-added back.
class ChannelProcessor {
 public:
  static constexpr int32_t kFrameSize = 256;
  static constexpr int32_t kOverlap = 2;
  static constexpr int32_t kBinsPerHalf = 128;
  static constexpr int32_t kHistoryRows = 3200;
  static constexpr int32_t kReadSlots = 128;

  explicit ChannelProcessor(int32_t sampleRate);
  ChannelProcessor(const ChannelProcessor&) = delete;
  ChannelProcessor& operator=(const ChannelProcessor&) = delete;

  SpectralSetup& setup() { return setup_; }
  BlockAnalyzer& analyzer() { return analyzer_; }
  BlockSynthesizer& synthesizer() { return synthesizer_; }

  SpectrumFrameList* blockFrames() const { return blockFrames_; }
  void setBlockFrames(SpectrumFrameList* frames) { blockFrames_ = frames; }

  // Delays every frame of blockFrames() in place; the five values are the
  // normalised delay time, feedback, modulation frequency, modulation
  // amplitude and bin delay. Requires blockFrames() to be set.
  void processFrames(float delay, float feedback, float modFreq, float modAmp, float binDelay);

  // Both engines of a stereo pair at once, when they are in step (the same
  // rows, ring of read positions, oscillator phase and frame sizes, as two
  // engines fed the same blocks are): each engine ends up exactly as its own
  // processFrames would leave it. Answers false, doing nothing, otherwise.
  static bool processFramesInStep(ChannelProcessor& left, ChannelProcessor& right, float delay, float feedback,
                                  float modFreq, float modAmp, float binDelay);

  // Asks the CPU to fetch the history cells the next frame reads, as far as
  // they are known, and the rows the frames of a coming block of
  // `sampleFrames` samples write; changes nothing.
  void prefetchNextFrames(int32_t sampleFrames) const;

  // Ring slot whose read position bin `bin` uses: the integer part of
  // bin * binDelay + readSlot (formed in double), modulo kReadSlots.
  static int32_t slotFor(int32_t bin, float binDelay, int32_t readSlot);

  // State, for tests and diagnostics.
  int32_t readSlot() const { return readSlot_; }
  int32_t writeRow() const { return writeRow_; }
  float readPosition(int32_t slot) const { return readPositions_[slot]; }
  float realHistory(int32_t row, int32_t bin) const { return realPart()[index(row, bin)]; }
  float sineHistory(int32_t row, int32_t bin) const { return sinePart()[index(row, bin)]; }
  const ModulationOscillator& oscillator() const { return *oscillator_; }

 private:
  // Row r holds both halves of every bin, bin by bin (see BinDelayFrame): a
  // read position's cells for a bin share a cache line, which matters to a
  // host running many instances.
  static constexpr int32_t kRowStride = 2 * kBinsPerHalf;
  static size_t index(int32_t row, int32_t bin) {
    return static_cast<size_t>(row) * kRowStride + 2 * static_cast<size_t>(bin);
  }
  float* realPart() const { return histories_.get(); }
  float* sinePart() const { return histories_.get() + 1; }
  struct BlockSettings {
    float span;
    float doubledFeedback;
  };
  // Takes this block's parameter values; the rest of a block is its frames.
  BlockSettings beginBlock(float delay, float feedback, float modFreq, float modAmp, float binDelay);
  bool inStepWith(const ChannelProcessor& other) const;
  BinDelayFrame binDelayFrame(float* spectrum, float doubledFeedback);
  void endFrame();
  float nextReadPosition(float span);
  void storeReadPosition(int32_t slot, float position);
  void copyTap(int32_t slot, const ReadTap& tap);
  void updateBinSlots(float binDelay);
  void delayBins(const BinDelayFrame* frames, int32_t count);

  SpectralSetup setup_;
  BlockAnalyzer analyzer_;
  BlockSynthesizer synthesizer_;
  SpectrumFrameList* blockFrames_ = nullptr;
  std::unique_ptr<float[]> readPositions_;
  // One row per frame, kRowStride floats each, rows contiguous.
  std::unique_ptr<float[]> histories_;
  int32_t readSlot_ = 0;
  int32_t writeRow_ = 0;
  std::unique_ptr<ModulationOscillator> oscillator_;

  // Derived from the above, to keep the per-bin work small: the history rows
  // and fraction of each stored read position, and each bin's slot offset
  // for the bin delay last seen (all zero: every bin uses the current slot).
  // The taps are kept twice over, slot s also at s + kReadSlots, so that
  // taps_ + readSlot_ indexed by a bin's offset needs no wrap.
  ReadTap taps_[2 * kReadSlots];
  int32_t binSlotOffsets_[kBinsPerHalf] = {};
  // The bins prefetchNextFrames fetches for: a slot offset other than zero,
  // and another one than the bin fetched for before it, or a new cache line.
  // Each with its slot offset and first cell, one load away.
  struct PrefetchBin {
    int32_t slotOffset;
    int32_t cell;
  };
  PrefetchBin prefetchBins_[kBinsPerHalf] = {};
  int32_t prefetchBinCount_ = 0;
  float offsetsBinDelay_ = 0.0f;
  bool uniformSlots_ = true;
};

}  // namespace brisko
