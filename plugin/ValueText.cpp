#include "plugin/ValueText.h"

#include <cmath>
#include <cstdio>

#include "dsp/PortableMath.h"
#include "plugin/EffectBase.h"

namespace brisko {
namespace {

constexpr int32_t kTextBudget = 8;
constexpr double kLog10Of2 = 0.30102999566398119521;
constexpr double kLn2 = 0.69314718055994530942;
// Exact powers of ten, so every target scales the fraction alike.
constexpr double kPowersOfTen[kTextBudget + 1] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// The last decimal digit of the integer part of a non-negative x.
char lastDigit(double x) {
  const int digit = static_cast<int>(std::fmod(x, 10.0));
  return static_cast<char>('0' + (digit < 0 ? 0 : digit > 9 ? 9 : digit));
}

// log2 from the portable logarithm: exact for powers of two.
double log2Of(double x) {
  int exponent = 0;
  const double mantissa = std::frexp(x, &exponent) * 2.0;  // 1 <= mantissa < 2
  return (exponent - 1) + pmath::log(mantissa) / kLn2;
}

float decibelsOf(float gain) { return static_cast<float>(kLog10Of2 * log2Of(gain) * 20.0); }

}  // namespace

void copyText(char* text, const char* source) {
  if (!text) return;
  if (!source) source = "";
  while ((*text++ = *source++) != '\0') {
  }
}

void copyTextCut(char* text, const char* source, size_t capacity) {
  if (!text || capacity == 0) return;
  size_t length = 0;
  if (source) {
    while (length + 1 < capacity && source[length] != '\0') {
      text[length] = source[length];
      ++length;
    }
  }
  text[length] = '\0';
}

void formatFloat(float value, char* text) {
  if (!text) return;
  double v = value;
  if (std::isnan(v)) return copyText(text, "NaN");
  const bool negative = v < 0.0;
  int32_t used = 0;
  if (negative) {
    v = -v;
    used = 1;
    if (v > 9999999.0) return copyText(text, "-Huge!");
  } else if (v > 99999999.0) {
    return copyText(text, "Huge!");
  }

  // Integer digits, right to left; i is scaled by 0.1 and never floored again.
  char integer[kTextBudget];
  int32_t digits = 0;
  double i = std::floor(v);
  integer[digits++] = lastDigit(i);
  i = i * 0.1;
  used += 2;
  while (i >= 1.0 && used < kTextBudget) {
    integer[digits++] = lastDigit(i);
    i = i * 0.1;
    ++used;
  }
  // One digit more than the point leaves room for: all digits, no point.
  const bool pointFits = i < 1.0;
  if (!pointFits) integer[digits++] = lastDigit(i);

  char* out = text;
  if (negative) *out++ = '-';
  while (digits > 0) *out++ = integer[--digits];
  if (pointFits) *out++ = '.';
  if (!pointFits || used >= kTextBudget) {
    *out = '\0';
    return;
  }

  // Fraction digits, right to left, cut rather than rounded.
  const int32_t count = kTextBudget - used;
  double m = std::fmod(v, 1.0) * kPowersOfTen[count];
  for (int32_t k = count - 1; k >= 0; --k) {
    if (m > 0.0) {
      out[k] = lastDigit(m);
      m = m * 0.1;
    } else {
      out[k] = '0';
    }
  }
  out[count] = '\0';
}

void formatInteger(int32_t value, char* text) {
  if (!text) return;
  if (value >= 100000000) return copyText(text, "Huge!");
  if (value < -9999999) return copyText(text, "-Huge!");
  char scratch[16];
  std::snprintf(scratch, sizeof scratch, "%7d", static_cast<int>(value));
  copyTextCut(text, scratch, kNumberTextSize);
}

void formatDecibels(float gain, char* text) {
  if (gain <= 0.0f) return copyText(text, "-oo");
  formatFloat(decibelsOf(gain), text);
}

// The effect's conversions. Each goes through the virtual floatToText, so an
// effect that changes it changes them all; rates come from currentSampleRate.

void EffectBase::decibelsToText(float gain, char* text) {
  if (gain <= 0.0f) return copyText(text, "-oo");
  floatToText(decibelsOf(gain), text);
}

void EffectBase::hertzToText(float samples, char* text) {
  if (samples == 0.0f) return floatToText(0.0f, text);
  floatToText(static_cast<float>(static_cast<double>(currentSampleRate()) / samples), text);
}

void EffectBase::millisecondsToText(float samples, char* text) {
  floatToText(static_cast<float>(samples * 1000.0 / currentSampleRate()), text);
}

void EffectBase::floatToText(float value, char* text) { formatFloat(value, text); }

void EffectBase::integerToText(int32_t value, char* text) { formatInteger(value, text); }

}  // namespace brisko
