#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/render/AudioData.h"

namespace brisko::render::test {

// One run of the built brisko-render as a subprocess.
struct ToolResult {
  int status = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

// Runs brisko-render with `args`; the plug-in is the built one unless args
// name another with --plugin.
ToolResult runTool(const std::vector<std::string>& args);

// A fresh, empty folder per test, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  std::vector<std::string> entries() const;  // file names, sorted

 private:
  std::filesystem::path folder_;
};

// Deterministic noise in -0.5 .. 0.5, a different stream per seed.
std::vector<float> noise(size_t frames, uint32_t seed);
void writeStereoFloat(const std::string& path, const std::vector<float>& left, const std::vector<float>& right,
                      int32_t rate = 44100);
AudioData readBack(const std::string& path);
std::string fileBytes(const std::string& path);

}  // namespace brisko::render::test
