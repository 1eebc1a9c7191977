#include "dsp/BlockFraming.h"

#include <algorithm>
#include <cstring>

#include "dsp/DspKernels.h"
#include "dsp/MagnitudeCheck.h"

namespace brisko {

SpectrumFrameList::SpectrumFrameList() { slots_.push_back(std::make_unique<SpectrumFrame>()); }

SpectrumFrame* SpectrumFrameList::nextFrame() {
  ++count_;
  if (count_ > capacity_) {
    ++capacity_;
    if (capacity_ > static_cast<int32_t>(slots_.size())) slots_.push_back(std::make_unique<SpectrumFrame>());
  }
  SpectrumFrame* frame = slots_[static_cast<size_t>(count_ - 1)].get();
  frame->valid = false;
  return frame;
}

SpectrumFrame* SpectrumFrameList::at(int32_t index) const {
  if (index < 0 || index >= count_) return nullptr;
  return slots_[static_cast<size_t>(index)].get();
}

void SpectrumFrameList::reserve(int32_t frames, int32_t spectrumSize) {
  slots_.reserve(static_cast<size_t>(std::max(frames, 1)));
  while (static_cast<int32_t>(slots_.size()) < frames) slots_.push_back(std::make_unique<SpectrumFrame>());
  for (auto& slot : slots_) slot->spectrum.reserve(static_cast<size_t>(spectrumSize));
}

bool BlockAnalyzer::configure(SpectralSetup* setup) {
  if (setup == nullptr) return false;
  setup_ = setup;
  if (!setup->ready()) return true;

  const int32_t size = setup->frameSize();
  if (size != frameSize_) {
    // Keep the newest samples, fewer than a whole frame of the new size.
    if (fill_ >= size) {
      const int32_t keep = size - 1;
      std::memmove(input_.data(), input_.data() + (fill_ - keep), static_cast<size_t>(keep) * sizeof(float));
      fill_ = keep;
    }
    frameSize_ = size;
    input_.resize(static_cast<size_t>(size));
    frames_.reset();
    longestBlock_ = 0;  // spare spectra must be reserved again at the new size
  }
  overlap_ = setup->overlap();
  hop_ = frameSize_ / overlap_;
  ready_ = true;
  return true;
}

SpectrumFrameList* BlockAnalyzer::analyze(const float* input, int32_t n) {
  frames_.reset();
  if (input == nullptr || !ready_ || !setup_->ready()) return nullptr;
  if (setup_->frameSize() != frameSize_ || setup_->overlap() != overlap_) configure(setup_);
  if (n > longestBlock_) {
    // A block of n samples completes at most (n - 1) / hop + 1 frames.
    longestBlock_ = n;
    frames_.reserve((n - 1) / hop_ + 1, frameSize_);
  }

  // One pass over the block; frames are looked at one by one only where
  // they may hold a sample that is not moderate.
  const bool moderate = allMagnitudesBelow(input, n, kSampleLimit);
  const bool mayHoldImmoderate = !moderate || sinceImmoderate_ < frameSize_;
  lastBlockModerate_ = moderate;
  if (n <= 0) return &frames_;

  // The stream is the fill_ samples kept in input_ followed by the block;
  // frames start every hop_ samples of it and are windowed straight from
  // those two stretches. Only what the next block's frames still need is kept.
  const int64_t length = int64_t{fill_} + n;  // no overflow for the longest blocks
  int64_t start = 0;
  for (; start + frameSize_ <= length; start += hop_) {
    const auto at = static_cast<int32_t>(std::min<int64_t>(start, fill_));
    const auto head = static_cast<int32_t>(std::max<int64_t>(fill_ - start, 0));
    const int64_t fromBlock = std::max<int64_t>(start - fill_, 0);
    completeFrame(input_.data() + at, head, input + fromBlock, static_cast<int32_t>(start + frameSize_ - fill_),
                  mayHoldImmoderate);
  }
  noteImmoderateSamples(input, n, moderate);
  // Fewer than frameSize_ samples are left over, in either case.
  if (start < fill_) {
    const auto kept = static_cast<int32_t>(fill_ - start);
    // Blocks shorter than a hop mostly complete no frame: nothing to move then.
    if (start > 0) std::memmove(input_.data(), input_.data() + start, static_cast<size_t>(kept) * sizeof(float));
    std::memcpy(input_.data() + kept, input, static_cast<size_t>(n) * sizeof(float));
  } else {
    std::memcpy(input_.data(), input + (start - fill_), static_cast<size_t>(length - start) * sizeof(float));
  }
  fill_ = static_cast<int32_t>(length - start);
  return &frames_;
}

// The frame is `head` samples from `kept`, then from `block`; `position` is
// the number of the block's samples it takes up to its end.
void BlockAnalyzer::completeFrame(const float* kept, int32_t head, const float* block, int32_t position,
                                  bool mayHoldImmoderate) {
  SpectrumFrame* frame = frames_.nextFrame();
  frame->setup = setup_;
  if (frame->capacity != frameSize_) {
    frame->spectrum.resize(static_cast<size_t>(frameSize_));
    frame->capacity = frameSize_;
  }
  frame->position = position;
  frame->valid = true;

  float* spectrum = frame->spectrum.data();
  if (mayHoldImmoderate && !(allMagnitudesBelow(kept, head, kSampleLimit) &&
                       allMagnitudesBelow(block, frameSize_ - head, kSampleLimit))) {
    std::fill(spectrum, spectrum + frameSize_, 0.0f);
    return;
  }
  float* windowed = setup_->windowedFrame();
  activeDspKernels().frameWindow(windowed, setup_->analysisWindow(), kept, head, block, frameSize_);
  setup_->transform()->forward(spectrum, windowed);
}

void BlockAnalyzer::noteImmoderateSamples(const float* block, int32_t n, bool moderate) {
  if (moderate) {
    sinceImmoderate_ = std::min(sinceImmoderate_ + n, kLongAgo);
    return;
  }
  int32_t last = n - 1;
  while (allMagnitudesBelow(block + last, 1, kSampleLimit)) --last;
  sinceImmoderate_ = n - 1 - last;
}

void BlockSynthesizer::clear() {
  current_ = nullptr;
  frameSize_ = 0;
  blockLength_ = 0;
  reservedFrameSize_ = 0;
  timeFrame_ = {};
  accumulator_ = {};
  front_ = 0;
}

void BlockSynthesizer::reserveFrameSize(int32_t frameSize) {
  reservedFrameSize_ = std::max(frameSize, 0);
  timeFrame_.reserve(static_cast<size_t>(reservedFrameSize_));
  accumulator_.reserve(storageFor(blockLength_, std::max(frameSize_, reservedFrameSize_)));
}

const float* BlockSynthesizer::synthesize(const SpectrumFrameList* frames, int32_t n) {
  if (frames == nullptr) return nullptr;
  n = std::max(n, 0);
  if (blockLength_ > 0) advanceQueue();
  if (n != blockLength_) resizeBlock(n);

  for (int32_t index = 0; index < frames->count(); ++index) {
    const SpectrumFrame* frame = frames->at(index);
    current_ = frame;
    if (!frame->valid) return nullptr;
    if (frame->setup->frameSize() != frameSize_) resizeFrame(frame->setup->frameSize());
    addFrame(*frame);
  }
  return accumulator_.data() + front_;
}

// The queue slides along its storage by one block per call; only when it
// reaches the end are the pending tails moved back to the start. Everything
// past the queue is kept at 0, so the samples a block adds start from 0.
void BlockSynthesizer::advanceQueue() {
  front_ += blockLength_;
  if (front_ + frameSize_ + blockLength_ > static_cast<int32_t>(accumulator_.size())) moveQueueToStart();
}

// The frameSize_ pending values go to the start, and what they leave behind
// (up to the end of the previous queue) becomes 0.
void BlockSynthesizer::moveQueueToStart() {
  if (front_ == 0) return;
  float* storage = accumulator_.data();
  std::memmove(storage, storage + front_, static_cast<size_t>(frameSize_) * sizeof(float));
  std::fill(storage + frameSize_, storage + front_ + frameSize_, 0.0f);
  front_ = 0;
}

size_t BlockSynthesizer::storageFor(int32_t blockLength, int32_t frameSize) {
  return static_cast<size_t>(kQueueSpans) * static_cast<size_t>(blockLength + frameSize);
}

// A new block length keeps the pending tails at the front of the queue, so
// hosts that vary their block length lose no wet signal. Capacity is kept,
// so once the longest block has been seen this allocates nothing.
void BlockSynthesizer::resizeBlock(int32_t n) {
  moveQueueToStart();
  blockLength_ = n;
  accumulator_.reserve(storageFor(n, std::max(frameSize_, reservedFrameSize_)));
  accumulator_.resize(storageFor(n, frameSize_));
  std::fill(accumulator_.begin() + frameSize_, accumulator_.end(), 0.0f);
}

void BlockSynthesizer::resizeFrame(int32_t frameSize) {
  frameSize_ = frameSize;
  timeFrame_.resize(static_cast<size_t>(frameSize));
  accumulator_.resize(storageFor(blockLength_, frameSize));
  std::fill(accumulator_.begin(), accumulator_.end(), 0.0f);
  front_ = 0;
}

void BlockSynthesizer::addFrame(const SpectrumFrame& frame) {
  // A frame from another block or another setup would land outside the queue.
  if (frame.position < 0 || frame.position > blockLength_ || frame.capacity != frameSize_) return;
  FourierTransform* transform = frame.setup->transform();
  transform->inverse(frame.spectrum.data(), timeFrame_.data());
  // The rescale by 1/N (a power of two, so exact in float) goes into the overlap-add pass.
  const auto scale = static_cast<float>(1.0 / transform->length());
  activeDspKernels().overlapAdd(accumulator_.data() + front_ + frame.position, frame.setup->synthesisWindow(),
                                timeFrame_.data(), scale, frameSize_);
}

}  // namespace brisko
