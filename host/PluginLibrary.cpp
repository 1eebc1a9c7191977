#include "host/PluginLibrary.h"

#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace brisko::host {
namespace {

#if defined(_WIN32)
void* openLibrary(const std::string& path) { return reinterpret_cast<void*>(LoadLibraryA(path.c_str())); }
void* findSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
std::string lastError() { return "Windows error " + std::to_string(GetLastError()); }
#else
void* openLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
std::string lastError() {
  const char* message = dlerror();
  return message ? message : "unknown error";
}
#endif

}  // namespace

PluginLibrary::~PluginLibrary() { close(); }

bool PluginLibrary::open(const std::string& path, const std::string& symbol) {
  close();
  handle_ = openLibrary(path);
  if (handle_ == nullptr) {
    error_ = "cannot load " + path + ": " + lastError();
    return false;
  }
  const std::vector<std::string> names =
      symbol.empty() ? std::vector<std::string>{"VSTPluginMain", "main"} : std::vector<std::string>{symbol};
  for (const std::string& name : names) {
    if (void* address = findSymbol(handle_, name.c_str())) {
      entry_ = reinterpret_cast<PluginEntry>(address);
      entryName_ = name;
      return true;
    }
  }
  error_ = path + (symbol.empty() ? " exports neither VSTPluginMain nor main" : " does not export " + symbol);
  close();
  return false;
}

void* PluginLibrary::symbol(const std::string& name) const {
  return handle_ ? findSymbol(handle_, name.c_str()) : nullptr;
}

void PluginLibrary::close() {
  if (handle_ != nullptr) closeLibrary(handle_);
  handle_ = nullptr;
  entry_ = nullptr;
  entryName_.clear();
}

}  // namespace brisko::host
