#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "editor/SpectrumDelayEditor.h"
#include "gui/Frame.h"
#include "tests/editor/TestHost.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

// One thread changes parameters as fast as it can, as an audio thread under
// host automation does, while the user-interface thread opens, paints, idles
// and closes the editor over and over. Run under ThreadSanitizer this shows
// that a late change never touches controls that are being destroyed.
TEST(EditorThreads, ParameterChangesRaceOpenIdleAndClose) {
  testing::HostRecorder::instance().reset();
  fakes::FakePlatform platform;
  auto effect = std::make_unique<testing::ProbeEffect>();
  auto* editor = new SpectrumDelayEditor(effect.get(), platform);

  std::atomic<bool> stop{false};
  std::atomic<long> changes{0};
  std::thread audio([&] {
    float value = 0.0f;
    for (int32_t i = 0; !stop.load(std::memory_order_relaxed); ++i) {
      value = value > 1.0f ? 0.0f : value + 0.001f;
      effect->storeParameter(i % 6, value);
      editor->parameterChanged(i % 8 - 1, value);
      changes.fetch_add(1, std::memory_order_relaxed);
    }
  });

  // The race only means something once the other thread is running.
  while (changes.load() == 0) std::this_thread::yield();
  constexpr int kCycles = 300;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    ASSERT_EQ(editor->openEditor(reinterpret_cast<void*>(1)), 1);
    auto context = platform.windowContext();
    editor->frame()->drawRect(context.get(), {0, 0, 200, 300});
    for (int idle = 0; idle < 3; ++idle) editor->idleEditor();
    editor->closeEditor();
    platform.screen.clear();
  }
  stop = true;
  audio.join();

  EXPECT_GT(changes.load(), 0);
  EXPECT_EQ(platform.windowsCreated, kCycles);
  EXPECT_EQ(platform.windowsDestroyed, kCycles);
  EXPECT_EQ(editor->frame(), nullptr);
}

}  // namespace
}  // namespace brisko
