#pragma once

#include <string>

#include "plugin/HostInterface.h"

namespace brisko::host {

// The plug-in entry a host calls: the exported "main" or "VSTPluginMain".
using PluginEntry = AEffect*(BRISKO_VSTCALL*)(HostCallback hostCallback);

// A loaded plug-in binary (dlopen on Linux, LoadLibrary on Windows). Closed
// when destroyed.
class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the binary at path and looks up `symbol`, or by default
  // "VSTPluginMain" and then "main"; false with error() set when it cannot be
  // loaded or lacks the entry.
  bool open(const std::string& path, const std::string& symbol = "");
  void close();

  PluginEntry entry() const { return entry_; }
  // Another exported symbol of the open binary, or null.
  void* symbol(const std::string& name) const;
  const std::string& error() const { return error_; }
  // The symbol the entry was found under.
  const std::string& entryName() const { return entryName_; }

 private:
  void* handle_ = nullptr;
  PluginEntry entry_ = nullptr;
  std::string error_;
  std::string entryName_;
};

}  // namespace brisko::host
