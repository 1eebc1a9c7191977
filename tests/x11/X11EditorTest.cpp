// The plug-in's editor as a Linux host shows it: a child of the host's X11
// window that draws what the headless render draws, follows automation,
// answers real pointer input injected through XTest while the host's thread
// idles it, and goes without leaving windows or connections behind.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#if defined(BRISKO_HAVE_XRES)
#include <X11/extensions/XRes.h>
#endif
#if defined(BRISKO_HAVE_XDAMAGE)
#include <X11/extensions/Xdamage.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/x11/X11TestHost.h"

namespace brisko::x11test {
namespace {

constexpr int kSettleMs = 3000;

int sliderTop(int row) { return 40 + 37 * row; }

class X11Editor : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(host.problem(), ""); }

  // Runs `gesture` on a helper thread while this thread plays the host.
  template <class Gesture>
  void perform(Gesture gesture) {
    std::atomic<bool> done{false};
    std::thread helper([&] {
      gesture();
      done = true;
    });
    while (!done) host.idle(10);
    helper.join();
    host.idle(100);
  }

  std::vector<host::HostCall> editCallsOf(int32_t index) {
    std::vector<host::HostCall> result;
    for (const host::HostCall& call : host.plugin().calls()) {
      const bool edit = call.opcode == audioMasterAutomate || call.opcode == audioMasterBeginEdit ||
                        call.opcode == audioMasterEndEdit;
      if (edit && call.index == index) result.push_back(call);
    }
    return result;
  }

  X11TestHost host;
};

TEST_F(X11Editor, ChildWindowShowsTheHeadlessRenderAndFollowsAutomation) {
  ASSERT_EQ(host.openEditor(), 1);
  EXPECT_EQ(host.idleUntilShowsRender(kSettleMs), 0);

  const Window child = host.editorWindow();
  ASSERT_NE(child, 0u);
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(host.display(), child, &attributes));
  const EditorSize size = editorSize(host.plugin());
  EXPECT_EQ(attributes.width, size.width);
  EXPECT_EQ(attributes.height, size.height);
  EXPECT_EQ(attributes.map_state, IsViewable);

  // Automation from the host: idle moves the handle and the display text.
  host.plugin().setParameter(2, 0.9f);
  host.plugin().setParameter(4, 0.1f);
  EXPECT_EQ(host.idleUntilShowsRender(kSettleMs), 0);

  // Parts the server lost are drawn again from the frame on exposure.
  GC gc = XCreateGC(host.display(), child, 0, nullptr);
  XSetForeground(host.display(), gc, 0x00FF00);
  XFillRectangle(host.display(), child, gc, 10, 50, 150, 120);
  XFreeGC(host.display(), gc);
  XClearArea(host.display(), child, 10, 50, 150, 120, True);
  XSync(host.display(), False);
  EXPECT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  host.closeEditor();
  EXPECT_TRUE(host.children().empty());
}

TEST_F(X11Editor, DragMovesTheParameterInsideAnEditGesture) {
  ASSERT_EQ(host.openEditor(), 1);
  ASSERT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  const Window child = host.editorWindow();
  const int row = 1;
  const int y = sliderTop(row) + 9;
  host.plugin().clearCalls();
  perform([&] {
    FakeInput input;
    ASSERT_TRUE(input.ok());
    input.moveTo(child, 50, y);
    input.button(true);
    input.moveTo(child, 98, y);
    input.moveTo(child, 300, y);  // beyond the end: clamped
    input.moveTo(child, 98, y);
    input.button(false);
  });
  const float atPress = 26.0f / 149.0f;  // (x - 24) / 149
  const float atRelease = 74.0f / 149.0f;
  EXPECT_EQ(host.plugin().getParameter(row), atRelease);

  const std::vector<host::HostCall> calls = editCallsOf(row);
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
  std::vector<float> reported;
  for (size_t i = 1; i + 1 < calls.size(); ++i) {
    EXPECT_EQ(calls[i].opcode, audioMasterAutomate);
    reported.push_back(calls[i].opt);
  }
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.front(), atPress);
  EXPECT_EQ(reported.back(), atRelease);
  EXPECT_NE(std::find(reported.begin(), reported.end(), 1.0f), reported.end());
  for (int other = 0; other < 6; ++other) {
    if (other == row) continue;
    EXPECT_TRUE(editCallsOf(other).empty()) << other;
  }
  // The window shows the dragged value exactly as the headless render does.
  EXPECT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  host.closeEditor();
}

