#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/PluginHost.h"
#include "host/PluginLibrary.h"
#include "tools/render/AudioData.h"

namespace brisko::render {

struct ParameterInfo {
  std::string name;
  std::string display;
  std::string label;
};

struct RenderSettings {
  int32_t blockLength = 512;
  bool adding = false;       // process() onto zeroed outputs instead of processReplacing()
  int64_t prerollBlocks = 0; // blocks of silence whose output is dropped
  int64_t tailFrames = 0;    // silence rendered after the input
};

// One effect instance, loaded from a plug-in binary through its exported
// `main` and driven as a host drives it.
class HostedPlugin {
 public:
  // Loads the binary, calls its entry and checks the record: false with a
  // one-line error when the binary does not load, has no `main`, the entry
  // answers null, or the effect is not a stereo effect that can replace.
  bool load(const std::string& path, std::string& error);

  int32_t parameterCount() const;
  std::vector<std::string> parameterNames();
  ParameterInfo parameter(int32_t index);
  void setParameter(int32_t index, float value) { host_->setParameter(index, value); }
  float getParameter(int32_t index) { return host_->getParameter(index); }

  // Tells the effect the sample rate and the block length it will get.
  void prepare(int32_t sampleRate, int32_t blockLength);

  // Renders stereo `input` (plus the tail) in constant blocks: the host
  // calls of an offline export, from switching the effect on to switching
  // it off (prepare() comes first, with the same rate and block length). The last block is padded with silence so
  // that the block length never changes; the padding's output is dropped.
  // `progress` gets the fraction done now and then.
  void render(const AudioData& input, const RenderSettings& settings, AudioData& output,
              const std::function<void(double)>& progress);

 private:
  std::unique_ptr<host::PluginLibrary> library_;
  std::unique_ptr<host::PluginHost> host_;
};

}  // namespace brisko::render
