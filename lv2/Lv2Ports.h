#pragma once

#include <cstdint>

#include "effect/SpectrumDelay.h"

// What the plug-in's description (brisko.ttl) and its binaries share: the
// URIs and the port indices. The six control ports come first, at the
// indices of the effect's parameters.
namespace brisko::lv2 {

#define BRISKO_LV2_URI "urn:brisko:dynamic-spectrum-delay"
constexpr const char* kPluginUri = BRISKO_LV2_URI;
constexpr const char* kUiUri = BRISKO_LV2_URI "#ui";

enum : uint32_t {
  kControlPortCount = kNumParams,
  kPortInputLeft = kControlPortCount,
  kPortInputRight,
  kPortOutputLeft,
  kPortOutputRight,
  kPortCount
};

constexpr double kLowestRate = 1000.0;
constexpr double kHighestRate = 1536000.0;

}  // namespace brisko::lv2
