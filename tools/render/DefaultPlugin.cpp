#include "tools/render/DefaultPlugin.h"

#include <fstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace brisko::render {
namespace {

#if defined(_WIN32)
constexpr const char* kPluginFile = "Brisko.dll";
std::string programPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}
#else
constexpr const char* kPluginFile = "Brisko.so";
std::string programPath() {
  char path[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}
#endif

bool exists(const std::string& path) { return std::ifstream(path).good(); }

}  // namespace

std::string defaultPluginPath() {
  const std::string program = programPath();
  const size_t slash = program.find_last_of("/\\");
  if (slash == std::string::npos) return "";
  const std::string folder = program.substr(0, slash + 1);
  for (const std::string& candidate : {folder + kPluginFile, folder + "../../plugin/" + kPluginFile})
    if (exists(candidate)) return candidate;
  return "";
}

}  // namespace brisko::render
