// brisko-render run as a program on the built plug-in: what it renders and
// how the host calls it makes show in the output.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "tests/render/ToolRun.h"

namespace brisko::render::test {
namespace {

constexpr int32_t kRate = 44100;
// Parameters that exercise every part of the engine: modulation, bin delay, feedback.
const std::vector<std::string> kBusySettings = {"--set", "Delay time=0.01", "--set", "Feedback=0.5",
                                                "--set", "Modulation freq.=0.3", "--set", "modulation amp.=0.2",
                                                "--set", "4=0.4", "--quiet"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

class RenderTool : public ::testing::Test {
 protected:
  void SetUp() override {
    writeStereoFloat(folder_.path("noise.wav"), noise(20000, 1), noise(20000, 2));
  }
  // Renders and answers the output file's bytes (empty on failure).
  std::string render(const std::string& input, const std::vector<std::string>& options, const std::string& name) {
    const ToolResult result = runTool(with({folder_.path(input), folder_.path(name)}, options));
    EXPECT_EQ(result.status, 0) << result.err;
    return fileBytes(folder_.path(name));
  }
  ScratchFolder folder_;
};

// Constant blocks of any length give the same bits: the framing's delay does
// not depend on the block length, and the last block is padded, not shortened.
TEST_F(RenderTool, OutputDoesNotDependOnTheBlockLength) {
  const std::vector<std::string> options = with(kBusySettings, {"--tail", "0.3"});
  const std::string reference = render("noise.wav", options, "512.wav");
  ASSERT_EQ(readBack(folder_.path("512.wav")).frames(), 20000u + 13230u);
  for (const char* block : {"1", "37", "128", "4096", "65536"})
    EXPECT_TRUE(render("noise.wav", with(options, {"--block", block}), "other.wav") == reference) << block;
}

TEST_F(RenderTool, AddingOntoZeroedOutputsEqualsReplacing) {
  const std::string replacing = render("noise.wav", kBusySettings, "replacing.wav");
  EXPECT_TRUE(render("noise.wav", with(kBusySettings, {"--mode", "adding", "--block", "100"}), "adding.wav") ==
              replacing);
}

// With "Delay time" 0 the engine delays by 1.999375 frames of 128 samples:
// nearly all of the echo two frames late, a sliver of it one frame late, both
// at half amplitude, on top of the framing's 256 samples.
TEST_F(RenderTool, ImpulseComesOutWhereFramingAndEnginePutIt) {
  std::vector<float> left(4000, 0.0f), right(4000, 0.0f);
  left[1000] = 1.0f;
  right[2000] = -1.0f;
  writeStereoFloat(folder_.path("impulse.wav"), left, right);
  render("impulse.wav", {"--set", "Feedback=0", "--block", "333"}, "out.wav");
  const AudioData out = readBack(folder_.path("out.wav"));
  ASSERT_EQ(out.frames(), 4000u);
  const size_t impulse[2] = {1000, 2000};
  for (size_t c = 0; c < 2; ++c) {
    const float sign = c == 0 ? 1.0f : -1.0f;
    const size_t twoFrames = impulse[c] + 256 + 256, oneFrame = impulse[c] + 256 + 128;
    EXPECT_NEAR(out.channels[c][twoFrames], sign * 0.5 * 0.999375, 1e-6) << c;
    EXPECT_NEAR(out.channels[c][oneFrame], sign * 0.5 * 0.000625, 1e-6) << c;
    for (size_t i = 0; i < out.frames(); ++i)
      if (i != twoFrames && i != oneFrame) {
        ASSERT_LT(std::fabs(out.channels[c][i]), 1e-6f) << c << " at " << i;
      }
  }
}

TEST_F(RenderTool, TailExtendsTheOutputBySilenceRendered) {
  render("noise.wav", {"--tail", "0.5", "--quiet"}, "tail.wav");
  const AudioData tail = readBack(folder_.path("tail.wav"));
  EXPECT_EQ(tail.frames(), 20000u + 22050u);
  EXPECT_EQ(tail.sampleRate, kRate);
  // The default feedback keeps echoes coming after the input has ended.
  double energyAfterInput = 0.0;
  for (size_t i = 20000 + 512; i < tail.frames(); ++i) energyAfterInput += tail.channels[0][i] * tail.channels[0][i];
  EXPECT_GT(energyAfterInput, 1e-3);
  render("noise.wav", {"--quiet"}, "plain.wav");
  EXPECT_EQ(readBack(folder_.path("plain.wav")).frames(), 20000u);
}

// The pre-roll is silence fed in whole blocks whose output is dropped: the
// same as rendering that silence in front of the input and cutting it off.
TEST_F(RenderTool, PrerollIsDroppedSilenceOfWholeBlocks) {
  const std::vector<float> left = noise(8000, 5), right = noise(8000, 6);
  writeStereoFloat(folder_.path("short.wav"), left, right);
  std::vector<float> paddedLeft(3 * 256, 0.0f), paddedRight(3 * 256, 0.0f);
  paddedLeft.insert(paddedLeft.end(), left.begin(), left.end());
  paddedRight.insert(paddedRight.end(), right.begin(), right.end());
  writeStereoFloat(folder_.path("padded.wav"), paddedLeft, paddedRight);

  // 700 samples round to three blocks of 256.
  const std::string preroll = std::to_string(700.0 / kRate);
  render("short.wav", with(kBusySettings, {"--block", "256", "--preroll", preroll}), "preroll.wav");
  render("padded.wav", with(kBusySettings, {"--block", "256"}), "padded-out.wav");
  const AudioData withPreroll = readBack(folder_.path("preroll.wav"));
  const AudioData padded = readBack(folder_.path("padded-out.wav"));
  ASSERT_EQ(withPreroll.frames(), 8000u);
  for (size_t c = 0; c < 2; ++c)
    EXPECT_TRUE(std::equal(withPreroll.channels[c].begin(), withPreroll.channels[c].end(),
                           padded.channels[c].begin() + 3 * 256))
        << c;
}

TEST_F(RenderTool, MonoInputFeedsBothChannels) {
  const std::vector<float> samples = noise(6000, 9);
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(folder_.path("mono.wav").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  writeStereoFloat(folder_.path("dual.wav"), samples, samples);

  const std::string mono = render("mono.wav", kBusySettings, "mono-out.wav");
  EXPECT_TRUE(render("dual.wav", kBusySettings, "dual-out.wav") == mono);
  const AudioData out = readBack(folder_.path("mono-out.wav"));
  EXPECT_EQ(out.channels[0], out.channels[1]);
}

// The same sample values in 16-bit, 24-bit, float and FLAC files render alike.
TEST_F(RenderTool, SampleFormatsAndContainersReadAlike) {
  std::vector<float> interleaved = noise(2 * 7000, 11);
  for (float& x : interleaved) x = std::round(x * 32768.0f) / 32768.0f;  // values 16 bits can hold
  const std::pair<const char*, int> formats[] = {{"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                                                 {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
                                                 {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                                                 {"pcm24.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
                                                 {"pcm16.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16}};
  std::string reference;
  for (const auto& [name, format] : formats) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(folder_.path(name).c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << name << ": " << sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    ASSERT_EQ(sf_writef_float(file, interleaved.data(), 7000), 7000);
    sf_close(file);
    const std::string output = render(name, kBusySettings, std::string(name) + ".out.wav");
    if (reference.empty()) reference = output;
    EXPECT_TRUE(output == reference) << name;
  }
  EXPECT_EQ(readBack(folder_.path("pcm16.flac.out.wav")).frames(), 7000u);
}

TEST_F(RenderTool, ListsParametersAsAHostSeesThem) {
  const ToolResult result = runTool({"--list-params", "--set", "dry/wet=0.25", "--set", "1=1"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("0\tDelay time\t0.000000"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("1\tFeedback\t1.000000"), std::string::npos);
  EXPECT_NE(result.out.find("4\tFFT Bin delay\t0.000000"), std::string::npos);
  EXPECT_NE(result.out.find("5\tDry/Wet\t0.250000"), std::string::npos);
}

// Rates other than 44.1 kHz render, with one warning that --quiet silences.
TEST_F(RenderTool, OtherRatesRenderWithOneWarning) {
  writeStereoFloat(folder_.path("48k.wav"), noise(4800, 3), noise(4800, 4), 48000);
  const ToolResult loud = runTool({folder_.path("48k.wav"), folder_.path("out.wav")});
  EXPECT_EQ(loud.status, 0) << loud.err;
  EXPECT_NE(loud.err.find("warning: "), std::string::npos);
  EXPECT_EQ(loud.err.find("warning: "), loud.err.rfind("warning: "));
  EXPECT_EQ(readBack(folder_.path("out.wav")).sampleRate, 48000);
  const ToolResult quiet = runTool({folder_.path("48k.wav"), folder_.path("out.wav"), "--quiet"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
}

TEST_F(RenderTool, DemoWithSpectrogramAndInputCopy) {
  const ToolResult result = runTool({"demo", folder_.path("demo-out.wav"), "--spectrogram", folder_.path("s.png"),
                                     "--save-input", folder_.path("demo-in.wav"), "--quiet"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readBack(folder_.path("demo-in.wav")).frames(), 4u * 44100u);
  EXPECT_EQ(readBack(folder_.path("demo-out.wav")).frames(), 4u * 44100u);
  EXPECT_EQ(fileBytes(folder_.path("s.png")).substr(1, 3), "PNG");
  EXPECT_EQ(folder_.entries(), (std::vector<std::string>{"demo-in.wav", "demo-out.wav", "noise.wav", "s.png"}));
}

}  // namespace
}  // namespace brisko::render::test
