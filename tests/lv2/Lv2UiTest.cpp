// The LV2 UI binary as an LV2 host drives it, under a virtual X display: it
// embeds the editor in the host's window and asks for its size, shows the
// headless render of the values the host's port events bring, and reports a
// real XTest drag through the host's write function inside touch gestures.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "gui/cairo/EditorSnapshot.h"
#include "tests/x11/X11TestHost.h"

namespace brisko::x11test {
namespace {

constexpr const char* kPluginUri = "urn:brisko:dynamic-spectrum-delay";
constexpr int kWidth = 200, kHeight = 300;

// What the UI told the host, in order.
struct HostLog {
  struct Call {
    char kind;  // 'w' write, 't' touch begin, 'e' touch end, 'r' resize
    uint32_t index;
    float value;
  };
  std::vector<Call> calls;
  std::vector<Call> of(uint32_t index) const {
    std::vector<Call> result;
    for (const Call& call : calls)
      if (call.kind != 'r' && call.index == index) result.push_back(call);
    return result;
  }
};

void writeToLog(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (format == 0 && size == sizeof(float)) {
    static_cast<HostLog*>(controller)->calls.push_back({'w', port, *static_cast<const float*>(buffer)});
  }
}
int resizeToLog(LV2UI_Feature_Handle handle, int width, int height) {
  static_cast<HostLog*>(handle)->calls.push_back({'r', static_cast<uint32_t>(width), static_cast<float>(height)});
  return 0;
}
void touchToLog(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
  static_cast<HostLog*>(handle)->calls.push_back({grabbed ? 't' : 'e', port, 0.0f});
}

class Lv2Ui : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(host.problem(), "");
    module = dlopen(BRISKO_LV2_UI_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(module, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(entry(1), nullptr);
    auto* idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idleInterface, nullptr);
    idleFunction = idleInterface->idle;
  }
  void TearDown() override {
    if (ui) descriptor->cleanup(ui);
  }

