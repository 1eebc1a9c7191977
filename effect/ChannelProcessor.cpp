#include "effect/ChannelProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace brisko {
namespace {

constexpr float kMinimumDelay = 0.00125f;
constexpr double kSpanScale = ChannelProcessor::kHistoryRows - 1;
constexpr double kFrequencyScale = 256.0;
constexpr double kRows = ChannelProcessor::kHistoryRows;
constexpr int32_t kBinsPerLine = 8;  // 64-byte cache lines, both halves of a bin in each
constexpr int64_t kPrefetchedWriteRows = 8;  // a block of 1024 at most; longer ones fetch the rest on their own

// Hosts send values in 0 .. 1; anything else (NaN included) is brought into
// that range so the history can neither run away nor be indexed wildly.
float unitRange(float value) { return value >= 0.0f ? std::min(value, 1.0f) : 0.0f; }

// Wraps a read position into 0 <= p < kRows by whole turns, rounding to float
// after each turn. (A tiny negative position may round up to kRows itself,
// which the reader takes as row 0.)
float wrapPosition(float position) {
  if (!std::isfinite(position)) return 0.0f;
  if (position >= 2 * kRows || position < -kRows) position = static_cast<float>(std::fmod(position, kRows));
  while (position >= kRows) position = static_cast<float>(position - kRows);
  while (position < 0.0f) position = static_cast<float>(position + kRows);
  return position;
}

}  // namespace

int32_t ChannelProcessor::slotFor(int32_t bin, float binDelay, int32_t readSlot) {
  const double slot = std::trunc(bin * static_cast<double>(binDelay) + readSlot);
  if (std::fabs(slot) < 1073741824.0) return static_cast<int32_t>(slot) & (ChannelProcessor::kReadSlots - 1);
  if (!std::isfinite(slot)) return readSlot;
  const double wrapped = std::fmod(slot, ChannelProcessor::kReadSlots);
  return (static_cast<int32_t>(wrapped) + ChannelProcessor::kReadSlots) & (ChannelProcessor::kReadSlots - 1);
}

ChannelProcessor::ChannelProcessor(int32_t sampleRate) {
  setup_.clear();
  synthesizer_.clear();
  setup_.configure(kFrameSize, kOverlap, static_cast<int32_t>(WindowType::Kaiser), 1.0f);
  analyzer_.configure(&setup_);
  synthesizer_.reserveFrameSize(setup_.frameSize());
  oscillator_ = std::make_unique<ModulationOscillator>(static_cast<double>(sampleRate));
  readPositions_ = std::make_unique<float[]>(kReadSlots);  // value-initialised: zero
  for (int32_t slot = 0; slot < kReadSlots; ++slot) storeReadPosition(slot, 0.0f);
  histories_ = std::make_unique<float[]>(static_cast<size_t>(kHistoryRows) * kRowStride);  // zero
}

ChannelProcessor::BlockSettings ChannelProcessor::beginBlock(float delay, float feedback, float modFreq, float modAmp,
                                                             float binDelay) {
  delay = unitRange(delay);
  feedback = unitRange(feedback);
  binDelay = unitRange(binDelay);
  oscillator_->amplitude = unitRange(modAmp);
  oscillator_->frequency = static_cast<float>(unitRange(modFreq) * kFrequencyScale);

  if (delay == 0.0f) delay = kMinimumDelay;
  const float span = static_cast<float>(delay * kSpanScale);
  const float doubledFeedback = static_cast<float>(static_cast<double>(feedback) + feedback);

  updateBinSlots(binDelay);
  return {span, doubledFeedback};
}

void ChannelProcessor::endFrame() {
  writeRow_ = (writeRow_ + 1) % kHistoryRows;
  readSlot_ = (readSlot_ + 1) % kReadSlots;
}

