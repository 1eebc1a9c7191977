#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisko::render {

// Audio in memory: one vector of 32-bit float samples per channel, all of
// the same length.
struct AudioData {
  int32_t sampleRate = 0;
  std::vector<std::vector<float>> channels;

  size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// Reads an audio file into `audio`. The native build reads everything
// libsndfile reads; a build without it reads WAV only (see WavFile.h). False
// with a one-line `error` when the file is missing, unreadable or of a format
// that is not supported. Any number of channels is returned; the caller
// decides what it accepts.
bool readAudioFile(const std::string& path, AudioData& audio, std::string& error);

// Which reader readAudioFile uses, for messages and help texts.
const char* audioReaderName();

}  // namespace brisko::render