// A quick flick: press, move and release all between two idle calls of the
// host. The drag ends where the button went up, not where the pointer went on.
TEST_F(X11Editor, QuickFlickBetweenIdleCallsEndsWhereTheButtonWasReleased) {
  ASSERT_EQ(host.openEditor(), 1);
  ASSERT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  const Window child = host.editorWindow();
  const int row = 3;
  const int y = sliderTop(row) + 9;
  host.plugin().clearCalls();
  {
    FakeInput input;
    ASSERT_TRUE(input.ok());
    input.moveTo(child, 50, y);
    input.button(true);
    input.moveTo(child, 98, y);
    input.button(false);
    input.moveTo(child, 150, y);
  }
  host.idle(200);
  const float atRelease = 74.0f / 149.0f;
  EXPECT_EQ(host.plugin().getParameter(row), atRelease);
  const std::vector<host::HostCall> calls = editCallsOf(row);
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(calls[calls.size() - 2].opt, atRelease);
  EXPECT_EQ(host.idleUntilShowsRender(kSettleMs), 0);

  // A click on the background leaves its release behind; the next drag
  // still follows the pointer until its own release.
  perform([&] {
    FakeInput input;
    input.moveTo(child, 190, 20);
    input.button(true);
    input.button(false);
    input.moveTo(child, 60, y);
    input.button(true);
    input.moveTo(child, 124, y);
    input.moveTo(child, 128, y);
    input.button(false);
  });
  EXPECT_EQ(host.plugin().getParameter(row), 104.0f / 149.0f);

  // A host that idles the editor from inside a gesture, and a second flick
  // queued behind the first one's release: it waits for the first to end
  // instead of being lost.
  host.plugin().setIdleReentersEditor(true);
  const int otherRow = 4;
  const int otherY = sliderTop(otherRow) + 9;
  {
    FakeInput input;
    input.moveTo(child, 50, y);
    input.button(true);
    input.moveTo(child, 90, y);
    input.button(false);
    input.moveTo(child, 40, otherY);
    input.button(true);
    input.moveTo(child, 120, otherY);
    input.button(false);
  }
  host.idle(300);
  EXPECT_EQ(host.plugin().getParameter(row), 66.0f / 149.0f);
  EXPECT_EQ(host.plugin().getParameter(otherRow), 96.0f / 149.0f);
  host.closeEditor();
}

#if defined(BRISKO_HAVE_XDAMAGE)
// While a slider is dragged only what changed reaches the server: the dragged
// row's slider and display, not the whole editor on every poll.
TEST_F(X11Editor, DragCopiesOnlyTheChangedRowToTheServer) {
  int eventBase = 0;
  int errorBase = 0;
  if (!XDamageQueryExtension(host.display(), &eventBase, &errorBase)) GTEST_SKIP() << "no DAMAGE extension";
  ASSERT_EQ(host.openEditor(), 1);
  ASSERT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  const Window child = host.editorWindow();
  // Goes with the window when the editor closes.
  XDamageCreate(host.display(), child, XDamageReportRawRectangles);
  XSync(host.display(), False);
  // The server reports the whole window once when the damage object is made.
  while (XPending(host.display()) > 0) {
    XEvent event;
    XNextEvent(host.display(), &event);
  }
  const int row = 1;
  const int y = sliderTop(row) + 9;
  perform([&] {
    FakeInput input;
    input.moveTo(child, 50, y);
    input.button(true);
    for (int x = 60; x <= 140; x += 20) input.moveTo(child, x, y);
    input.button(false);
  });
  XSync(host.display(), False);
  // The slider row and the display under it, whose outline takes in its
  // right and bottom lines.
  const int left = 20, top = sliderTop(row), right = 179, bottom = sliderTop(row) + 19 + 14 + 1;
  long drawn = 0;
  int outside = 0;
  while (XPending(host.display()) > 0) {
    XEvent event;
    XNextEvent(host.display(), &event);
    if (event.type != eventBase + XDamageNotify) continue;
    const XRectangle& area = reinterpret_cast<const XDamageNotifyEvent&>(event).area;
    drawn += static_cast<long>(area.width) * area.height;
    if (area.x < left || area.y < top || area.x + area.width > right || area.y + area.height > bottom) ++outside;
  }
  EXPECT_GT(drawn, 0);
  EXPECT_EQ(outside, 0) << drawn << " pixels drawn in all";
  EXPECT_EQ(host.plugin().getParameter(row), 116.0f / 149.0f);
  host.closeEditor();
}
#endif

