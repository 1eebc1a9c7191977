#pragma once

// The built plug-in, loaded through its entry by the project's host library,
// with its editor opened in a top-level host window.

#include <windows.h>

#include <memory>

#include "host/PluginHost.h"
#include "tests/win32/WindowTestSupport.h"

namespace brisko::wintest {

// Frame coordinates of the editor's rows.
constexpr int kSliderLeft = 20;
constexpr int kHandleWidth = 9;
constexpr int kHandleRange = 149;
inline int sliderTop(int row) { return 40 + 37 * row; }
inline int displayTop(int row) { return 59 + 37 * row; }
// The handle's left edge in frame coordinates for a parameter value.
inline int handleLeft(float value) {
  int start = static_cast<int>(static_cast<float>(kHandleRange) * value) + 1;
  if (start < 1) start = 1;
  return kSliderLeft + start;
}

class EditorInHost {
 public:
  EditorInHost(host::PluginLibrary& library, int x = 40, int y = 40);
  ~EditorInHost();

  // effEditGetRect then effEditOpen with the host window; pumps until painted.
  bool open();
  void close();
  // Pumps messages and sends effEditIdle for about `milliseconds`.
  void idle(DWORD milliseconds = 60);

  HWND child() const { return firstChild(window->handle()); }
  host::PluginHost& plugin() { return *host; }
  HostFrameWindow& hostWindow() { return *window; }

 private:
  std::unique_ptr<HostFrameWindow> window;
  std::unique_ptr<host::PluginHost> host;
  bool isOpen = false;
};

// The plug-in module loaded by the test's library.
HMODULE pluginModule();
// The class name the plug-in's windows use.
std::string pluginWindowClass();
bool pluginClassRegistered();

}  // namespace brisko::wintest
