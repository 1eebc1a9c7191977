#include "tools/render/HostedPlugin.h"

#include <algorithm>
#include <cstring>

namespace brisko::render {
namespace {

// Hosts hand the effect text buffers of this size; the tail guards against
// an effect that writes more than the 8 or 64 characters the interface allows.
constexpr size_t kTextBuffer = 256;

std::string textFrom(host::PluginHost& host, int32_t opcode, int32_t index) {
  char text[kTextBuffer] = {};
  host.dispatch(opcode, index, 0, text);
  text[kTextBuffer - 1] = '\0';
  return text;
}

}  // namespace

bool HostedPlugin::load(const std::string& path, std::string& error) {
  library_ = std::make_unique<host::PluginLibrary>();
  if (!library_->open(path, "main")) {
    error = library_->error();
    return false;
  }
  host_ = std::make_unique<host::PluginHost>(library_->entry());
  if (!host_->create()) {
    error = "the plug-in's main answered null: " + path + " made no effect";
    return false;
  }
  const AEffect* effect = host_->effect();
  if (effect->magic != kEffectMagic) {
    error = path + ": main answered a record that is not an effect";
    return false;
  }
  if (effect->numInputs != 2 || effect->numOutputs != 2 || effect->processReplacing == nullptr ||
      effect->process == nullptr) {
    error = path + ": not a stereo effect with both processing calls (" + std::to_string(effect->numInputs) +
            " inputs, " + std::to_string(effect->numOutputs) + " outputs)";
    return false;
  }
  host_->dispatch(effOpen);
  return true;
}

int32_t HostedPlugin::parameterCount() const { return std::max(host_->effect()->numParams, 0); }

std::vector<std::string> HostedPlugin::parameterNames() {
  std::vector<std::string> names;
  for (int32_t i = 0; i < parameterCount(); ++i) names.push_back(textFrom(*host_, effGetParamName, i));
  return names;
}

ParameterInfo HostedPlugin::parameter(int32_t index) {
  return ParameterInfo{textFrom(*host_, effGetParamName, index), textFrom(*host_, effGetParamDisplay, index),
                       textFrom(*host_, effGetParamLabel, index)};
}

void HostedPlugin::prepare(int32_t sampleRate, int32_t blockLength) {
  host_->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  host_->dispatch(effSetBlockSize, 0, blockLength);
}

void HostedPlugin::render(const AudioData& input, const RenderSettings& settings, AudioData& output,
                          const std::function<void(double)>& progress) {
  const size_t block = static_cast<size_t>(settings.blockLength);
  const size_t inputFrames = input.frames();
  const size_t totalFrames = inputFrames + static_cast<size_t>(settings.tailFrames);
  const size_t blocks = (totalFrames + block - 1) / block;

  host_->dispatch(effMainsChanged, 0, 1);

  std::vector<float> in[2] = {std::vector<float>(block), std::vector<float>(block)};
  std::vector<float> out[2] = {std::vector<float>(block), std::vector<float>(block)};
  float* inputs[2] = {in[0].data(), in[1].data()};
  float* outputs[2] = {out[0].data(), out[1].data()};
  const auto processBlock = [&] {
    if (settings.adding) {
      std::fill(out[0].begin(), out[0].end(), 0.0f);
      std::fill(out[1].begin(), out[1].end(), 0.0f);
      host_->processAdding(inputs, outputs, settings.blockLength);
    } else {
      host_->processReplacing(inputs, outputs, settings.blockLength);
    }
  };

  output.sampleRate = input.sampleRate;
  output.channels.assign(2, std::vector<float>(totalFrames));
  const int64_t steps = settings.prerollBlocks + static_cast<int64_t>(blocks);
  int64_t step = 0;
  for (int64_t b = 0; b < settings.prerollBlocks; ++b, ++step) {
    processBlock();
    if (progress && step % 64 == 0) progress(static_cast<double>(step) / static_cast<double>(steps));
  }
  for (size_t start = 0; start < totalFrames; start += block, ++step) {
    for (size_t c = 0; c < 2; ++c) {
      const size_t available = start < inputFrames ? std::min(block, inputFrames - start) : 0;
      std::copy_n(input.channels[c].begin() + static_cast<std::ptrdiff_t>(start), available, in[c].begin());
      std::fill(in[c].begin() + static_cast<std::ptrdiff_t>(available), in[c].end(), 0.0f);
    }
    processBlock();
    const size_t keep = std::min(block, totalFrames - start);
    for (size_t c = 0; c < 2; ++c)
      std::copy_n(out[c].begin(), keep, output.channels[c].begin() + static_cast<std::ptrdiff_t>(start));
    if (progress && step % 64 == 0) progress(static_cast<double>(step) / static_cast<double>(steps));
  }
  host_->dispatch(effMainsChanged, 0, 0);
  if (progress) progress(1.0);
}

}  // namespace brisko::render
