#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/SpectralSetup.h"

namespace brisko {

// One analysed frame. Records belong to a SpectrumFrameList and are reused
// from block to block, spectrum arrays included.
struct SpectrumFrame {
  const SpectralSetup* setup = nullptr;
  std::vector<float> spectrum;  // packed spectrum; the engine rewrites it in place
  int32_t position = 0;         // samples of the block consumed when the frame completed
  int32_t capacity = 0;         // floats in spectrum
  bool valid = false;
};

// The frames one analyze() call completed, in order. Grows one record at a
// time up to the most frames a block has produced and keeps them.
class SpectrumFrameList {
 public:
  SpectrumFrameList();

  SpectrumFrame* nextFrame();
  int32_t count() const { return count_; }
  int32_t capacity() const { return capacity_; }
  // Null for an index outside 0 .. count() - 1.
  SpectrumFrame* at(int32_t index) const;
  void reset() { count_ = 0; }

  // Makes room in advance for `frames` records with spectra of `spectrumSize`
  // floats, so that growing up to that many later allocates nothing. The
  // list's capacity and contents are unchanged.
  void reserve(int32_t frames, int32_t spectrumSize);

 private:
  std::vector<std::unique_ptr<SpectrumFrame>> slots_;  // capacity_ in use, the rest spare
  int32_t capacity_ = 1;
  int32_t count_ = 0;
};

// Input side: collects samples, and each time a full frame has accumulated
// (one every hop) windows it and transforms it into a packed spectrum. A
// frame holding a sample that is not finite, or whose magnitude reaches
// kSampleLimit, is handed out as silence: what follows the analyzer (a
// feedback history, the overlap-add) could otherwise never be finite again.
class BlockAnalyzer {
 public:
  // 2^56: far above any audio, and low enough that a frame's spectrum stays
  // below 2^72 for frames of up to 65536 samples, from which neither a
  // feedback history that adds half of it per pass nor the inverse transform
  // can overflow in any time a host runs.
  static constexpr float kSampleLimit = 72057594037927936.0f;

  BlockAnalyzer() = default;
  BlockAnalyzer(const BlockAnalyzer&) = delete;
  BlockAnalyzer& operator=(const BlockAnalyzer&) = delete;

  // False for a null setup. An unready setup is stored but changes nothing else.
  bool configure(SpectralSetup* setup);

  // Consumes n samples; answers the frames completed by them, or null for a
  // null input or an analyzer without a ready setup. n <= 0 completes none.
  SpectrumFrameList* analyze(const float* input, int32_t n);

  int32_t frameSize() const { return frameSize_; }
  int32_t hop() const { return hop_; }
  int32_t fill() const { return fill_; }
  bool ready() const { return ready_; }
  // Whether every sample of the last analyze() call that answered a list
  // was finite and below kSampleLimit.
  bool lastBlockModerate() const { return lastBlockModerate_; }

 private:
  void completeFrame(const float* kept, int32_t head, const float* block, int32_t position, bool mayHoldImmoderate);
  void noteImmoderateSamples(const float* block, int32_t n, bool moderate);

  SpectralSetup* setup_ = nullptr;
  int32_t overlap_ = 0;
  int32_t frameSize_ = 0;
  int32_t hop_ = 0;
  int32_t fill_ = 0;
  std::vector<float> input_;
  SpectrumFrameList frames_;
  bool ready_ = false;
  int32_t longestBlock_ = 0;
  // Samples received after the last one that was not moderate (saturating).
  int64_t sinceImmoderate_ = kLongAgo;
  bool lastBlockModerate_ = true;
  static constexpr int64_t kLongAgo = int64_t{1} << 40;
};

// Output side: inverse-transforms the frames of a block, applies the
// synthesis window and overlap-adds them into a queue that holds the block's
// output followed by the tails still pending for later blocks.
class BlockSynthesizer {
 public:
  BlockSynthesizer() = default;
  BlockSynthesizer(const BlockSynthesizer&) = delete;
  BlockSynthesizer& operator=(const BlockSynthesizer&) = delete;

  void clear();

  // Makes room in advance for frames of `frameSize` samples, so that the
  // first frame of that size allocates nothing. Sizes are unchanged.
  void reserveFrameSize(int32_t frameSize);

  // frames must be the list analyze() answered for the same block and n.
  // Answers the queue, whose first n values are the block's output, or null
  // for a null list or at the first frame not marked valid.
  const float* synthesize(const SpectrumFrameList* frames, int32_t n);

  int32_t frameSize() const { return frameSize_; }
  int32_t blockLength() const { return blockLength_; }

 private:
  // Storage of the queue: this many queues' lengths, so that it slides
  // along for a few blocks before it moves back.
  static constexpr int32_t kQueueSpans = 4;
  static size_t storageFor(int32_t blockLength, int32_t frameSize);

  void advanceQueue();
  void moveQueueToStart();
  void resizeBlock(int32_t n);
  void resizeFrame(int32_t frameSize);
  void addFrame(const SpectrumFrame& frame);

  const SpectrumFrame* current_ = nullptr;
  int32_t frameSize_ = 0;
  std::vector<float> timeFrame_;
  std::vector<float> accumulator_;  // the queue is frameSize_ + blockLength_ values from front_
  int32_t front_ = 0;
  int32_t blockLength_ = 0;
  int32_t reservedFrameSize_ = 0;
};

}  // namespace brisko
