// Replaces the nothrow array allocation so that the frame's child list can be
// made to fail when it grows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "gui/Frame.h"
#include "tests/gui/ProbeView.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace {
bool failArrays = false;
}

// All array forms go through malloc and free, so sanitizers see matching pairs.
void* operator new[](std::size_t size) {
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (failArrays) return nullptr;
  return std::malloc(size ? size : 1);
}

void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace brisko {
namespace {

TEST(FrameChildList, AFailedGrowthRefusesTheViewAndKeepsTheFirstTwenty) {
  fakes::FakePlatform platform;
  std::vector<std::string> journal;
  Frame frame({0, 0, 200, 300}, nullptr, nullptr, platform);
  std::vector<View*> views;
  for (int i = 0; i < 20; ++i) {
    views.push_back(new fakes::ProbeView({i, 0, i + 1, 1}, "v", journal));
    ASSERT_TRUE(frame.addView(views.back()));
  }
  auto* late = new fakes::ProbeView({0, 0, 1, 1}, "late", journal);
  failArrays = true;
  EXPECT_FALSE(frame.addView(late));
  failArrays = false;
  EXPECT_EQ(frame.childCount(), 20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(frame.childAt(i), views[static_cast<size_t>(i)]);

  EXPECT_TRUE(frame.addView(late)) << "the 21st view fits once memory is back";
  EXPECT_EQ(frame.childAt(20), late);
}

}  // namespace
}  // namespace brisko