  LV2UI_Handle instantiate(const char* pluginUri, Window parent, bool offerAll = true) {
    parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
    std::vector<const LV2_Feature*> features;
    if (parent) features.push_back(&parentFeature);
    if (offerAll) features.insert(features.end(), {&resizeFeature, &touchFeature});
    features.push_back(nullptr);
    widget = nullptr;
    return descriptor->instantiate(descriptor, pluginUri, "/nonexistent/", &writeToLog, &log, &widget,
                                   features.data());
  }
  void portEvent(uint32_t port, float value) { descriptor->port_event(ui, port, sizeof value, 0, &value); }
  void idle(int milliseconds) {
    for (int elapsed = 0; elapsed <= milliseconds; elapsed += 10) {
      EXPECT_EQ(idleFunction(ui), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  // Idles until the UI's window shows the headless render of `values`; the
  // mismatching pixels of the last look.
  int idleUntilShows(const float values[6]) {
    std::string error;
    CairoSurfacePtr expected = renderEditorImage(values, error);
    if (!expected) return -1;
    int mismatches = kWidth * kHeight;
    for (int elapsed = 0; elapsed <= 3000 && mismatches != 0; elapsed += 20) {
      idle(20);
      const std::vector<uint32_t> shown = host.capture(window(), kWidth, kHeight);
      if (shown.empty()) continue;
      mismatches = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
          mismatches += shown[static_cast<size_t>(y * kWidth + x)] != pixelAt(expected.get(), x, y);
    }
    return mismatches;
  }
  Window window() const { return static_cast<Window>(reinterpret_cast<uintptr_t>(widget)); }
  // Runs `gesture` with fake input on a helper thread while this thread
  // plays the host, idling the UI.
  template <class Gesture>
  void perform(Gesture gesture) {
    std::atomic<bool> done{false};
    std::thread helper([&] {
      FakeInput input;
      if (input.ok()) gesture(input);
      done = true;
    });
    while (!done) idle(10);
    helper.join();
    idle(100);
  }

  X11TestHost host;
  void* module = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  int (*idleFunction)(LV2UI_Handle) = nullptr;
  HostLog log;
  LV2UI_Resize resize{&log, &resizeToLog};
  LV2UI_Touch touch{&log, &touchToLog};
  LV2_Feature parentFeature{};
  LV2_Feature resizeFeature{LV2_UI__resize, &resize};
  LV2_Feature touchFeature{LV2_UI__touch, &touch};
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle ui = nullptr;
};

// Another plug-in's URI, no parent window, or a parent that is no window:
// no UI, and nothing left in the host's window.
TEST_F(Lv2Ui, RefusedWithoutAWindowToShowIn) {
  EXPECT_STREQ(descriptor->URI, "urn:brisko:dynamic-spectrum-delay#ui");
  EXPECT_EQ(instantiate("urn:other:plugin", host.hostWindow()), nullptr);
  EXPECT_EQ(instantiate(kPluginUri, 0), nullptr);
  EXPECT_EQ(instantiate(kPluginUri, 0x7ffffff0), nullptr);
  EXPECT_TRUE(host.children().empty());
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(Lv2Ui, EmbedsTheEditorAndFollowsPortEvents) {
  ui = instantiate(kPluginUri, host.hostWindow());
  ASSERT_NE(ui, nullptr);
  ASSERT_EQ(host.children(), std::vector<Window>{window()});
  ASSERT_EQ(log.calls.size(), 1u);
  EXPECT_EQ(log.calls[0].kind, 'r');
  EXPECT_EQ(log.calls[0].index, static_cast<uint32_t>(kWidth));
  EXPECT_EQ(log.calls[0].value, static_cast<float>(kHeight));

  float values[6] = {0.05f, 0.6f, 0.5f, 0.8f, 0.3f, 0.7f};
  for (uint32_t port = 0; port < 6; ++port) portEvent(port, values[port]);
  // Events the UI does not take: audio ports, other formats and sizes.
  portEvent(7, 0.9f);
  const double wide = 0.9;
  descriptor->port_event(ui, 0, sizeof wide, 0, &wide);
  descriptor->port_event(ui, 0, sizeof(float), 12345, &values[5]);
  descriptor->port_event(ui, 0, sizeof(float), 0, nullptr);
  EXPECT_EQ(idleUntilShows(values), 0);
  EXPECT_EQ(log.calls.size(), 1u) << "port events are not written back";

  descriptor->cleanup(ui);
  ui = nullptr;
  EXPECT_TRUE(host.children().empty());
}

// Hosts often destroy their window (and the UI's with it) before the UI's
// cleanup: the UI goes on idling and taking port events safely until then.
TEST_F(Lv2Ui, HostWindowDestroyedBeforeCleanup) {
  ui = instantiate(kPluginUri, host.hostWindow());
  ASSERT_NE(ui, nullptr);
  XDestroyWindow(host.display(), host.hostWindow());
  XSync(host.display(), False);
  idle(100);
  portEvent(2, 0.5f);
  idle(50);
  descriptor->cleanup(ui);
  ui = nullptr;
  host.newHostWindow();
  EXPECT_TRUE(host.children().empty());
}

// A drag with XTest while the host idles the UI: every move is written to the
// port, between a touch begin and end, and nothing reaches the other ports.
TEST_F(Lv2Ui, DragWritesThePortInsideATouchGesture) {
  ui = instantiate(kPluginUri, host.hostWindow());
  ASSERT_NE(ui, nullptr);
  float values[6] = {0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 1.0f};
  for (uint32_t port = 0; port < 6; ++port) portEvent(port, values[port]);
  ASSERT_EQ(idleUntilShows(values), 0);
  const uint32_t row = 3;
  const int y = 40 + 37 * static_cast<int>(row) + 9;
  perform([&](FakeInput& input) {
    input.moveTo(window(), 40, y);
    input.button(true);
    input.moveTo(window(), 90, y);
    input.moveTo(window(), 130, y);
    input.button(false);
  });

  const std::vector<HostLog::Call> calls = log.of(row);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls.front().kind, 't');
  EXPECT_EQ(calls.back().kind, 'e');
  for (size_t i = 1; i + 1 < calls.size(); ++i) EXPECT_EQ(calls[i].kind, 'w') << i;
  EXPECT_EQ(calls[1].value, 16.0f / 149.0f);  // (x - 24) / 149
  EXPECT_EQ(calls[calls.size() - 2].value, 106.0f / 149.0f);
  for (uint32_t other = 0; other < 6; ++other) {
    if (other == row) continue;
    EXPECT_TRUE(log.of(other).empty()) << other;
  }
  values[row] = 106.0f / 149.0f;
  EXPECT_EQ(idleUntilShows(values), 0);
}

// Without the touch feature the drag still writes its values.
TEST_F(Lv2Ui, HostWithoutTouchOrResizeGetsTheWritesAlone) {
  ui = instantiate(kPluginUri, host.hostWindow(), false);
  ASSERT_NE(ui, nullptr);
  const int y = 40 + 9;
  perform([&](FakeInput& input) {
    input.moveTo(window(), 60, y);
    input.button(true);
    input.button(false);
  });
  ASSERT_FALSE(log.calls.empty());
  for (const HostLog::Call& call : log.calls) EXPECT_EQ(call.kind, 'w');
  EXPECT_EQ(log.calls.back().index, 0u);
  EXPECT_EQ(log.calls.back().value, 36.0f / 149.0f);
}

}  // namespace
}  // namespace brisko::x11test
