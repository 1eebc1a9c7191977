#include "tests/render/ToolRun.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "tools/render/WavFile.h"

namespace brisko::render::test {
namespace {

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

}  // namespace

std::string fileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

ToolResult runTool(const std::vector<std::string>& args) {
  const ScratchFolder capture;
  std::string command = quoted(BRISKO_RENDER_PATH);
  if (std::find(args.begin(), args.end(), "--plugin") == args.end())
    command += " --plugin " + quoted(BRISKO_PLUGIN_PATH);
  for (const std::string& arg : args) command += " " + quoted(arg);
  command += " >" + quoted(capture.path("out")) + " 2>" + quoted(capture.path("err")) + " </dev/null";
  const int raw = std::system(command.c_str());
  ToolResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  result.out = fileBytes(capture.path("out"));
  result.err = fileBytes(capture.path("err"));
  return result;
}

ScratchFolder::ScratchFolder() {
  static std::mt19937 random(std::random_device{}());
  folder_ = std::filesystem::temp_directory_path() / ("brisko-render-test-" + std::to_string(random()));
  std::filesystem::create_directories(folder_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<float> noise(size_t frames, uint32_t seed) {
  std::vector<float> samples(frames);
  for (float& x : samples) {
    seed = seed * 1664525u + 1013904223u;
    x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
  }
  return samples;
}

void writeStereoFloat(const std::string& path, const std::vector<float>& left, const std::vector<float>& right,
                      int32_t rate) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  EXPECT_TRUE(writeFloatWav(file, {left, right}, rate));
  std::fclose(file);
}

AudioData readBack(const std::string& path) {
  AudioData audio;
  std::string error;
  EXPECT_TRUE(readWavFile(path, audio, error)) << error;
  return audio;
}

}  // namespace brisko::render::test
