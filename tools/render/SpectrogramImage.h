#pragma once

#include <string>

#include "tools/render/AudioData.h"

namespace brisko::render {

// Whether this build can draw spectrograms (it needs cairo).
bool spectrogramsAvailable();

// Draws the spectrograms of `input` (above) and `output` (below) on one time
// axis into a PNG at `path`; `caption` describes the parameters.
bool writeSpectrogramPng(const AudioData& input, const AudioData& output, const std::string& caption,
                         const std::string& path, std::string& error);

}  // namespace brisko::render
