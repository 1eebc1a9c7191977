// The project's own WAV reader and writer: every sample format the tool
// accepts without libsndfile, the extensible header, damaged files, and a
// writer whose bytes read back unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "tools/render/WavFile.h"

namespace brisko::render {
namespace {

void put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void put(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

// A WAV file with a given format chunk body and sample bytes; an extra
// chunk before "data" checks that unknown chunks are skipped.
std::vector<uint8_t> wavFile(const std::vector<uint8_t>& fmt, const std::vector<uint8_t>& samples) {
  std::vector<uint8_t> body;
  put(body, "WAVE");
  put(body, "fmt ");
  put(body, fmt.size(), 4);
  body.insert(body.end(), fmt.begin(), fmt.end());
  put(body, "LIST");
  put(body, 3, 4);
  body.insert(body.end(), {'a', 'b', 'c', 0});  // odd size, padded
  put(body, "data");
  put(body, samples.size(), 4);
  body.insert(body.end(), samples.begin(), samples.end());
  std::vector<uint8_t> file;
  put(file, "RIFF");
  put(file, body.size(), 4);
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

std::vector<uint8_t> formatChunk(uint16_t tag, uint16_t channels, int bits, bool extensible = false) {
  std::vector<uint8_t> fmt;
  put(fmt, extensible ? 0xFFFE : tag, 2);
  put(fmt, channels, 2);
  put(fmt, 48000, 4);
  put(fmt, 48000u * channels * (bits / 8), 4);
  put(fmt, channels * (bits / 8), 2);
  put(fmt, static_cast<uint64_t>(bits), 2);
  if (extensible) {
    put(fmt, 22, 2);
    put(fmt, static_cast<uint64_t>(bits), 2);
    put(fmt, 3, 4);  // channel mask
    put(fmt, tag, 2);
    fmt.insert(fmt.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  }
  return fmt;
}

AudioData decode(const std::vector<uint8_t>& bytes) {
  AudioData audio;
  std::string error;
  EXPECT_TRUE(decodeWav(bytes, audio, error)) << error;
  return audio;
}

TEST(WavReader, IntegerSamplesScaleByTheirFullRange) {
  std::vector<uint8_t> pcm16, pcm24, pcm32;
  for (int64_t v : {0, 16384, -32768, 32767}) put(pcm16, static_cast<uint64_t>(v), 2);
  for (int64_t v : {0, 4194304, -8388608, 8388607}) put(pcm24, static_cast<uint64_t>(v), 3);
  for (int64_t v : {0LL, 1073741824LL, -2147483648LL, 2147483647LL}) put(pcm32, static_cast<uint64_t>(v), 4);
  const AudioData a16 = decode(wavFile(formatChunk(1, 2, 16), pcm16));
  const AudioData a24 = decode(wavFile(formatChunk(1, 2, 24), pcm24));
  const AudioData a32 = decode(wavFile(formatChunk(1, 2, 32, true), pcm32));
  for (const AudioData* audio : {&a16, &a24, &a32}) {
    EXPECT_EQ(audio->sampleRate, 48000);
    ASSERT_EQ(audio->channels.size(), 2u);
    EXPECT_EQ(audio->channels[0], (std::vector<float>{0.0f, -1.0f}));
    EXPECT_FLOAT_EQ(audio->channels[1][0], 0.5f);
  }
  EXPECT_EQ(a16.channels[1][1], 32767.0f / 32768.0f);
  EXPECT_EQ(a24.channels[1][1], 8388607.0f / 8388608.0f);
  EXPECT_EQ(a32.channels[1][1], 1.0f);  // 2^31 - 1 rounds to 2^31 in a float
}

TEST(WavReader, FloatSamplesKeepTheirBitsAndDoublesRound) {
  std::vector<uint8_t> f32, f64;
  const float values[] = {0.1f, -1.5f, std::numeric_limits<float>::denorm_min()};
  for (float v : values) {
    uint32_t raw;
    std::memcpy(&raw, &v, 4);
    put(f32, raw, 4);
  }
  for (double v : {0.1, -1.5, 1e-300}) {
    uint64_t raw;
    std::memcpy(&raw, &v, 8);
    put(f64, raw, 8);
  }
  const AudioData single = decode(wavFile(formatChunk(3, 1, 32), f32));
  const AudioData twice = decode(wavFile(formatChunk(3, 1, 64, true), f64));
  EXPECT_EQ(single.channels[0], std::vector<float>(std::begin(values), std::end(values)));
  EXPECT_EQ(twice.channels[0], (std::vector<float>{0.1f, -1.5f, 0.0f}));
}

TEST(WavReader, RefusesWhatItCannotRead) {
  AudioData audio;
  std::string error;
  const std::vector<uint8_t> sample(4, 0);
  EXPECT_FALSE(decodeWav({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'I', 'F', 'F'}, audio, error));
  EXPECT_EQ(error, "not a WAV file");
  EXPECT_FALSE(decodeWav(wavFile(formatChunk(1, 2, 8), sample), audio, error));  // 8-bit PCM
  EXPECT_NE(error.find("unsupported WAV sample format"), std::string::npos);
  EXPECT_FALSE(decodeWav(wavFile(formatChunk(2, 1, 16), sample), audio, error));  // ADPCM
  EXPECT_FALSE(decodeWav(wavFile(formatChunk(3, 1, 16), sample), audio, error));  // 16-bit "float"
  std::vector<uint8_t> badGuid = formatChunk(1, 1, 16, true);
  badGuid.back() ^= 1;
  EXPECT_FALSE(decodeWav(wavFile(badGuid, sample), audio, error));
  EXPECT_NE(error.find("extensible"), std::string::npos);
  std::vector<uint8_t> noData = wavFile(formatChunk(1, 1, 16), {});
  std::memcpy(&noData[noData.size() - 8], "junk", 4);
  EXPECT_FALSE(decodeWav(noData, audio, error));
  EXPECT_EQ(error, "WAV file without a data chunk");
  std::vector<uint8_t> wrongAlign = formatChunk(1, 2, 16);
  wrongAlign[12] = 3;
  EXPECT_FALSE(decodeWav(wavFile(wrongAlign, sample), audio, error));
  EXPECT_FALSE(readWavFile("no-such-file.wav", audio, error));
  EXPECT_EQ(error, "cannot open no-such-file.wav");
}

// A file cut short reads the whole frames that are there.
TEST(WavReader, TruncatedDataReadsTheFramesPresent) {
  std::vector<uint8_t> samples;
  for (int v : {1, 2, 3}) put(samples, static_cast<uint64_t>(v) << 8, 2);
  std::vector<uint8_t> file = wavFile(formatChunk(1, 2, 16), samples);
  file.resize(file.size() - 1);
  const AudioData audio = decode(file);
  EXPECT_EQ(audio.frames(), 1u);
}

TEST(WavWriter, WritesAFloatWavThatReadsBackBitForBit) {
  const std::vector<std::vector<float>> channels = {{0.25f, -1.0f, 3.5f, std::numeric_limits<float>::quiet_NaN()},
                                                    {1e-40f, 0.0f, -0.0f, 1.0f}};
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(writeFloatWav(file, channels, 44100));
  std::vector<uint8_t> bytes(static_cast<size_t>(std::ftell(file)));
  std::rewind(file);
  ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::fclose(file);

  ASSERT_EQ(bytes.size(), 58u + 4 * 2 * 4);
  EXPECT_EQ(std::memcmp(bytes.data() + 38, "fact", 4), 0);
  EXPECT_EQ(bytes[46], 4);  // fact: four frames
  const AudioData audio = decode(bytes);
  EXPECT_EQ(audio.sampleRate, 44100);
  ASSERT_EQ(audio.channels.size(), 2u);
  for (size_t c = 0; c < 2; ++c)
    for (size_t i = 0; i < 4; ++i)
      EXPECT_EQ(std::memcmp(&audio.channels[c][i], &channels[c][i], 4), 0) << c << "," << i;
}

}  // namespace
}  // namespace brisko::render
