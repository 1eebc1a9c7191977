#include "tests/win32/EditorInHost.h"

#include <cstdio>

namespace brisko::wintest {

EditorInHost::EditorInHost(host::PluginLibrary& library, int x, int y)
    : window(std::make_unique<HostFrameWindow>(x, y)), host(std::make_unique<host::PluginHost>(library.entry())) {
  host->create();
}

EditorInHost::~EditorInHost() {
  host.reset();  // effClose, with the editor still open when the test left it so
  window.reset();
}

bool EditorInHost::open() {
  ERect* area = nullptr;
  if (host->dispatch(effEditGetRect, 0, 0, &area) != 1 || !area) return false;
  if (area->right - area->left != 200 || area->bottom - area->top != 300) return false;
  host->dispatch(effEditOpen, 0, 0, window->handle());
  isOpen = true;
  idle();
  return child() != nullptr;
}

void EditorInHost::close() {
  if (isOpen) host->dispatch(effEditClose);
  isOpen = false;
}

void EditorInHost::idle(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    pumpMessages(5);
    host->dispatch(effEditIdle);
  } while (GetTickCount() - start < milliseconds);
}

HMODULE pluginModule() { return GetModuleHandleA("Brisko.dll"); }

std::string pluginWindowClass() {
  char name[32];
  std::snprintf(name, sizeof name, "Plugin%08x",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(pluginModule()) & 0xffffffffu));
  return name;
}

bool pluginClassRegistered() {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(pluginModule(), pluginWindowClass().c_str(), &info) != 0;
}

}  // namespace brisko::wintest
