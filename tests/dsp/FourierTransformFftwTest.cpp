// Independent check of the transform's values against FFTW's real transforms.
#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "TransformTestSignals.h"
#include "dsp/FourierTransform.h"

namespace brisko {
namespace {

constexpr double kFloatEpsilon = 1.0 / 16777216.0;  // 2^-24, half an ulp at 1

// FFTW single-precision r2c and c2r plans for one length, with their arrays.
class FftwPair {
 public:
  explicit FftwPair(int n)
      : n_(n),
        real_(fftwf_alloc_real(static_cast<size_t>(n))),
        complex_(fftwf_alloc_complex(static_cast<size_t>(n / 2 + 1))),
        forward_(fftwf_plan_dft_r2c_1d(n, real_, complex_, FFTW_ESTIMATE)),
        inverse_(fftwf_plan_dft_c2r_1d(n, complex_, real_, FFTW_ESTIMATE)) {}
  ~FftwPair() {
    fftwf_destroy_plan(inverse_);
    fftwf_destroy_plan(forward_);
    fftwf_free(complex_);
    fftwf_free(real_);
  }
  FftwPair(const FftwPair&) = delete;
  FftwPair& operator=(const FftwPair&) = delete;

  // r2c, repacked: Re X[k] for k = 0 .. N/2, then -Im X[k] for k = 1 .. N/2 - 1.
  std::vector<double> packedSpectrum(const std::vector<float>& signal) {
    for (int i = 0; i < n_; ++i) real_[i] = signal[i];
    fftwf_execute(forward_);
    std::vector<double> packed(static_cast<size_t>(n_));
    for (int k = 0; k <= n_ / 2; ++k) packed[k] = complex_[k][0];
    for (int k = 1; k < n_ / 2; ++k) packed[n_ / 2 + k] = -complex_[k][1];
    return packed;
  }

  // c2r of X[k] = s[k] - i s[N/2 + k], the DC and Nyquist bins real:
  // sum over all k of X[k] e^(2 pi i k n / N), which is the packed inverse.
  std::vector<double> signalOf(const std::vector<float>& packed) {
    for (int k = 0; k <= n_ / 2; ++k) {
      complex_[k][0] = packed[k];
      complex_[k][1] = (k == 0 || k == n_ / 2) ? 0.0f : -packed[n_ / 2 + k];
    }
    fftwf_execute(inverse_);
    return std::vector<double>(real_, real_ + n_);
  }

 private:
  int n_;
  float* real_;
  fftwf_complex* complex_;
  fftwf_plan forward_;
  fftwf_plan inverse_;
};

// Both results carry float rounding from log2 N butterfly stages. Per value
// the error of either is at most about log2(N) * 2^-24 * (sum of the absolute
// inputs, weighted as the transform weighs them); over the whole vector it
// grows like a random walk and stays below log2(N) * 2^-24 * ||result||.
void expectClose(const std::vector<float>& ours, const std::vector<double>& fftw, double weightedSum,
                 int n, const char* what) {
  const double stages = std::log2(static_cast<double>(n));
  const double perValue = 4.0 * stages * kFloatEpsilon * weightedSum;
  double errorSquares = 0.0, fftwSquares = 0.0;
  for (int i = 0; i < n; ++i) {
    const double error = ours[i] - fftw[i];
    ASSERT_LE(std::fabs(error), perValue) << what << ", N = " << n << ", index " << i;
    errorSquares += error * error;
    fftwSquares += fftw[i] * fftw[i];
  }
  EXPECT_LE(std::sqrt(errorSquares), stages * kFloatEpsilon * std::sqrt(fftwSquares)) << what << ", N = " << n;
}

TEST(FourierTransformFftw, ForwardMatchesRealToComplex) {
  testsignals::Lcg lcg(5);
  for (int n = 2; n <= 4096; n *= 2) {
    FourierTransform transform(n);
    FftwPair fftw(n);
    for (int round = 0; round < 10; ++round) {
      const auto signal = testsignals::unitSignal(static_cast<size_t>(n), lcg.next());
      std::vector<float> spectrum(static_cast<size_t>(n));
      transform.forward(spectrum.data(), signal.data());
      double absoluteSum = 0.0;
      for (float x : signal) absoluteSum += std::fabs(x);
      expectClose(spectrum, fftw.packedSpectrum(signal), absoluteSum, n, "forward");
    }
  }
}

TEST(FourierTransformFftw, InverseMatchesComplexToReal) {
  testsignals::Lcg lcg(6);
  for (int n = 2; n <= 4096; n *= 2) {
    FourierTransform transform(n);
    FftwPair fftw(n);
    for (int round = 0; round < 10; ++round) {
      const auto packed = testsignals::unitSignal(static_cast<size_t>(n), lcg.next());
      std::vector<float> signal(static_cast<size_t>(n));
      transform.inverse(packed.data(), signal.data());
      // DC and Nyquist count once, the other bins twice (their mirror images).
      double weightedSum = 0.0;
      for (int k = 0; k < n; ++k) weightedSum += (k == 0 || k == n / 2 ? 1.0 : 2.0) * std::fabs(packed[k]);
      expectClose(signal, fftw.signalOf(packed), weightedSum, n, "inverse");
    }
  }
}

}  // namespace
}  // namespace brisko
