// Counts every heap allocation of the process, to prove that the audio path
// allocates nothing once it has seen its longest block, and fails a chosen
// one, to prove that running out of memory anywhere while the entry builds
// the effect leaves nothing behind.
#include <gtest/gtest.h>

#include <vector>

#include "effect/ChannelProcessor.h"
#include "effect/SpectrumDelay.h"
#include "effect/SpectrumDelayWithEditor.h"
#include "plugin/EffectFactory.h"
#include "tests/effect/CountedAllocation.h"

namespace brisko {
namespace {

using testing::allocations;
using testing::failingAllocation;
using testing::liveBlocks;

class ChannelRun {
 public:
  ChannelRun() : channel_(44100), input_(8192) {
    for (size_t i = 0; i < input_.size(); ++i) input_[i] = static_cast<float>((i * 7919) % 2001) / 1000.0f - 1.0f;
  }
  void block(int n, float binDelay) {
    SpectrumFrameList* frames = channel_.analyzer().analyze(input_.data(), n);
    channel_.setBlockFrames(frames);
    channel_.processFrames(0.3f, 0.9f, 0.7f, 1.0f, binDelay);
    channel_.synthesizer().synthesize(frames, n);
  }

 private:
  ChannelProcessor channel_;
  std::vector<float> input_;
};

TEST(Allocation, SteadyBlockLengthAllocatesNothingAfterTheFirstBlock) {
  for (int length : {1, 64, 127, 128, 512, 4096}) {
    ChannelRun run;
    run.block(length, 0.0f);
    const long before = allocations.load();
    for (int i = 0; i < 2000; ++i) run.block(length, 1.0f);
    EXPECT_EQ(allocations.load() - before, 0) << "block length " << length;
  }
}

TEST(Allocation, VaryingBlockLengthsAllocateNothingOnceTheLongestWasSeen) {
  ChannelRun run;
  run.block(4096, 0.5f);
  const long before = allocations.load();
  uint32_t state = 1;
  for (int i = 0; i < 5000; ++i) {
    state = state * 1103515245u + 12345u;
    run.block(static_cast<int>((state >> 8) % 4097), 0.5f);  // 0 .. 4096
  }
  EXPECT_EQ(allocations.load() - before, 0);
}

intptr_t BRISKO_VSTCALL quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// The whole processing entry, both forms, with parameters changing between
// blocks of varying length.
TEST(Allocation, PluginProcessingAllocatesNothingOnceTheLongestBlockWasSeen) {
  AEffect* effect = createEffectRecord(&quietHost, &SpectrumDelay::create);
  ASSERT_NE(effect, nullptr);
  std::vector<float> channels[4];
  for (auto& channel : channels) channel.assign(4096, 0.25f);
  float* inputs[2] = {channels[0].data(), channels[1].data()};
  float* outputs[2] = {channels[2].data(), channels[3].data()};
  effect->processReplacing(effect, inputs, outputs, 4096);
  effect->process(effect, inputs, outputs, 4096);
  const long before = allocations.load();
  uint32_t state = 9;
  for (int i = 0; i < 3000; ++i) {
    state = state * 1103515245u + 12345u;
    const int32_t n = static_cast<int32_t>((state >> 8) % 4097);
    effect->setParameter(effect, static_cast<int32_t>(state % 6), static_cast<float>(state % 1000) / 1000.0f);
    (i % 2 ? effect->process : effect->processReplacing)(effect, inputs, outputs, n);
  }
  EXPECT_EQ(allocations.load() - before, 0);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

AEffect* entry() { return createEffectRecord(&quietHost, &SpectrumDelayWithEditor::create); }

// What the library's entry makes, with the editor and its bitmap, while
// memory runs out at the k-th allocation, for every k of a normal run: the
// answer is null and every block allocated on the way is freed again. (The
// editor's failures also set the process-wide flag, cleared here for the
// next round.) Under AddressSanitizer a double or stray free shows as well.
TEST(Allocation, EntryAnswersNullAndLeavesNothingWhicheverAllocationFails) {
  // The first effect also creates what lives as long as the process.
  AEffect* first = entry();
  ASSERT_NE(first, nullptr);
  first->dispatcher(first, effClose, 0, 0, nullptr, 0.0f);

  const long liveBefore = liveBlocks.load();
  const long start = allocations.load();
  AEffect* normal = entry();
  const long count = allocations.load() - start;
  ASSERT_NE(normal, nullptr);
  normal->dispatcher(normal, effClose, 0, 0, nullptr, 0.0f);
  ASSERT_EQ(liveBlocks.load(), liveBefore);
  ASSERT_GT(count, 10);

  for (long k = 1; k <= count; ++k) {
    failingAllocation.store(allocations.load() + k);
    AEffect* effect = entry();
    failingAllocation.store(0);
    const long left = liveBlocks.load() - liveBefore;
    const bool flagged = constructionFailed.exchange(false);
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect, nullptr) << "allocation " << k << " of " << count;
    EXPECT_EQ(left, 0) << "allocation " << k << " of " << count << (flagged ? " (editor)" : "");
  }
  // With memory back the entry answers again.
  AEffect* last = entry();
  ASSERT_NE(last, nullptr);
  last->dispatcher(last, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace brisko
