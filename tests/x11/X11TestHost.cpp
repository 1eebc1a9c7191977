#include "tests/x11/X11TestHost.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "gui/cairo/EditorSnapshot.h"
#include "plugin/HostInterface.h"

namespace brisko::x11test {

namespace {
void sleepFor(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
}  // namespace

X11TestHost::X11TestHost() {
  display_ = XOpenDisplay(nullptr);
  if (!display_) {
    problem_ = "no X display";
    return;
  }
  newHostWindow();
  if (!library_.open(BRISKO_PLUGIN_PATH)) {
    problem_ = library_.error();
    return;
  }
  plugin_ = std::make_unique<host::PluginHost>(library_.entry());
  if (!plugin_->create()) problem_ = "the entry answered null";
}

X11TestHost::~X11TestHost() {
  plugin_.reset();
  if (display_) XCloseDisplay(display_);
}

void X11TestHost::newHostWindow() {
  hostWindow_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 400, 400, 0, 0, 0x808080);
  XMapWindow(display_, hostWindow_);
  XSync(display_, False);
  for (int i = 0; i < 100; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, hostWindow_, &attributes) && attributes.map_state == IsViewable) return;
    sleepFor(10);
  }
}

intptr_t X11TestHost::openEditor(Window parent) {
  const Window window = parent ? parent : hostWindow_;
  return plugin_->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(window)));
}

void X11TestHost::closeEditor() { plugin_->dispatch(effEditClose); }

void X11TestHost::idle(int milliseconds) {
  for (int elapsed = 0; elapsed < milliseconds; elapsed += 10) {
    plugin_->dispatch(effEditIdle);
    sleepFor(10);
  }
  plugin_->dispatch(effEditIdle);
}

std::vector<Window> X11TestHost::children(Window parent) {
  Window root = 0, parentOut = 0;
  Window* list = nullptr;
  unsigned int count = 0;
  std::vector<Window> result;
  XSync(display_, False);
  if (XQueryTree(display_, parent ? parent : hostWindow_, &root, &parentOut, &list, &count)) {
    result.assign(list, list + count);
  }
  if (list) XFree(list);
  return result;
}

Window X11TestHost::editorWindow() {
  const std::vector<Window> list = children();
  return list.size() == 1 ? list[0] : 0;
}

std::vector<uint32_t> X11TestHost::capture(Window window, int width, int height) {
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  if (!image) return pixels;
  pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
  }
  XDestroyImage(image);
  return pixels;
}

int X11TestHost::idleUntilShowsRender(int timeoutMilliseconds) {
  const EditorSize size = editorSize(*plugin_);
  float values[6];
  for (int i = 0; i < 6; ++i) values[i] = plugin_->getParameter(i);
  std::string error;
  CairoSurfacePtr expected = renderEditorImage(values, error);
  if (!expected) return -1;
  int mismatches = size.width * size.height;
  for (int elapsed = 0; elapsed <= timeoutMilliseconds && mismatches != 0; elapsed += 20) {
    idle(20);
    const Window window = editorWindow();
    if (!window) continue;
    const std::vector<uint32_t> shown = capture(window, size.width, size.height);
    if (shown.empty()) continue;
    mismatches = 0;
    for (int y = 0; y < size.height; ++y) {
      for (int x = 0; x < size.width; ++x) {
        if (shown[static_cast<size_t>(y * size.width + x)] != pixelAt(expected.get(), x, y)) ++mismatches;
      }
    }
  }
  return mismatches;
}

EditorSize editorSize(host::PluginHost& plugin) {
  ERect* rect = nullptr;
  plugin.dispatch(effEditGetRect, 0, 0, &rect);
  if (!rect) return {};
  return {rect->right - rect->left, rect->bottom - rect->top};
}

FakeInput::FakeInput() : display_(XOpenDisplay(nullptr)) {}

FakeInput::~FakeInput() {
  if (display_) XCloseDisplay(display_);
}

void FakeInput::settle() {
  XSync(display_, False);
  sleepFor(100);
}

void FakeInput::moveTo(Window window, int x, int y) {
  int screenX = 0, screenY = 0;
  Window child = 0;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), x, y, &screenX, &screenY, &child);
  XTestFakeMotionEvent(display_, DefaultScreen(display_), screenX, screenY, CurrentTime);
  settle();
}

void FakeInput::button(bool down) {
  XTestFakeButtonEvent(display_, Button1, down ? True : False, CurrentTime);
  settle();
}

void FakeInput::control(bool down) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, XK_Control_L), down ? True : False, CurrentTime);
  settle();
}

}  // namespace brisko::x11test
