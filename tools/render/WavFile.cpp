#include "tools/render/WavFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace brisko::render {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// Bytes 2..15 of the KSDATAFORMAT_SUBTYPE GUIDs; the first two bytes are the format tag.
constexpr uint8_t kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint32_t readLe(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

float pcmSample(const uint8_t* p, int bytes) {
  // Place the sample in the top bits of a 32-bit integer, then scale by 2^-31.
  const uint32_t raw = readLe(p, bytes) << (32 - 8 * bytes);
  return static_cast<float>(static_cast<double>(static_cast<int32_t>(raw)) * (1.0 / 2147483648.0));
}

float floatSample(const uint8_t* p, int bytes) {
  if (bytes == 4) {
    const uint32_t raw = readLe(p, 4);
    float value;
    std::memcpy(&value, &raw, 4);
    return value;
  }
  const uint64_t raw = static_cast<uint64_t>(readLe(p, 4)) | (static_cast<uint64_t>(readLe(p + 4, 4)) << 32);
  double value;
  std::memcpy(&value, &raw, 8);
  return static_cast<float>(value);
}

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

bool decodeWav(const std::vector<uint8_t>& bytes, AudioData& audio, std::string& error) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    error = "not a WAV file";
    return false;
  }
  const uint8_t* fmt = nullptr;
  size_t fmtSize = 0;
  const uint8_t* data = nullptr;
  size_t dataSize = 0;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const size_t size = readLe(&bytes[pos + 4], 4);
    const size_t available = bytes.size() - pos - 8;
    const uint8_t* body = &bytes[pos + 8];
    if (std::memcmp(&bytes[pos], "fmt ", 4) == 0) {
      fmt = body;
      fmtSize = size < available ? size : available;
    } else if (std::memcmp(&bytes[pos], "data", 4) == 0) {
      // A data size beyond the end (a file cut short or still being written) means "to the end".
      data = body;
      dataSize = size < available ? size : available;
      break;
    }
    if (size > available) break;
    pos += 8 + size + (size & 1);
  }
  if (fmt == nullptr || fmtSize < 16) {
    error = "WAV file without a format chunk";
    return false;
  }
  if (data == nullptr) {
    error = "WAV file without a data chunk";
    return false;
  }
  uint16_t tag = static_cast<uint16_t>(readLe(fmt, 2));
  const int channels = static_cast<int>(readLe(fmt + 2, 2));
  const uint32_t rate = readLe(fmt + 4, 4);
  const int blockAlign = static_cast<int>(readLe(fmt + 12, 2));
  const int bits = static_cast<int>(readLe(fmt + 14, 2));
  if (tag == kFormatExtensible) {
    if (fmtSize < 40 || std::memcmp(fmt + 26, kSubtypeTail, sizeof kSubtypeTail) != 0) {
      error = "WAV file with an unknown extensible sub-format";
      return false;
    }
    tag = static_cast<uint16_t>(readLe(fmt + 24, 2));
  }
  const int sampleBytes = (bits + 7) / 8;
  const bool pcm = tag == kFormatPcm && (bits == 16 || bits == 24 || bits == 32);
  const bool ieee = tag == kFormatFloat && (bits == 32 || bits == 64);
  if (!pcm && !ieee) {
    error = "unsupported WAV sample format (tag " + std::to_string(tag) + ", " + std::to_string(bits) +
            " bits); PCM 16/24/32-bit and float 32/64-bit are read";
    return false;
  }
  if (channels < 1 || blockAlign != channels * sampleBytes) {
    error = "WAV file with an inconsistent format chunk";
    return false;
  }
  if (rate < 1 || rate > 0x7FFFFFFF) {
    error = "WAV file with an invalid sample rate";
    return false;
  }
  const size_t frames = dataSize / static_cast<size_t>(blockAlign);
  audio.sampleRate = static_cast<int32_t>(rate);
  audio.channels.assign(static_cast<size_t>(channels), std::vector<float>(frames));
  for (size_t i = 0; i < frames; ++i) {
    const uint8_t* frame = data + i * static_cast<size_t>(blockAlign);
    for (int c = 0; c < channels; ++c) {
      const uint8_t* sample = frame + c * sampleBytes;
      audio.channels[static_cast<size_t>(c)][i] = pcm ? pcmSample(sample, sampleBytes) : floatSample(sample, sampleBytes);
    }
  }
  return true;
}

bool readWavFile(const std::string& path, AudioData& audio, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    error = "cannot read " + path;
    return false;
  }
  if (!decodeWav(bytes, audio, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool writeFloatWav(std::FILE* file, const std::vector<std::vector<float>>& channels, int32_t sampleRate) {
  const uint32_t channelCount = static_cast<uint32_t>(channels.size());
  const uint64_t frames = channels.empty() ? 0 : channels[0].size();
  if (channelCount == 0 || frames * channelCount > kMaxStereoFloatFrames * 2) return false;
  const uint32_t dataBytes = static_cast<uint32_t>(frames * channelCount * 4);
  std::vector<uint8_t> header;
  header.insert(header.end(), {'R', 'I', 'F', 'F'});
  putLe(header, 4 + (8 + 18) + (8 + 4) + (8 + dataBytes), 4);
  header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  putLe(header, 18, 4);
  putLe(header, kFormatFloat, 2);
  putLe(header, channelCount, 2);
  putLe(header, static_cast<uint32_t>(sampleRate), 4);
  putLe(header, static_cast<uint32_t>(sampleRate) * channelCount * 4, 4);
  putLe(header, channelCount * 4, 2);
  putLe(header, 32, 2);
  putLe(header, 0, 2);  // no extension
  header.insert(header.end(), {'f', 'a', 'c', 't'});
  putLe(header, 4, 4);
  putLe(header, static_cast<uint32_t>(frames), 4);
  header.insert(header.end(), {'d', 'a', 't', 'a'});
  putLe(header, dataBytes, 4);
  if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) return false;

  std::vector<uint8_t> chunk;
  constexpr size_t kFramesPerWrite = 16384;
  const size_t frameCount = channels[0].size();
  for (size_t start = 0; start < frameCount; start += kFramesPerWrite) {
    const size_t end = start + kFramesPerWrite < frameCount ? start + kFramesPerWrite : frameCount;
    chunk.clear();
    for (size_t i = start; i < end; ++i)
      for (const std::vector<float>& channel : channels) {
        uint32_t raw;
        std::memcpy(&raw, &channel[i], 4);
        putLe(chunk, raw, 4);
      }
    if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) return false;
  }
  return true;
}

}  // namespace brisko::render
