#pragma once

#include <cstdint>
#include <vector>

namespace brisko::host {

// Two input and two output channels of one block, with the pointer arrays a
// host hands to the processing entries.
struct StereoBuffers {
  explicit StereoBuffers(int frames)
      : in{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))},
        out{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))} {}

  float** inputs() {
    inPointers[0] = in[0].data();
    inPointers[1] = in[1].data();
    return inPointers;
  }
  float** outputs() {
    outPointers[0] = out[0].data();
    outPointers[1] = out[1].data();
    return outPointers;
  }

  // Deterministic noise in -0.5 .. 0.5, different on each channel.
  void fillNoise(uint32_t seed) {
    for (auto& channel : in)
      for (float& x : channel) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
      }
  }
  void zeroOutputs() {
    for (auto& channel : out) channel.assign(channel.size(), 0.0f);
  }

  std::vector<float> in[2];
  std::vector<float> out[2];
  float* inPointers[2] = {};
  float* outPointers[2] = {};
};

}  // namespace brisko::host
