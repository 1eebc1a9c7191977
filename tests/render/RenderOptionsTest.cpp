// The command line: what it accepts, the one-line errors for what it does
// not, and parameter names resolved against the plug-in's own names.
#include <gtest/gtest.h>

#include "tools/render/RenderOptions.h"

namespace brisko::render {
namespace {

const std::vector<std::string> kNames = {"Delay time", "Feedback", "Modulation freq.", "Modulation amp.",
                                         "FFT Bin delay", "Dry/Wet"};

std::string errorOf(const std::vector<std::string>& args) {
  RenderOptions options;
  std::string error;
  EXPECT_EQ(parseOptions(args, options, error), ParseResult::Error) << "accepted: " << args.back();
  EXPECT_EQ(error.find('\n'), std::string::npos);
  return error;
}

TEST(RenderOptions, ParsesEveryOption) {
  RenderOptions options;
  std::string error;
  ASSERT_EQ(parseOptions({"--set", "Dry/Wet=0.5", "--block", "64", "--mode", "adding", "--tail", "1.5", "in.wav",
                          "--preroll", "0.4", "--set", "2=1", "--plugin", "p.so", "out.wav", "--quiet"},
                         options, error),
            ParseResult::Run)
      << error;
  EXPECT_EQ(options.input, "in.wav");
  EXPECT_EQ(options.output, "out.wav");
  EXPECT_EQ(options.pluginPath, "p.so");
  ASSERT_EQ(options.settings.size(), 2u);
  EXPECT_EQ(options.settings[0].name, "Dry/Wet");
  EXPECT_EQ(options.settings[0].value, 0.5f);
  EXPECT_EQ(options.settings[1].name, "2");
  EXPECT_EQ(options.blockLength, 64);
  EXPECT_TRUE(options.adding);
  EXPECT_EQ(options.tailSeconds, 1.5);
  EXPECT_EQ(options.prerollSeconds, 0.4);
  EXPECT_TRUE(options.quiet);

  RenderOptions listing;
  EXPECT_EQ(parseOptions({"--list-params"}, listing, error), ParseResult::Run);
  EXPECT_EQ(parseOptions({"--editor-png", "e.png"}, listing, error), ParseResult::Run);
  EXPECT_EQ(parseOptions({"in", "out", "--help"}, listing, error), ParseResult::Help);
}

TEST(RenderOptions, RefusesBadValuesWithOneLine) {
  EXPECT_EQ(errorOf({"--block", "0", "a", "b"}), "--block wants a whole number of samples from 1 to 65536, not '0'");
  EXPECT_NE(errorOf({"--block", "65537", "a", "b"}).find("1 to 65536"), std::string::npos);
  EXPECT_NE(errorOf({"--block", "1.5", "a", "b"}).find("whole number"), std::string::npos);
  EXPECT_NE(errorOf({"--block", "12x", "a", "b"}).find("'12x'"), std::string::npos);
  EXPECT_EQ(errorOf({"--set", "Feedback=loud", "a", "b"}), "value of 'Feedback' is not a number: 'loud'");
  EXPECT_EQ(errorOf({"--set", "Feedback=1.01", "a", "b"}), "value of 'Feedback' is outside 0 to 1: 1.01");
  EXPECT_NE(errorOf({"--set", "Feedback=-0.1", "a", "b"}).find("outside 0 to 1"), std::string::npos);
  EXPECT_NE(errorOf({"--set", "Feedback=nan", "a", "b"}).find("not a number"), std::string::npos);
  EXPECT_NE(errorOf({"--set", "Feedback= 0.5", "a", "b"}).find("not a number"), std::string::npos);
  EXPECT_NE(errorOf({"--set", "Feedback", "a", "b"}).find("NAME=VALUE"), std::string::npos);
  EXPECT_NE(errorOf({"--mode", "mixing", "a", "b"}).find("replacing or adding"), std::string::npos);
  EXPECT_NE(errorOf({"--tail", "601", "a", "b"}).find("0 to 600"), std::string::npos);
  EXPECT_NE(errorOf({"--preroll", "-1", "a", "b"}).find("0 to 600"), std::string::npos);
  EXPECT_EQ(errorOf({"a", "b", "--tail"}), "--tail needs a value");
  EXPECT_EQ(errorOf({"--loud", "a", "b"}), "unknown option --loud (see --help)");
  EXPECT_EQ(errorOf({"a"}), "missing INPUT or OUTPUT (see --help)");
  EXPECT_EQ(errorOf({"a", "b", "c"}), "too many arguments (see --help)");
  EXPECT_NE(errorOf({"--list-params", "--spectrogram", "s.png"}).find("need INPUT and OUTPUT"), std::string::npos);
}

TEST(RenderOptions, NumbersAreWholeAndFinite) {
  double value = 0.0;
  EXPECT_TRUE(parseNumber("0.25", value));
  EXPECT_EQ(value, 0.25);
  EXPECT_TRUE(parseNumber("1e-1", value));
  EXPECT_TRUE(parseNumber("-0", value));
  for (const char* bad : {"", " 1", "1 ", "inf", "nan", "0x1p-2", "1e999", "--1", ".", "1,5"})
    EXPECT_FALSE(parseNumber(bad, value)) << bad;
}

TEST(RenderOptions, ParameterNamesResolveExactlyIgnoringCase) {
  int32_t index = -1;
  std::string error;
  EXPECT_TRUE(resolveParameter("fft bin DELAY", kNames, index, error));
  EXPECT_EQ(index, 4);
  EXPECT_TRUE(resolveParameter("Dry/Wet", kNames, index, error));
  EXPECT_EQ(index, 5);
  EXPECT_TRUE(resolveParameter("0", kNames, index, error));
  EXPECT_EQ(index, 0);

  EXPECT_FALSE(resolveParameter("Delay", kNames, index, error));  // a prefix is not a name
  EXPECT_EQ(error,
            "unknown parameter 'Delay'; valid names: \"Delay time\", \"Feedback\", \"Modulation freq.\", "
            "\"Modulation amp.\", \"FFT Bin delay\", \"Dry/Wet\" or an index 0-5");
  EXPECT_FALSE(resolveParameter("6", kNames, index, error));
  EXPECT_EQ(error.rfind("parameter index 6 is out of range; valid names: \"Delay time\"", 0), 0u);
  EXPECT_FALSE(resolveParameter("99999999999", kNames, index, error));
}

}  // namespace
}  // namespace brisko::render
