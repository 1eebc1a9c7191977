#pragma once

#include <string>

namespace brisko::render {

// The plug-in built beside this program: Brisko.so (Brisko.dll on Windows)
// in the program's own folder, else in the build tree's plugin/ folder
// (the program lives in tools/render/ there). Empty when neither exists.
std::string defaultPluginPath();

}  // namespace brisko::render
