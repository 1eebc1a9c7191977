#include "plugin/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/plugin/ProbeEffect.h"
#include "tests/plugin/TestHost.h"

namespace brisko {
namespace {

using testing::captureText;
using testing::ProbeEffect;
using testing::WrittenText;

WrittenText floatText(float value) {
  return captureText([&](char* text) { formatFloat(value, text); });
}

WrittenText integerText(int32_t value) {
  return captureText([&](char* text) { formatInteger(value, text); });
}

struct FloatCase {
  float value;
  const char* text;
};

TEST(FloatToText, WritesEightCutCharactersAndATerminator) {
  const FloatCase cases[] = {
      {0.0f, "0.000000"},      {-0.0f, "0.000000"},      {0.5f, "0.500000"},  {1.0f, "1.000000"},
      {-0.5f, "-0.50000"},     {123.456f, "123.4560"},   {1000.0f, "1000.000"}, {1234567.0f, "1234567."},
      {0.7f, "0.699999"},      {0.00125f, "0.001249"},   {0.4f, "0.400000"},  {1e-10f, "0.000000"},
      {-6.0205998f, "-6.02059"}, {-123456.0f, "-123456."}, {9.99999f, "9.999990"},
  };
  for (const FloatCase& c : cases) {
    const WrittenText written = floatText(c.value);
    EXPECT_EQ(written.text, c.text) << c.value;
    EXPECT_EQ(written.bytes, 9u) << c.value;
  }
}

TEST(FloatToText, IntegerPartsTooLongForThePointKeepEveryDigit) {
  EXPECT_EQ(floatText(12345678.0f).text, "12345678");
  EXPECT_EQ(floatText(10000000.0f).text, "10000000");
  EXPECT_EQ(floatText(-1234567.0f).text, "-1234567");
  EXPECT_EQ(floatText(-9999999.0f).text, "-9999999");
  EXPECT_EQ(floatText(-9999999.0f).bytes, 9u);
}

TEST(FloatToText, ValuesBeyondItsLimitsGiveShortTerminatedTexts) {
  const float infinity = std::numeric_limits<float>::infinity();
  const FloatCase cases[] = {
      {1e9f, "Huge!"},      {100000000.0f, "Huge!"}, {infinity, "Huge!"},
      {-1e7f, "-Huge!"},    {-infinity, "-Huge!"},   {std::numeric_limits<float>::quiet_NaN(), "NaN"},
  };
  for (const FloatCase& c : cases) {
    const WrittenText written = floatText(c.value);
    EXPECT_EQ(written.text, c.text) << c.value;
    EXPECT_EQ(written.bytes, std::strlen(c.text) + 1) << c.value;
  }
}

TEST(IntegerToText, RightAlignsInSevenAndCapsAtEightCharacters) {
  EXPECT_EQ(integerText(5).text, "      5");
  EXPECT_EQ(integerText(5).bytes, 8u);
  EXPECT_EQ(integerText(-5).text, "     -5");
  EXPECT_EQ(integerText(12345678).text, "12345678");
  EXPECT_EQ(integerText(99999999).text, "99999999");
  EXPECT_EQ(integerText(99999999).bytes, 9u);
  EXPECT_EQ(integerText(-9999999).text, "-9999999");
  EXPECT_EQ(integerText(100000000).text, "Huge!");
  EXPECT_EQ(integerText(100000000).bytes, 6u);
  EXPECT_EQ(integerText(std::numeric_limits<int32_t>::max()).text, "Huge!");
  EXPECT_EQ(integerText(-10000000).text, "-Huge!");
  EXPECT_EQ(integerText(std::numeric_limits<int32_t>::min()).text, "-Huge!");
}

TEST(TextCopies, CutCopiesStopAtTheCapacityAndNullBuffersAreIgnored) {
  const WrittenText cut = captureText([](char* text) { copyTextCut(text, "abcdef", 4); });
  EXPECT_EQ(cut.text, "abc");
  EXPECT_EQ(cut.bytes, 4u);
  EXPECT_EQ(captureText([](char* text) { copyTextCut(text, "abc", 0); }).bytes, 0u);
  EXPECT_EQ(captureText([](char* text) { copyTextCut(text, nullptr, 8); }).bytes, 1u);
  copyText(nullptr, "abc");
  copyTextCut(nullptr, "abc", 4);
  formatFloat(1.0f, nullptr);
  formatInteger(1, nullptr);
  formatDecibels(1.0f, nullptr);
}

class EffectConversions : public ::testing::Test {
 protected:
  WrittenText decibels(float gain) {
    return captureText([&](char* text) { effect.decibelsToText(gain, text); });
  }
  WrittenText hertz(float samples) {
    return captureText([&](char* text) { effect.hertzToText(samples, text); });
  }
  WrittenText milliseconds(float samples) {
    return captureText([&](char* text) { effect.millisecondsToText(samples, text); });
  }

  ProbeEffect effect;
};

TEST_F(EffectConversions, DecibelsOfGains) {
  EXPECT_EQ(decibels(0.0f).text, "-oo");
  EXPECT_EQ(decibels(0.0f).bytes, 4u);
  EXPECT_EQ(decibels(-1.0f).text, "-oo");
  EXPECT_EQ(decibels(2.0f).text, "6.020599");
  EXPECT_EQ(decibels(0.5f).text, "-6.02059");
  EXPECT_EQ(decibels(1.0f).text, "0.000000");
  EXPECT_EQ(decibels(std::numeric_limits<float>::quiet_NaN()).text, "NaN");
  EXPECT_EQ(decibels(std::numeric_limits<float>::infinity()).text, "Huge!");
  EXPECT_EQ(captureText([](char* text) { formatDecibels(2.0f, text); }).text, "6.020599");
}

TEST_F(EffectConversions, HertzAndMillisecondsUseTheCurrentSampleRate) {
  EXPECT_EQ(hertz(100.0f).text, "441.0000");
  EXPECT_EQ(hertz(0.0f).text, "0.000000");
  EXPECT_EQ(milliseconds(100.0f).text, "2.267573");
  EXPECT_EQ(milliseconds(44100.0f).text, "1000.000");

  effect.changeSampleRate(48000.0f);
  EXPECT_EQ(hertz(100.0f).text, "480.0000");
  EXPECT_EQ(milliseconds(48.0f).text, "1.000000");

  effect.changeSampleRate(0.0f);
  EXPECT_EQ(hertz(0.0f).text, "0.000000");
  EXPECT_EQ(milliseconds(100.0f).text, "Huge!");
  EXPECT_EQ(milliseconds(0.0f).text, "NaN");
  EXPECT_EQ(milliseconds(100.0f).bytes, 6u);
}

TEST_F(EffectConversions, IntegerAndFloatMembersMatchTheFreeFunctions) {
  EXPECT_EQ(captureText([&](char* text) { effect.integerToText(-5, text); }).text, "     -5");
  EXPECT_EQ(captureText([&](char* text) { effect.floatToText(0.7f, text); }).text, "0.699999");
}

}  // namespace
}  // namespace brisko