TEST_F(X11Editor, ControlClickResetsToTheMiddleAndBackgroundClicksDoNothing) {
  const int row = 2;
  host.plugin().setParameter(row, 0.9f);
  ASSERT_EQ(host.openEditor(), 1);
  ASSERT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  const Window child = host.editorWindow();
  host.plugin().clearCalls();
  perform([&] {
    FakeInput input;
    ASSERT_TRUE(input.ok());
    input.moveTo(child, 120, sliderTop(row) + 9);
    input.control(true);
    input.button(true);
    input.button(false);
    input.control(false);
  });
  EXPECT_EQ(host.plugin().getParameter(row), 0.5f);
  std::vector<host::HostCall> calls = editCallsOf(row);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[0].opt, 0.5f);

  host.plugin().clearCalls();
  perform([&] {
    FakeInput input;
    input.moveTo(child, 190, 20);
    input.button(true);
    input.button(false);
  });
  EXPECT_TRUE(host.plugin().callsOf(audioMasterAutomate).empty());
  EXPECT_TRUE(host.plugin().callsOf(audioMasterBeginEdit).empty());
  host.closeEditor();
}

#if defined(BRISKO_HAVE_XRES)
int clientCount(Display* display) {
  int count = 0;
  XResClient* clients = nullptr;
  if (!XResQueryClients(display, &count, &clients)) return -1;
  XFree(clients);
  return count;
}
#endif

// A hundred open, idle, close rounds while another thread sets parameters
// leave no child window and no connection to the server behind.
TEST_F(X11Editor, OpenCloseRoundsLeaveNoWindowsOrConnections) {
#if defined(BRISKO_HAVE_XRES)
  const int clientsBefore = clientCount(host.display());
#endif
  std::atomic<bool> done{false};
  // Another thread processes audio and sets parameters, as a host's audio
  // thread under automation does, while this one drives the editor.
  std::thread automation([&] {
    std::vector<float> channels[4];
    for (auto& channel : channels) channel.assign(256, 0.25f);
    float* inputs[2] = {channels[0].data(), channels[1].data()};
    float* outputs[2] = {channels[2].data(), channels[3].data()};
    for (int i = 0; !done; ++i) {
      host.plugin().setParameter(i % 6, static_cast<float>(i % 97) / 96.0f);
      host.plugin().processReplacing(inputs, outputs, 256);
    }
  });
  for (int round = 0; round < 100; ++round) {
    ASSERT_EQ(host.openEditor(), 1);
    if (round == 0) {
      EXPECT_EQ(host.children().size(), 1u);
#if defined(BRISKO_HAVE_XRES)
      EXPECT_EQ(clientCount(host.display()), clientsBefore + 1);
#endif
    }
    host.idle(round % 10 == 0 ? 20 : 0);
    host.closeEditor();
  }
  done = true;
  automation.join();
  EXPECT_TRUE(host.children().empty());
#if defined(BRISKO_HAVE_XRES)
  EXPECT_EQ(clientCount(host.display()), clientsBefore);
#endif
}

TEST_F(X11Editor, HostWindowDestroyedFirstOrEffectClosedWithEditorOpen) {
  ASSERT_EQ(host.openEditor(), 1);
  ASSERT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  XDestroyWindow(host.display(), host.hostWindow());
  XSync(host.display(), False);
  host.plugin().setParameter(0, 0.7f);
  host.idle(100);  // the frame has stopped drawing: nothing reaches the dead window
  host.closeEditor();

  // A new window: the editor opens again and draws.
  host.newHostWindow();
  ASSERT_EQ(host.openEditor(), 1);
  EXPECT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
  // The host closes the effect without closing the editor first.
  host.plugin().close();
  EXPECT_TRUE(host.children().empty());
}

