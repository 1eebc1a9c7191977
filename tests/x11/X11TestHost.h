#pragma once

// A host with a top-level X11 window on the display the test runs under,
// the plug-in loaded through its entry, and helpers to look at the editor's
// child window and to drive the pointer through the XTest extension.

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/PluginHost.h"

namespace brisko::x11test {

class X11TestHost {
 public:
  X11TestHost();
  ~X11TestHost();

  // Empty when all is set up; otherwise what failed.
  const std::string& problem() const { return problem_; }
  Display* display() const { return display_; }
  Window hostWindow() const { return hostWindow_; }
  host::PluginHost& plugin() { return *plugin_; }

  // effEditOpen with `parent` (the host window by default); its answer.
  intptr_t openEditor(Window parent = 0);
  void closeEditor();
  // Idles the editor every 10 ms for about `milliseconds`.
  void idle(int milliseconds);

  // The host window's children.
  std::vector<Window> children(Window parent = 0);
  // The editor's window; 0 unless there is exactly one child.
  Window editorWindow();
  // The window's pixels as 0xRRGGBB, row by row; empty on failure.
  std::vector<uint32_t> capture(Window window, int width, int height);
  // Idles until the editor's window shows the headless render of the
  // current parameter values; the mismatching pixels of the last look.
  int idleUntilShowsRender(int timeoutMilliseconds);
  // Replaces the host window by a new, mapped one.
  void newHostWindow();

 private:
  std::string problem_;
  Display* display_ = nullptr;
  Window hostWindow_ = 0;
  host::PluginLibrary library_;
  std::unique_ptr<host::PluginHost> plugin_;
};

// Pointer and keyboard input from a connection of its own, for a helper
// thread while the host's thread idles the editor.
class FakeInput {
 public:
  FakeInput();
  ~FakeInput();
  bool ok() const { return display_ != nullptr; }
  // Moves the pointer to (x, y) of `window` and lets the server settle.
  void moveTo(Window window, int x, int y);
  void button(bool down);
  void control(bool down);

 private:
  void settle();
  Display* display_ = nullptr;
};

// The editor's size through effEditGetRect.
struct EditorSize {
  int width = 0;
  int height = 0;
};
EditorSize editorSize(host::PluginHost& plugin);

}  // namespace brisko::x11test