void ChannelProcessor::processFrames(float delay, float feedback, float modFreq, float modAmp, float binDelay) {
  const BlockSettings block = beginBlock(delay, feedback, modFreq, modAmp, binDelay);
  const int32_t frameCount = blockFrames_->count();
  for (int32_t f = 0; f < frameCount; ++f) {
    SpectrumFrame* frame = blockFrames_->at(f);
    // The history rows are kBinsPerHalf wide; a frame of another size is left alone.
    const int32_t half = frame->capacity / 2;
    if (half != kBinsPerHalf) continue;
    float* first = frame->spectrum.data();
    storeReadPosition(readSlot_, nextReadPosition(block.span));
    const BinDelayFrame frames[1] = {binDelayFrame(first, block.doubledFeedback)};
    delayBins(frames, 1);
    endFrame();
  }
}

bool ChannelProcessor::inStepWith(const ChannelProcessor& other) const {
  if (writeRow_ != other.writeRow_ || readSlot_ != other.readSlot_) return false;
  if (std::memcmp(&oscillator_->phase, &other.oscillator_->phase, sizeof(double)) != 0 ||
      std::memcmp(&oscillator_->phaseStep, &other.oscillator_->phaseStep, sizeof(double)) != 0) {
    return false;
  }
  if (std::memcmp(readPositions_.get(), other.readPositions_.get(), kReadSlots * sizeof(float)) != 0) return false;
  if (!blockFrames_ || !other.blockFrames_ || blockFrames_->count() != other.blockFrames_->count()) return false;
  for (int32_t f = 0; f < blockFrames_->count(); ++f) {
    if (blockFrames_->at(f)->capacity != other.blockFrames_->at(f)->capacity) return false;
  }
  return true;
}

// The two engines then take the same oscillator steps, store the same read
// positions and use the same slots, frame by frame: all of that is done once,
// and each bin's taps serve both channels.
bool ChannelProcessor::processFramesInStep(ChannelProcessor& left, ChannelProcessor& right, float delay, float feedback,
                                           float modFreq, float modAmp, float binDelay) {
  if (!left.inStepWith(right)) return false;
  const BlockSettings block = left.beginBlock(delay, feedback, modFreq, modAmp, binDelay);
  right.beginBlock(delay, feedback, modFreq, modAmp, binDelay);
  const int32_t frameCount = left.blockFrames_->count();
  for (int32_t f = 0; f < frameCount; ++f) {
    SpectrumFrame* leftFrame = left.blockFrames_->at(f);
    SpectrumFrame* rightFrame = right.blockFrames_->at(f);
    if (leftFrame->capacity / 2 != kBinsPerHalf) continue;
    const float position = left.nextReadPosition(block.span);
    right.oscillator_->phase = left.oscillator_->phase;  // the same step from the same phase
    left.storeReadPosition(left.readSlot_, position);
    right.readPositions_[right.readSlot_] = position;
    right.copyTap(right.readSlot_, left.taps_[left.readSlot_]);
    const BinDelayFrame frames[2] = {left.binDelayFrame(leftFrame->spectrum.data(), block.doubledFeedback),
                                     right.binDelayFrame(rightFrame->spectrum.data(), block.doubledFeedback)};
    left.delayBins(frames, 2);
    left.endFrame();
    right.endFrame();
  }
  return true;
}

