// The library's exported entry. Hosts look it up as "main" (older hosts) or
// "VSTPluginMain". The function has another C++ name and gets the symbol name
// "main" from an assembler label, so the compiler does not take it for the
// program's main function; 32-bit Windows decorates C symbols with a leading
// underscore, and the DLL then exports the undecorated name.
#include "effect/SpectrumDelayWithEditor.h"
#include "plugin/EffectFactory.h"

#if defined(_WIN32)
#include <windows.h>
#define BRISKO_EXPORT __declspec(dllexport)
#else
#define BRISKO_EXPORT __attribute__((visibility("default")))
#endif

#if defined(_WIN32) && !defined(_WIN64)
// GCC would export an assembler label as written ("_main"), which the linker
// cannot resolve; the export of "main" is requested from the linker directly.
#define BRISKO_MAIN_SYMBOL "_main"
#define BRISKO_MAIN_EXPORT
__asm__(".section .drectve\n\t.ascii \" -export:main\"\n\t.text");
#else
#define BRISKO_MAIN_SYMBOL "main"
#define BRISKO_MAIN_EXPORT BRISKO_EXPORT
#endif

// The 32-bit Windows DLL exports "main" alone, as the hosts of that platform
// expect; every other target also offers the newer name.
#if defined(_WIN32) && !defined(_WIN64)
#define BRISKO_VST_MAIN_EXPORT
#else
#define BRISKO_VST_MAIN_EXPORT BRISKO_EXPORT
#endif

namespace {

// Both entry names make the effect here. Neither calls the other: a host
// program has a "main" of its own, which an ELF call through the exported
// name could reach instead of ours.
brisko::AEffect* createPlugin(brisko::HostCallback hostCallback) {
  return brisko::createEffectRecord(hostCallback, &brisko::SpectrumDelayWithEditor::create);
}

}  // namespace

extern "C" {

BRISKO_MAIN_EXPORT brisko::AEffect* BRISKO_VSTCALL briskoPluginMain(brisko::HostCallback hostCallback)
    __asm__(BRISKO_MAIN_SYMBOL);
BRISKO_VST_MAIN_EXPORT brisko::AEffect* BRISKO_VSTCALL VSTPluginMain(brisko::HostCallback hostCallback);

brisko::AEffect* BRISKO_VSTCALL briskoPluginMain(brisko::HostCallback hostCallback) { return createPlugin(hostCallback); }

brisko::AEffect* BRISKO_VSTCALL VSTPluginMain(brisko::HostCallback hostCallback) { return createPlugin(hostCallback); }

#if defined(_WIN32)
// Keeps the module handle for the editor's window class and bitmaps.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  brisko::moduleHandle = instance;
  return TRUE;
}
#endif

}  // extern "C"
