// brisko-render: renders an audio file through the plug-in binary, loaded
// and driven as a host does, into a stereo 32-bit float WAV.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/render/DefaultPlugin.h"
#include "tools/render/DemoSignal.h"
#include "tools/render/EditorSnapshot.h"
#include "tools/render/HostedPlugin.h"
#include "tools/render/OutputFiles.h"
#include "tools/render/Progress.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/SpectrogramImage.h"
#include "tools/render/WavFile.h"

namespace brisko::render {
namespace {

constexpr int32_t kEffectRate = 44100;
constexpr int kFailure = 1;
constexpr int kUsageFailure = 2;

int fail(const std::string& message, int status = kFailure) {
  std::fprintf(stderr, "brisko-render: %s\n", message.c_str());
  return status;
}

bool readInput(const std::string& name, AudioData& input, std::string& error) {
  if (name == "demo") {
    input = makeDemoSignal(kEffectRate);
    return true;
  }
  if (!readAudioFile(name, input, error)) return false;
  if (input.channels.size() > 2) {
    error = name + " has " + std::to_string(input.channels.size()) + " channels; mono or stereo is rendered";
    return false;
  }
  if (input.channels.size() == 1) input.channels.push_back(input.channels[0]);  // mono feeds both inputs
  return true;
}

bool writeWav(OutputFiles& files, const std::string& temporary, const std::vector<std::vector<float>>& channels,
              int32_t rate, const std::string& destination, std::string& error) {
  std::FILE* file = files.open(temporary, error);
  if (file == nullptr) return false;
  const bool written = writeFloatWav(file, channels, rate);
  if (std::fclose(file) != 0 || !written) {
    error = "cannot write " + destination + " (disk full?)";
    return false;
  }
  return true;
}

void listParameters(HostedPlugin& plugin) {
  for (int32_t i = 0; i < plugin.parameterCount(); ++i) {
    const ParameterInfo info = plugin.parameter(i);
    std::printf("%d\t%s\t%s\t%s\n", i, info.name.c_str(), info.display.c_str(), info.label.c_str());
  }
  std::fflush(stdout);
}

std::string parameterCaption(HostedPlugin& plugin) {
  std::string caption;
  const std::vector<std::string> names = plugin.parameterNames();
  for (size_t i = 0; i < names.size(); ++i) {
    char value[32];
    std::snprintf(value, sizeof value, " %.3g", static_cast<double>(plugin.getParameter(static_cast<int32_t>(i))));
    caption += (i ? ", " : "") + names[i] + value;
  }
  return caption;
}

int run(const RenderOptions& options) {
  std::string error;
  if (!options.spectrogramPath.empty() && !spectrogramsAvailable())
    return fail("--spectrogram: spectrograms are not available in this build (it has no cairo)");

  AudioData input;
  if (!options.input.empty() && !readInput(options.input, input, error)) return fail(error);
  for (const std::string* path : {&options.output, &options.spectrogramPath, &options.editorPngPath,
                                  &options.saveInputPath})
    if (!path->empty() && options.input != "demo" && sameFile(*path, options.input))
      return fail("refusing to write " + *path + ": it is the input file " + options.input);

  const std::string pluginPath = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
  if (pluginPath.empty()) return fail("no plug-in found beside brisko-render; name one with --plugin PATH");
  HostedPlugin plugin;
  if (!plugin.load(pluginPath, error)) return fail(error);
  const int32_t rate = options.input.empty() ? kEffectRate : input.sampleRate;
  plugin.prepare(rate, options.blockLength);

  const std::vector<std::string> names = plugin.parameterNames();
  for (const ParameterSetting& setting : options.settings) {
    int32_t index = 0;
    if (!resolveParameter(setting.name, names, index, error)) return fail(error);
    plugin.setParameter(index, setting.value);
  }
  if (options.listParams) listParameters(plugin);

  OutputFiles files;
  if (!options.editorPngPath.empty()) {
    const std::string editorTemp = files.create(options.editorPngPath, error);
    if (editorTemp.empty()) return fail(error);
    float params[6] = {};
    for (int32_t i = 0; i < 6 && i < plugin.parameterCount(); ++i) params[i] = plugin.getParameter(i);
    if (!renderEditorSnapshot(params, editorTemp, error)) return fail("--editor-png: " + error);
  }
  if (options.input.empty()) return files.commit(error) ? 0 : fail(error);

  if (rate != kEffectRate && !options.quiet)
    std::fprintf(stderr, "brisko-render: warning: %s is at %d Hz; the effect's modulation speed is set for %d Hz\n",
                 options.input.c_str(), rate, kEffectRate);

  RenderSettings settings;
  settings.blockLength = options.blockLength;
  settings.adding = options.adding;
  settings.tailFrames = std::llround(options.tailSeconds * rate);
  settings.prerollBlocks = std::llround(options.prerollSeconds * rate / options.blockLength);
  if (input.frames() + static_cast<uint64_t>(settings.tailFrames) > kMaxStereoFloatFrames)
    return fail("the output would be too long for a WAV file (4 GiB)");

  const std::string outputTemp = files.create(options.output, error);
  if (outputTemp.empty()) return fail(error);
  std::string spectrogramTemp, inputCopyTemp;
  if (!options.spectrogramPath.empty() && (spectrogramTemp = files.create(options.spectrogramPath, error)).empty())
    return fail(error);
  if (!options.saveInputPath.empty() && (inputCopyTemp = files.create(options.saveInputPath, error)).empty())
    return fail(error);

  AudioData output;
  {
    Progress progress(!options.quiet);
    plugin.render(input, settings, output, [&](double fraction) { progress.update(fraction); });
  }
  if (!writeWav(files, outputTemp, output.channels, rate, options.output, error)) return fail(error);
  if (!inputCopyTemp.empty() && !writeWav(files, inputCopyTemp, input.channels, rate, options.saveInputPath, error))
    return fail(error);
  if (!spectrogramTemp.empty() &&
      !writeSpectrogramPng(input, output, parameterCaption(plugin), spectrogramTemp, error))
    return fail(error);
  if (!files.commit(error)) return fail(error);

  if (!options.quiet)
    std::fprintf(stderr, "brisko-render: %s -> %s: %zu frames at %d Hz (%zu input + %lld tail)\n",
                 options.input.c_str(), options.output.c_str(), output.frames(), rate, input.frames(),
                 static_cast<long long>(settings.tailFrames));
  return 0;
}

}  // namespace
}  // namespace brisko::render

int main(int argc, char** argv) {
  using namespace brisko::render;
  RenderOptions options;
  std::string error;
  switch (parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case ParseResult::Help:
      std::fputs(usageText(), stdout);
      return 0;
    case ParseResult::Error:
      return fail(error, kUsageFailure);
    case ParseResult::Run:
      break;
  }
  return run(options);
}
