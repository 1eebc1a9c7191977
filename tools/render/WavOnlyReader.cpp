// readAudioFile for builds without libsndfile: WAV through our own reader.
#include "tools/render/WavFile.h"

namespace brisko::render {

const char* audioReaderName() { return "WAV only"; }

bool readAudioFile(const std::string& path, AudioData& audio, std::string& error) {
  return readWavFile(path, audio, error);
}

}  // namespace brisko::render
