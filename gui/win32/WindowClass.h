#pragma once

// The window class of the editor's child windows, shared by every editor of
// the module: registered with the first window, unregistered after the last.

#include <windows.h>

#include <string>

namespace brisko::win32 {

// The module the plug-in's resources and window class belong to.
HINSTANCE pluginModule();

// "Plugin%08x" of the module handle.
std::string windowClassName();

// Registers the class on the first use; false (and no use counted) when
// registration failed.
bool acquireWindowClass(WNDPROC procedure);
// Unregisters the class when the last use goes.
void releaseWindowClass();
int windowClassUses();

// Whether the system swaps the mouse buttons, read when the class was
// registered.
bool buttonsSwapped();

}  // namespace brisko::win32
