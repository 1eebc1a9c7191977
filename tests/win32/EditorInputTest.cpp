// Real mouse gestures on the plug-in's editor: input injected with SendInput
// from a helper thread while the host's thread pumps messages and idles, as
// the slider polls the button state and the cursor while it tracks.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "tests/win32/EditorInHost.h"

namespace brisko::wintest {
namespace {

void sendMouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

void sendKey(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

class EditorInput : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCursorPos(&savedCursor);
    ASSERT_TRUE(library.open(BRISKO_PLUGIN_PATH)) << library.error();
    editor = std::make_unique<EditorInHost>(library);
    ASSERT_TRUE(editor->open());
  }
  void TearDown() override {
    editor.reset();
    SetCursorPos(savedCursor.x, savedCursor.y);
  }

  // Moves the cursor to a point of the editor (frame coordinates) and lets
  // the window system see it before any button changes.
  void moveTo(int x, int y) {
    RECT bounds{};
    GetWindowRect(editor->child(), &bounds);
    SetCursorPos(bounds.left + x, bounds.top + y);
    Sleep(150);
  }

  // Runs `gesture` on a helper thread while this thread plays the host.
  template <class Gesture>
  void perform(Gesture gesture) {
    std::atomic<bool> done{false};
    std::thread helper([&] {
      gesture();
      done = true;
    });
    while (!done) editor->idle(10);
    helper.join();
    editor->idle(100);
  }

  std::vector<host::HostCall> callsFor(int32_t index) {
    std::vector<host::HostCall> result;
    for (const host::HostCall& call : editor->plugin().calls()) {
      const bool edit = call.opcode == audioMasterAutomate || call.opcode == audioMasterBeginEdit ||
                        call.opcode == audioMasterEndEdit;
      if (edit && call.index == index) result.push_back(call);
    }
    return result;
  }

  host::PluginLibrary library;
  std::unique_ptr<EditorInHost> editor;
  POINT savedCursor{};
};

TEST_F(EditorInput, DragMovesTheParameterAndReportsItInsideAnEditGesture) {
  const int row = 1;
  const int y = sliderTop(row) + 9;
  editor->plugin().clearCalls();
  perform([&] {
    moveTo(50, y);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(150);
    moveTo(98, y);
    moveTo(300, y);  // beyond the end: clamped
    moveTo(98, y);
    sendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(150);
  });
  const float atPress = 26.0f / 149.0f;  // (x - 24) / 149
  const float atRelease = 74.0f / 149.0f;
  EXPECT_EQ(editor->plugin().getParameter(row), atRelease);

  const std::vector<host::HostCall> calls = callsFor(row);
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
  std::vector<float> reported;
  for (size_t i = 1; i + 1 < calls.size(); ++i) {
    EXPECT_EQ(calls[i].opcode, audioMasterAutomate);
    reported.push_back(calls[i].opt);
  }
  EXPECT_EQ(reported.front(), atPress);
  EXPECT_EQ(reported.back(), atRelease);
  EXPECT_NE(std::find(reported.begin(), reported.end(), 1.0f), reported.end());
  for (float value : reported) {
    EXPECT_GE(value, 0.0f);
    EXPECT_LE(value, 1.0f);
  }
  // Only the dragged row was touched.
  for (int other = 0; other < 6; ++other) {
    if (other == row) continue;
    EXPECT_TRUE(callsFor(other).empty()) << other;
  }

  // The handle was redrawn where the value puts it.
  const Pixels pixels = printWindow(editor->child());
  const Pixels handle = loadBitmapPixels(pluginModule(), 130);
  for (int dx = 0; dx < handle.width; ++dx) {
    EXPECT_EQ(pixels.at(handleLeft(atRelease) + dx, sliderTop(row) + 9), handle.at(dx, 9));
  }
}

TEST_F(EditorInput, ControlClickResetsToTheMiddleWithoutAnEditGesture) {
  const int row = 2;
  editor->plugin().setParameter(row, 0.9f);
  editor->idle(100);
  editor->plugin().clearCalls();
  perform([&] {
    moveTo(120, sliderTop(row) + 9);
    sendKey(VK_CONTROL, true);
    Sleep(100);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(100);
    sendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(100);
    sendKey(VK_CONTROL, false);
    Sleep(100);
  });
  EXPECT_EQ(editor->plugin().getParameter(row), 0.5f);
  const std::vector<host::HostCall> calls = callsFor(row);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[0].opt, 0.5f);
}

TEST_F(EditorInput, ClickOnTheBackgroundChangesNothing) {
  editor->plugin().clearCalls();
  perform([&] {
    moveTo(190, 20);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(100);
    sendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(100);
  });
  EXPECT_TRUE(editor->plugin().callsOf(audioMasterAutomate).empty());
  EXPECT_TRUE(editor->plugin().callsOf(audioMasterBeginEdit).empty());
}

// The host closes the editor, or the whole effect, from inside the begin of
// the edit gesture that a real drag sends from the window's click message.
// The closed editor's window is hidden at once, though its frame waits for
// the drag to end; a closed effect calls the host no more and goes, with its
// window and class, once the click's message has been handled.
TEST_F(EditorInput, HostClosingTheEditorOrTheEffectInsideADragHidesOrDestroysItSafely) {
  const int y = sliderTop(3) + 9;
  for (bool wholeEffect : {false, true}) {
    SCOPED_TRACE(wholeEffect ? "the effect closed" : "the editor closed");
    // The first round's close took the editor down: the second opens it again.
    if (wholeEffect) {
      ASSERT_TRUE(editor->open());
    }
    HWND child = editor->child();
    editor->plugin().clearCalls();
    bool closed = false;
    size_t callsAtClose = 0;
    BOOL visibleAfterClose = TRUE;
    editor->plugin().setCallHook([&](const host::HostCall& call) {
      if (closed || call.opcode != audioMasterBeginEdit) return;
      closed = true;
      if (wholeEffect) {
        editor->plugin().close();
      } else {
        editor->close();
        visibleAfterClose = IsWindowVisible(child);
      }
      callsAtClose = editor->plugin().calls().size();
    });
    // Screen positions taken now: the window may be gone during the gesture.
    RECT bounds{};
    GetWindowRect(child, &bounds);
    const auto cursorTo = [&](int x) {
      SetCursorPos(bounds.left + x, bounds.top + y);
      Sleep(150);
    };
    perform([&] {
      cursorTo(50);
      sendMouse(MOUSEEVENTF_LEFTDOWN);
      Sleep(150);
      cursorTo(98);
      sendMouse(MOUSEEVENTF_LEFTUP);
      Sleep(150);
    });
    editor->plugin().setCallHook(nullptr);
    ASSERT_TRUE(closed);
    if (wholeEffect) {
      EXPECT_EQ(editor->plugin().calls().size(), callsAtClose) << "the host was called after it closed the effect";
      EXPECT_FALSE(pluginClassRegistered());
    } else {
      EXPECT_FALSE(visibleAfterClose) << "the closed editor stayed on the screen";
    }
    EXPECT_FALSE(IsWindow(child)) << "the editor's window outlived its close";
  }
}

}  // namespace
}  // namespace brisko::wintest
