#include "ReferenceTransform.h"

#include <cmath>
#include <utility>
#include <vector>

namespace brisko::reference {
namespace {

inline float toFloat(double value) { return static_cast<float>(value); }

const double kHalfSqrt2 = static_cast<float>(std::sqrt(2.0) * 0.5);

void forwardFourPoint(float* D, const float* x, const int32_t* rev, int32_t n) {
  for (int32_t c = 0; c < n; c += 4) {
    const double x0 = x[rev[c]], x1 = x[rev[c + 1]], x2 = x[rev[c + 2]], x3 = x[rev[c + 3]];
    D[c + 1] = toFloat(x0 - x1);
    D[c + 3] = toFloat(x2 - x3);
    const double a = x0 + x1;
    const double b = x2 + x3;
    D[c] = toFloat(a + b);
    D[c + 2] = toFloat(a - b);
  }
}

void forwardEightPoint(float* D, const float* S, int32_t n) {
  for (int32_t c = 0; c < n; c += 8) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + 4]);
    D[c + 4] = toFloat(static_cast<double>(S[c]) - S[c + 4]);
    D[c + 2] = S[c + 2];
    D[c + 6] = S[c + 6];
    double v = (static_cast<double>(S[c + 5]) - S[c + 7]) * kHalfSqrt2;
    D[c + 1] = toFloat(S[c + 1] + v);
    D[c + 3] = toFloat(S[c + 1] - v);
    v = (static_cast<double>(S[c + 5]) + S[c + 7]) * kHalfSqrt2;
    D[c + 5] = toFloat(v + S[c + 3]);
    D[c + 7] = toFloat(v - S[c + 3]);
  }
}

}  // namespace

void forwardMerge(float* D, const float* S, const float* table, int32_t m, int32_t n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + m]);
    D[c + m] = toFloat(static_cast<double>(S[c]) - S[c + m]);
    D[c + h] = S[c + h];
    D[c + m + h] = S[c + m + h];
    for (int32_t i = 1; i < h; ++i) {
      const double co = table[i];
      const double si = table[h - i];
      double v = S[c + m + i] * co - S[c + m + h + i] * si;
      D[c + i] = toFloat(S[c + i] + v);
      D[c + m - i] = toFloat(S[c + i] - v);
      v = S[c + m + i] * si + S[c + m + h + i] * co;
      D[c + m + i] = toFloat(v + S[c + h + i]);
      D[c + 2 * m - i] = toFloat(v - S[c + h + i]);
    }
  }
}

void inverseSplit(float* D, const float* S, const float* table, int32_t m, int32_t n) {
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + m]);
    D[c + m] = toFloat(static_cast<double>(S[c]) - S[c + m]);
    D[c + h] = toFloat(2.0 * S[c + h]);
    D[c + m + h] = toFloat(2.0 * S[c + m + h]);
    for (int32_t i = 1; i < h; ++i) {
      const double co = table[i];
      const double si = table[h - i];
      D[c + i] = toFloat(static_cast<double>(S[c + i]) + S[c + m - i]);
      D[c + h + i] = toFloat(static_cast<double>(S[c + m + i]) - S[c + 2 * m - i]);
      const double vr = static_cast<double>(S[c + i]) - S[c + m - i];
      const double vi = static_cast<double>(S[c + m + i]) + S[c + 2 * m - i];
      D[c + m + i] = toFloat(vr * co + vi * si);
      D[c + m + h + i] = toFloat(vi * co - vr * si);
    }
  }
}