// The host closes the editor, or the whole effect, from inside a call the
// editor makes during a real drag. A closed editor is off the screen at once,
// though its frame waits for the drag to end; a closed effect calls the host
// no more and goes, with its window, when the host's idle call that took the
// click returns.
TEST_F(X11Editor, HostClosingTheEditorOrTheEffectInsideADragHidesOrDestroysItSafely) {
  struct Round {
    int32_t opcode;
    bool wholeEffect;
  };
  const Round rounds[] = {{audioMasterBeginEdit, false}, {audioMasterIdle, false},    {audioMasterBeginEdit, true},
                          {audioMasterAutomate, true},   {audioMasterIdle, true},     {audioMasterEndEdit, true}};
  const int row = 2;
  const int y = sliderTop(row) + 9;
  for (const Round& round : rounds) {
    SCOPED_TRACE(std::to_string(round.opcode) + (round.wholeEffect ? " closes the effect" : " closes the editor"));
    if (!host.plugin().effect()) {
      ASSERT_TRUE(host.plugin().create());
    }
    ASSERT_EQ(host.openEditor(), 1);
    ASSERT_EQ(host.idleUntilShowsRender(kSettleMs), 0);
    const Window child = host.editorWindow();
    host.plugin().clearCalls();
    bool closed = false;
    size_t callsAtClose = 0;
    int mapStateAfterClose = -1;
    host.plugin().setCallHook([&](const host::HostCall& call) {
      if (closed || call.opcode != round.opcode) return;
      closed = true;
      if (round.wholeEffect) {
        host.plugin().close();
      } else {
        host.closeEditor();
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(host.display(), child, &attributes)) mapStateAfterClose = attributes.map_state;
      }
      callsAtClose = host.plugin().calls().size();
    });
    // Positions in the host's window, which outlives the editor's (at 0, 0).
    perform([&] {
      FakeInput input;
      input.moveTo(host.hostWindow(), 50, y);
      input.button(true);
      input.moveTo(host.hostWindow(), 98, y);
      input.moveTo(host.hostWindow(), 120, y);
      input.button(false);
    });
    host.plugin().setCallHook(nullptr);
    ASSERT_TRUE(closed);
    if (round.wholeEffect) {
      EXPECT_EQ(host.plugin().effect(), nullptr);
      EXPECT_EQ(host.plugin().calls().size(), callsAtClose) << "the host was called after it closed the effect";
    } else {
      EXPECT_EQ(mapStateAfterClose, IsUnmapped) << "the closed editor stayed on the screen";
    }
    EXPECT_TRUE(host.children().empty()) << "the editor's window outlived its close";
  }
}

int errorsSeen = 0;
int countingHandler(Display*, XErrorEvent*) {
  ++errorsSeen;
  return 0;
}

// Without a usable parent the editor still opens, on an image nobody sees;
// the host's own X error handler stays in place and sees none of ours.
TEST_F(X11Editor, ParentThatIsNoWindowOrNoDisplayFallsBackToAnImage) {
  XErrorHandler hostHandler = XSetErrorHandler(&countingHandler);
  errorsSeen = 0;
  ASSERT_EQ(host.openEditor(0x7ABCDEF), 1);
  host.idle(50);
  host.plugin().setParameter(1, 0.3f);
  host.idle(50);
  host.closeEditor();
  EXPECT_EQ(errorsSeen, 0);
  EXPECT_EQ(XSetErrorHandler(&countingHandler), &countingHandler);

  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  EXPECT_EQ(host.openEditor(), 1);
  host.idle(50);
  host.closeEditor();
  setenv("DISPLAY", ":999", 1);  // no server there
  EXPECT_EQ(host.openEditor(), 1);
  host.idle(50);
  host.closeEditor();
  setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_TRUE(host.children().empty());
  XSetErrorHandler(hostHandler);
}

}  // namespace
}  // namespace brisko::x11test
