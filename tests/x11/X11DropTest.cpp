// Drops on the editor's window through XDND, with the test as the drag
// source: the window says it takes text and file lists, fetches the data at
// the drop, and finishes refused, since no control takes drops.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

#include "gui/x11/DropReceiver.h"
#include "tests/x11/X11TestHost.h"

namespace brisko::x11test {
namespace {

TEST(UriList, FileUrisBecomeLocalPathsAndEverythingElseIsLeftOut) {
  const std::string list =
      "# a comment\r\n"
      "file:///home/user/My%20Sound.wav\r\n"
      "file://localhost/tmp/a%25b\r\n"
      "file://otherhost/tmp/remote\r\n"
      "https://example.invalid/x.wav\r\n"
      "file:///tmp/nul%00name\r\n"
      "file:///tmp/bad%4\r\n"
      "file:///tmp/last";
  const std::vector<std::string> paths = x11::localPathsOf(list);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0], "/home/user/My Sound.wav");
  EXPECT_EQ(paths[1], "/tmp/a%b");
  EXPECT_EQ(paths[2], "/tmp/last");
  EXPECT_TRUE(x11::localPathsOf("").empty());
}

class X11Drop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(host.problem(), "");
    display = host.display();
    source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XSetSelectionOwner(display, atom("XdndSelection"), source, CurrentTime);
  }
  void TearDown() override {
    if (display && source) XDestroyWindow(display, source);
  }

  Atom atom(const char* name) { return XInternAtom(display, name, False); }

  void send(Window target, const char* type, long l1, long l2, long l3, long l4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = atom(type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(source);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XSync(display, False);
  }

  // Idles the editor until the source gets a message of `type`, answering
  // requests for the dragged data meanwhile; false on time-out.
  bool awaitReply(const char* type, XClientMessageEvent& reply, const std::string& data) {
    for (int i = 0; i < 200; ++i) {
      host.idle(10);
      XEvent event;
      while (XCheckTypedWindowEvent(display, source, SelectionRequest, &event)) answer(event.xselectionrequest, data);
      if (XCheckTypedWindowEvent(display, source, ClientMessage, &event) &&
          event.xclient.message_type == atom(type)) {
        reply = event.xclient;
        return true;
      }
    }
    return false;
  }

  void answer(const XSelectionRequestEvent& request, const std::string& data) {
    XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    XEvent notify{};
    notify.xselection.type = SelectionNotify;
    notify.xselection.requestor = request.requestor;
    notify.xselection.selection = request.selection;
    notify.xselection.target = request.target;
    notify.xselection.property = request.property;
    notify.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &notify);
    XSync(display, False);
  }

  // Drags `data` of `type` over the editor and drops it at (x, y).
  void dragAndDrop(Window editor, const char* type, const std::string& data, int x, int y) {
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, editor, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
    send(editor, "XdndEnter", 5L << 24, static_cast<long>(atom(type)), 0, 0);
    send(editor, "XdndPosition", 0, (static_cast<long>(rootX) << 16) | rootY, CurrentTime,
         static_cast<long>(atom("XdndActionCopy")));
    XClientMessageEvent status{};
    ASSERT_TRUE(awaitReply("XdndStatus", status, data));
    EXPECT_EQ(static_cast<Window>(status.data.l[0]), editor);
    EXPECT_EQ(status.data.l[1] & 1, 1);  // the type is one it takes
    send(editor, "XdndDrop", 0, CurrentTime, 0, 0);
    XClientMessageEvent finished{};
    ASSERT_TRUE(awaitReply("XdndFinished", finished, data));
    EXPECT_EQ(static_cast<Window>(finished.data.l[0]), editor);
    EXPECT_EQ(finished.data.l[1] & 1, 0);  // refused
    EXPECT_EQ(finished.data.l[2], static_cast<long>(None));
  }

  X11TestHost host;
  Display* display = nullptr;
  Window source = 0;
};

TEST_F(X11Drop, TextAndFileListsAreFetchedAndRefused) {
  ASSERT_EQ(host.openEditor(), 1);
  ASSERT_EQ(host.idleUntilShowsRender(3000), 0);
  const Window editor = host.editorWindow();

  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* version = nullptr;
  ASSERT_EQ(XGetWindowProperty(display, editor, atom("XdndAware"), 0, 1, False, XA_ATOM, &type, &format, &count,
                               &remaining, &version),
            Success);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(*reinterpret_cast<long*>(version), 5);
  XFree(version);

  dragAndDrop(editor, "text/uri-list", "file:///tmp/My%20Sound.wav\r\n", 60, 49);
  dragAndDrop(editor, "text/plain", "0.25", 100, 60);
  // The editor goes on as before.
  host.plugin().setParameter(3, 0.8f);
  EXPECT_EQ(host.idleUntilShowsRender(3000), 0);
  host.closeEditor();
}

}  // namespace
}  // namespace brisko::x11test
