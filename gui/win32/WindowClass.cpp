#include "gui/win32/WindowClass.h"

#include <cstdint>
#include <cstdio>

#include "plugin/EffectBase.h"

namespace brisko::win32 {

namespace {

// Touched only from the thread that owns the editor windows.
int classUses = 0;
bool swappedButtons = false;

}  // namespace

HINSTANCE pluginModule() {
  if (moduleHandle) return static_cast<HINSTANCE>(moduleHandle);
  // Linked into a program rather than the plug-in DLL: the module holding
  // this code carries the resources.
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&pluginModule), &self);
  return self;
}

std::string windowClassName() {
  char name[32];
  std::snprintf(name, sizeof name, "Plugin%08x",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(pluginModule()) & 0xffffffffu));
  return name;
}

bool acquireWindowClass(WNDPROC procedure) {
  if (classUses == 0) {
    const std::string name = windowClassName();
    WNDCLASSA windowClass{};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = pluginModule();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = name.c_str();
    if (!RegisterClassA(&windowClass)) return false;
    swappedButtons = GetSystemMetrics(SM_SWAPBUTTON) > 0;
  }
  ++classUses;
  return true;
}

void releaseWindowClass() {
  if (classUses <= 0) return;
  if (--classUses == 0) UnregisterClassA(windowClassName().c_str(), pluginModule());
}

int windowClassUses() { return classUses; }

bool buttonsSwapped() { return swappedButtons; }

}  // namespace brisko::win32
