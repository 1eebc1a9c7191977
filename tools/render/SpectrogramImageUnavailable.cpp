// Builds without cairo (the Windows cross builds) draw no spectrograms.
#include "tools/render/SpectrogramImage.h"

namespace brisko::render {

bool spectrogramsAvailable() { return false; }

bool writeSpectrogramPng(const AudioData&, const AudioData&, const std::string&, const std::string&,
                         std::string& error) {
  error = "spectrograms are not available in this build (it has no cairo)";
  return false;
}

}  // namespace brisko::render
