#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/render/AudioData.h"

namespace brisko::render {

// A small RIFF/WAVE reader and writer of our own: the output format is the
// same bytes on every target, and builds without libsndfile still read WAV.
//
// Reads PCM 16, 24 and 32-bit and IEEE float 32 and 64-bit, plain or
// WAVE_FORMAT_EXTENSIBLE; integers are scaled by 1/2^(bits-1) as libsndfile
// does, doubles rounded to float.
bool decodeWav(const std::vector<uint8_t>& bytes, AudioData& audio, std::string& error);
bool readWavFile(const std::string& path, AudioData& audio, std::string& error);

// The largest frame count a stereo 32-bit float WAV can hold (the RIFF sizes
// are 32-bit).
constexpr uint64_t kMaxStereoFloatFrames = (0xFFFFFFFFull - 64) / 8;

// Writes channels (one or more, of equal length, at most
// kMaxStereoFloatFrames) as a 32-bit float WAV: a "fmt " chunk of
// WAVE_FORMAT_IEEE_FLOAT, a "fact" chunk and "data". False on a write error.
bool writeFloatWav(std::FILE* file, const std::vector<std::vector<float>>& channels, int32_t sampleRate);

}  // namespace brisko::render