// With a bin delay, most bins of the next frame read through positions that
// are already stored, each at rows of its own, and the frames after it read
// mostly the same cache lines (a stored position is an absolute row). Called
// before the block is analysed, this fetches them while the transforms run,
// instead of missing them one bin at a time (a host that runs many instances
// in turn leaves little of this one in the cache). Only a hint.
void ChannelProcessor::prefetchNextFrames(int32_t sampleFrames) const {
  // The rows written are new to the cache too: a whole history lies between two writes of one row.
  const int32_t hop = analyzer_.hop();
  const int64_t length = int64_t{analyzer_.fill()} + std::max(sampleFrames, 0);
  // A block shorter than a hop often completes no frame: the block that does fetches.
  if (length < analyzer_.frameSize()) return;
  const int64_t frames = hop > 0 ? length / hop : 1;
  const auto blockFrames = static_cast<int32_t>(std::min<int64_t>(frames, kPrefetchedWriteRows));
  for (int32_t f = 0; f < blockFrames; ++f) {
    const int32_t row = (writeRow_ + f) % kHistoryRows;
    for (int32_t j = 0; j < kBinsPerHalf; j += kBinsPerLine) __builtin_prefetch(realPart() + index(row, j), 1);
  }
  // A bin with a slot offset reads a position stored before this block in
  // every frame of it (but for offsets of nearly a whole ring); frame f + 1
  // reads its row 0 where frame f read its row 1.
  const float* history = realPart();
  for (int32_t f = 0; f < blockFrames; ++f) {
    const ReadTap* taps = taps_ + (readSlot_ + f) % kReadSlots;
    for (int32_t k = 0; k < prefetchBinCount_; ++k) {
      const PrefetchBin bin = prefetchBins_[k];
      const ReadTap& tap = taps[bin.slotOffset];
      if (f == 0) __builtin_prefetch(history + tap.row0Offset + bin.cell);
      __builtin_prefetch(history + tap.row1Offset + bin.cell);
    }
  }
}

float ChannelProcessor::nextReadPosition(float span) {
  const double m = oscillator_->nextValue();
  const float position = static_cast<float>(writeRow_ - (m + 1) * 0.5 * span);
  return wrapPosition(position);
}

void ChannelProcessor::storeReadPosition(int32_t slot, float position) {
  readPositions_[slot] = position;
  const int32_t whole = static_cast<int32_t>(position);
  ReadTap tap;
  tap.frac = static_cast<float>(static_cast<double>(position) - whole);
  tap.row0Offset = static_cast<int32_t>(index(whole % kHistoryRows, 0));
  tap.row1Offset = static_cast<int32_t>(index((whole + 1) % kHistoryRows, 0));
  copyTap(slot, tap);
}

void ChannelProcessor::copyTap(int32_t slot, const ReadTap& tap) {
  taps_[slot] = tap;
  taps_[slot + kReadSlots] = tap;
}

// With binDelay in 0 .. 1, bin j's slot is its fixed offset trunc(j * binDelay)
// ahead of the current slot.
void ChannelProcessor::updateBinSlots(float binDelay) {
  if (binDelay == offsetsBinDelay_) return;
  offsetsBinDelay_ = binDelay;
  uniformSlots_ = true;
  for (int32_t j = 0; j < kBinsPerHalf; ++j) {
    binSlotOffsets_[j] = slotFor(j, binDelay, 0);
    uniformSlots_ = uniformSlots_ && binSlotOffsets_[j] == 0;
  }
  // A bin with offset zero reads the position the next frame stores, not known
  // yet; a bin with its predecessor's offset reads the same cache lines,
  // unless it starts a new one.
  prefetchBinCount_ = 0;
  int32_t previousOffset = -1;
  for (int32_t j = 0; j < kBinsPerHalf; ++j) {
    if (binSlotOffsets_[j] == 0) continue;
    if (binSlotOffsets_[j] == previousOffset && j % kBinsPerLine != 0) continue;
    previousOffset = binSlotOffsets_[j];
    prefetchBins_[prefetchBinCount_++] = {binSlotOffsets_[j], 2 * j};
  }
}

BinDelayFrame ChannelProcessor::binDelayFrame(float* spectrum, float doubledFeedback) {
  float* writeRow = realPart() + index(writeRow_, 0);
  return {spectrum, spectrum + kBinsPerHalf, realPart(), writeRow, doubledFeedback, kBinsPerHalf};
}

// frames: this engine's, then those of engines in step with it.
void ChannelProcessor::delayBins(const BinDelayFrame* frames, int32_t count) {
  if (uniformSlots_) {
    for (int32_t c = 0; c < count; ++c) delayBinsUniform(frames[c], taps_[readSlot_]);
    return;
  }
  // Offsets are below kReadSlots: bin j's tap is (taps_ + readSlot_)[offset], no wrap.
  delayBinsPerBin(frames, count, taps_ + readSlot_, binSlotOffsets_);
}

}  // namespace brisko
