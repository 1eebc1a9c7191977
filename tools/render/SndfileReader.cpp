// readAudioFile through libsndfile: WAV, AIFF, FLAC and the other formats it
// knows, any sample format, converted to float as libsndfile normalises them.
#include <sndfile.h>

#include "tools/render/AudioData.h"

namespace brisko::render {

const char* audioReaderName() { return "libsndfile"; }

bool readAudioFile(const std::string& path, AudioData& audio, std::string& error) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
    sf_close(file);
    error = path + ": unsupported audio format";
    return false;
  }
  const size_t channels = static_cast<size_t>(info.channels);
  const size_t frames = static_cast<size_t>(info.frames);
  std::vector<float> interleaved(frames * channels);
  const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
  const int status = sf_error(file);
  const std::string message = sf_strerror(file);
  sf_close(file);
  if (got != info.frames || status != SF_ERR_NO_ERROR) {
    error = path + ": read error after " + std::to_string(got) + " of " + std::to_string(info.frames) +
            " frames" + (status != SF_ERR_NO_ERROR ? " (" + message + ")" : "");
    return false;
  }
  audio.sampleRate = info.samplerate;
  audio.channels.assign(channels, std::vector<float>(frames));
  for (size_t i = 0; i < frames; ++i)
    for (size_t c = 0; c < channels; ++c) audio.channels[c][i] = interleaved[i * channels + c];
  return true;
}

}  // namespace brisko::render
