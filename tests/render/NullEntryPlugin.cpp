// A plug-in binary whose entry refuses to make an effect. The function gets
// the symbol name "main" from an assembler label, so the compiler does not
// take it for a program's main function.
#include "plugin/HostInterface.h"

extern "C" {
__attribute__((visibility("default"))) brisko::AEffect* refusingEntry(brisko::HostCallback) __asm__("main");
brisko::AEffect* refusingEntry(brisko::HostCallback) { return nullptr; }
}