namespace {

void inverseEightPoint(float* D, const float* S, int32_t n) {
  for (int32_t c = 0; c < n; c += 8) {
    D[c] = toFloat(static_cast<double>(S[c]) + S[c + 4]);
    D[c + 4] = toFloat(static_cast<double>(S[c]) - S[c + 4]);
    D[c + 2] = toFloat(2.0 * S[c + 2]);
    D[c + 6] = toFloat(2.0 * S[c + 6]);
    D[c + 1] = toFloat(static_cast<double>(S[c + 1]) + S[c + 3]);
    D[c + 3] = toFloat(static_cast<double>(S[c + 5]) - S[c + 7]);
    const double vr = static_cast<double>(S[c + 1]) - S[c + 3];
    const double vi = static_cast<double>(S[c + 5]) + S[c + 7];
    D[c + 5] = toFloat((vr + vi) * kHalfSqrt2);
    D[c + 7] = toFloat((vi - vr) * kHalfSqrt2);
  }
}

void inverseFourPoint(float* out, const float* T, const int32_t* rev, int32_t n) {
  for (int32_t c = 0; c < n; c += 4) {
    const double b0 = static_cast<double>(T[c]) + T[c + 2];
    const double b2 = static_cast<double>(T[c]) - T[c + 2];
    const double b1 = 2.0 * T[c + 1];
    const double b3 = 2.0 * T[c + 3];
    out[rev[c]] = toFloat(b0 + b1);
    out[rev[c + 1]] = toFloat(b0 - b1);
    out[rev[c + 2]] = toFloat(b2 + b3);
    out[rev[c + 3]] = toFloat(b2 - b3);
  }
}

const float* subTable(const FourierTransform& tables, int32_t m) {
  return tables.quarterCosineTable().data() + (m / 2 - 4);
}

}  // namespace

void forward(const FourierTransform& tables, float* output, const float* input) {
  const int32_t n = tables.length();
  const int32_t bits = tables.bitCount();
  const float* x = input;
  if (bits == 0) {
    output[0] = x[0];
  } else if (bits == 1) {
    output[0] = toFloat(static_cast<double>(x[0]) + x[1]);
    output[1] = toFloat(static_cast<double>(x[0]) - x[1]);
  } else if (bits == 2) {
    output[1] = toFloat(static_cast<double>(x[0]) - x[2]);
    output[3] = toFloat(static_cast<double>(x[1]) - x[3]);
    const double a = static_cast<double>(x[0]) + x[2];
    const double b = static_cast<double>(x[1]) + x[3];
    output[0] = toFloat(a + b);
    output[2] = toFloat(a - b);
  } else {
    std::vector<float> scratch(static_cast<size_t>(n));
    float* dst = (bits & 1) ? scratch.data() : output;
    float* src = (bits & 1) ? output : scratch.data();
    forwardFourPoint(dst, input, tables.bitReversalTable().data(), n);
    std::swap(src, dst);
    forwardEightPoint(dst, src, n);
    for (int32_t p = 3; p < bits; ++p) {
      std::swap(src, dst);
      const int32_t m = int32_t{1} << p;
      forwardMerge(dst, src, subTable(tables, m), m, n);
    }
  }
}

void inverse(const FourierTransform& tables, const float* input, float* output) {
  const int32_t n = tables.length();
  const int32_t bits = tables.bitCount();
  const float* s = input;
  if (bits == 0) {
    output[0] = s[0];
  } else if (bits == 1) {
    output[0] = toFloat(static_cast<double>(s[0]) + s[1]);
    output[1] = toFloat(static_cast<double>(s[0]) - s[1]);
  } else if (bits == 2) {
    const double sum = static_cast<double>(s[0]) + s[2];
    const double difference = static_cast<double>(s[0]) - s[2];
    output[0] = toFloat(sum + 2.0 * s[1]);
    output[2] = toFloat(sum - 2.0 * s[1]);
    output[1] = toFloat(difference + 2.0 * s[3]);
    output[3] = toFloat(difference - 2.0 * s[3]);
  } else {
    std::vector<float> scratch(static_cast<size_t>(n));
    float* dst = (bits & 1) ? scratch.data() : output;
    float* spare = (bits & 1) ? output : scratch.data();
    const float* src = input;
    for (int32_t p = bits - 1; p >= 3; --p) {
      const int32_t m = int32_t{1} << p;
      inverseSplit(dst, src, subTable(tables, m), m, n);
      src = dst;
      std::swap(dst, spare);
    }
    inverseEightPoint(dst, src, n);
    inverseFourPoint(output, dst, tables.bitReversalTable().data(), n);
  }
}

}  // namespace brisko::reference
