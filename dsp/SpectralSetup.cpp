#include "dsp/SpectralSetup.h"

#include <cmath>

#include "dsp/Pi.h"
#include "dsp/PortableMath.h"

namespace brisko {
namespace {

inline float toFloat(double value) { return static_cast<float>(value); }

// Nearest power of two on a logarithmic scale; 0 for values it cannot round
// (zero, negative, or beyond 2^30).
int32_t roundToPowerOfTwo(int32_t requested) {
  if (requested <= 0) return 0;
  const double bits = std::floor(pmath::log(static_cast<double>(requested)) / pmath::log(2.0) + 0.5);
  if (bits > 30.0) return 0;
  return int32_t{1} << static_cast<int32_t>(bits);
}

double cosineTerm(int32_t i, double k, int32_t n) { return pmath::cos((i * kPi) * k / (n - 1)); }

}  // namespace

double besselI0(double x) {
  const double ax = std::fabs(x);
  if (ax < 3.75) {
    double y = x * 0.26666666666666666;
    y *= y;
    return 1.0 + y * (3.5156229 + y * (3.0899424 + y * (1.2067492 + y * (0.2659732 + y * (0.0360768 + y * 0.0045813)))));
  }
  const double y = 3.75 / ax;
  return (pmath::exp(ax) / std::sqrt(ax)) *
         (0.39894228 + y * (0.01328592 + y * (0.00225319 + y * (-0.00157565 + y * (0.00916281 + y * (-0.02057706 + y * (0.02635537 + y * (-0.01647633 + y * 0.00392377))))))));
}

void SpectralSetup::clear() {
  analysisWindow_ = {};
  windowedFrame_ = {};
  synthesisWindow_ = {};
  transform_.reset();
  ready_ = false;
}

bool SpectralSetup::configure(int32_t requestedSize, int32_t requestedOverlap, int32_t windowType,
                              float synthesisExponent) {
  const int32_t size = roundToPowerOfTwo(requestedSize);
  const int32_t overlap = roundToPowerOfTwo(requestedOverlap);
  if (size < kMinFrameSize || size > kMaxFrameSize || overlap < 1 || overlap > size) return false;

  frameSize_ = size;
  overlap_ = overlap;
  analysisWindow_.resize(static_cast<size_t>(size));
  windowedFrame_.resize(static_cast<size_t>(size));
  synthesisWindow_.resize(static_cast<size_t>(size));
  transform_.reset();
  transform_ = std::make_unique<FourierTransform>(size);
  windowType_ = windowType;
  synthesisExponent_ = synthesisExponent;
  buildAnalysisWindow();
  buildSynthesisWindow();
  ready_ = true;
  return true;
}

void SpectralSetup::buildAnalysisWindow() {
  const int32_t n = frameSize_;
  const int32_t half = n / 2;
  float* window = analysisWindow_.data();
  switch (static_cast<WindowType>(windowType_)) {
    case WindowType::Hamming:
      for (int32_t i = 0; i < n; ++i) window[i] = toFloat(0.54 - 0.46 * cosineTerm(i, 2.0, n));
      break;
    case WindowType::Hann:
      for (int32_t i = 0; i < n; ++i) window[i] = toFloat(0.5 - 0.5 * cosineTerm(i, 2.0, n));
      break;
    case WindowType::Triangular:
      for (int32_t i = 0; i < n; ++i) {
        const double ramp = static_cast<double>(2 * i) / (n - 1);
        window[i] = toFloat(i < half ? ramp : 2.0 - ramp);
      }
      break;
    case WindowType::BlackmanHarris3:
      for (int32_t i = 0; i < n; ++i)
        window[i] = toFloat(0.42323 - 0.49755 * cosineTerm(i, 2.0, n) + 0.07922 * cosineTerm(i, 4.0, n));
      break;
    case WindowType::BlackmanHarris4:
      for (int32_t i = 0; i < n; ++i)
        window[i] = toFloat(0.35875 - 0.48829 * cosineTerm(i, 2.0, n) + 0.14128 * cosineTerm(i, 4.0, n) -
                            0.01168 * cosineTerm(i, 6.0, n));
      break;
    case WindowType::Gaussian:
      for (int32_t i = 0; i < n; ++i) {
        const double u = (i - half) * 3.5 / half;
        window[i] = toFloat(pmath::exp(-0.5 * (u * u)));
      }
      break;
    case WindowType::Kaiser: {
      const double divisor = besselI0(3.5);
      for (int32_t i = 0; i < n; ++i) {
        const double u = (i - (n - 1) * 0.5) / (n - 1) * 2;
        window[i] = toFloat(besselI0(3.5 * std::sqrt(1 - u * u)) / divisor);
      }
      break;
    }
    default:
      for (int32_t i = 0; i < n; ++i) window[i] = 1.0f;
      break;
  }
}

void SpectralSetup::buildSynthesisWindow() {
  const int32_t n = frameSize_;
  const int32_t half = n / 2;
  synthesisWindow_.resize(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    // Divide the analysis window back out; values below 1/N are clamped so
    // the compensation stays bounded.
    float value = 1.0f;
    if (synthesisExponent_ > 0.0f) {
      const double base = 1.0 / n;
      const double analysis = analysisWindow_[i];
      value = toFloat(pmath::pow(analysis < base ? base : analysis, -static_cast<double>(synthesisExponent_)));
    }
    // Triangular weight: copies one hop apart sum to 1.
    if (overlap_ >= 2) {
      double t = static_cast<double>(i) / n;
      if (i >= half) t = 1 - t;
      value = toFloat(((t * 4.0) / overlap_) * value);
    }
    synthesisWindow_[i] = value;
  }
}

}  // namespace brisko
