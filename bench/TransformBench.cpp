// Speed of the 256-point real transform against FFTW and KissFFT. Each pair is
// one forward and one inverse transform, unscaled, of a fixed signal.
#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fftr.h>

#include <cstdint>
#include <vector>

#include "dsp/FourierTransform.h"
#include "dsp/DspKernels.h"
#include "dsp/FourierTransformKernels.h"

namespace {

constexpr int kLength = 256;

std::vector<float> testSignal() {
  std::vector<float> signal(kLength);
  uint32_t state = 12345;
  for (float& x : signal) {
    state = state * 1664525u + 1013904223u;
    x = static_cast<float>(static_cast<int32_t>(state >> 8) - (1 << 23)) / 8388608.0f;
  }
  return signal;
}

// Through the class, with the process's kernel set.
void BM_Brisko_Pair(benchmark::State& state) {
  brisko::FourierTransform transform(kLength);
  const auto signal = testSignal();
  std::vector<float> spectrum(kLength), output(kLength);
  for (auto _ : state) {
    transform.forward(spectrum.data(), signal.data());
    transform.inverse(spectrum.data(), output.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
}

enum Direction { kPair, kForward, kInverse };

// One kernel set called directly: SSE2 (the shipped baseline) or AVX2.
// The transform of a kernel set, or null where the CPU does not run it.
const brisko::fourier::QuadKernels* transformOf(brisko::KernelSet set) {
  const brisko::DspKernels* kernels = brisko::dspKernels(set);
  return kernels ? kernels->transform : nullptr;
}

void BM_Brisko(benchmark::State& state, const brisko::fourier::QuadKernels* kernels, Direction direction) {
  if (!kernels) {
    state.SkipWithError("not available on this CPU");
    return;
  }
  brisko::FourierTransform transform(kLength);
  const brisko::fourier::PlanCopy copy(transform);
  const auto& plan = copy.plan();
  const auto signal = testSignal();
  std::vector<float> spectrum(testSignal()), output(kLength), scratch(kLength);
  for (auto _ : state) {
    if (direction != kInverse) kernels->forward(plan, spectrum.data(), signal.data(), scratch.data());
    if (direction != kForward) kernels->inverse(plan, spectrum.data(), output.data(), scratch.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::DoNotOptimize(spectrum.data());
    benchmark::ClobberMemory();
  }
}

// FFTW r2c then c2r, planned with FFTW_MEASURE, in the precision `Real`
// names: single, or double (the fair reference for a transform whose
// intermediates are doubles).
template <typename Real>
struct Fftw;

template <>
struct Fftw<float> {
  using Complex = fftwf_complex;
  using Plan = fftwf_plan;
  static float* allocReal(size_t n) { return fftwf_alloc_real(n); }
  static Complex* allocComplex(size_t n) { return fftwf_alloc_complex(n); }
  static Plan forward(float* in, Complex* out) { return fftwf_plan_dft_r2c_1d(kLength, in, out, FFTW_MEASURE); }
  static Plan inverse(Complex* in, float* out) { return fftwf_plan_dft_c2r_1d(kLength, in, out, FFTW_MEASURE); }
  static void execute(Plan plan) { fftwf_execute(plan); }
  static void destroy(Plan plan) { fftwf_destroy_plan(plan); }
  static void release(void* p) { fftwf_free(p); }
};

template <>
struct Fftw<double> {
  using Complex = fftw_complex;
  using Plan = fftw_plan;
  static double* allocReal(size_t n) { return fftw_alloc_real(n); }
  static Complex* allocComplex(size_t n) { return fftw_alloc_complex(n); }
  static Plan forward(double* in, Complex* out) { return fftw_plan_dft_r2c_1d(kLength, in, out, FFTW_MEASURE); }
  static Plan inverse(Complex* in, double* out) { return fftw_plan_dft_c2r_1d(kLength, in, out, FFTW_MEASURE); }
  static void execute(Plan plan) { fftw_execute(plan); }
  static void destroy(Plan plan) { fftw_destroy_plan(plan); }
  static void release(void* p) { fftw_free(p); }
};

template <typename Real>
void BM_Fftw_Pair(benchmark::State& state) {
  using F = Fftw<Real>;
  Real* signal = F::allocReal(kLength);
  Real* output = F::allocReal(kLength);
  typename F::Complex* spectrum = F::allocComplex(kLength / 2 + 1);
  const typename F::Plan forward = F::forward(signal, spectrum);
  // c2r may overwrite the spectrum, which the next r2c computes afresh anyway.
  const typename F::Plan inverse = F::inverse(spectrum, output);
  const auto initial = testSignal();
  for (int i = 0; i < kLength; ++i) signal[i] = initial[i];
  for (auto _ : state) {
    F::execute(forward);
    F::execute(inverse);
    benchmark::DoNotOptimize(output);
    benchmark::ClobberMemory();
  }
  F::destroy(inverse);
  F::destroy(forward);
  F::release(spectrum);
  F::release(output);
  F::release(signal);
}

void BM_KissFft_Pair(benchmark::State& state) {
  kiss_fftr_cfg forward = kiss_fftr_alloc(kLength, 0, nullptr, nullptr);
  kiss_fftr_cfg inverse = kiss_fftr_alloc(kLength, 1, nullptr, nullptr);
  const auto signal = testSignal();
  std::vector<kiss_fft_cpx> spectrum(kLength / 2 + 1);
  std::vector<float> output(kLength);
  for (auto _ : state) {
    kiss_fftr(forward, signal.data(), spectrum.data());
    kiss_fftri(inverse, spectrum.data(), output.data());
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  kiss_fftr_free(inverse);
  kiss_fftr_free(forward);
}

#if defined(__x86_64__)
// How fast the CPU issues SSE2 conversions between float and double and
// double sums, independent of each other (they share the floating-point add
// pipes); items are instructions, 16 an iteration. With the SSE2 transform's
// count of them (add-pipe-floor.sh) this gives the time they alone take.
void BM_AddPipeThroughput(benchmark::State& state) {
  for (auto _ : state) {
    asm volatile(
        "cvtps2pd %%xmm0, %%xmm8\n\tcvtpd2ps %%xmm1, %%xmm9\n\taddpd %%xmm0, %%xmm10\n\tsubpd %%xmm1, %%xmm11\n\t"
        "cvtps2pd %%xmm2, %%xmm12\n\tcvtpd2ps %%xmm3, %%xmm13\n\taddpd %%xmm2, %%xmm14\n\tsubpd %%xmm3, %%xmm15\n\t"
        "cvtps2pd %%xmm4, %%xmm8\n\tcvtpd2ps %%xmm5, %%xmm9\n\taddpd %%xmm4, %%xmm10\n\tsubpd %%xmm5, %%xmm11\n\t"
        "cvtps2pd %%xmm6, %%xmm12\n\tcvtpd2ps %%xmm7, %%xmm13\n\taddpd %%xmm6, %%xmm14\n\tsubpd %%xmm7, %%xmm15"
        :
        :
        : "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
  }
  state.SetItemsProcessed(16 * state.iterations());
}
#endif

}  // namespace

BENCHMARK(BM_Brisko_Pair);
BENCHMARK_CAPTURE(BM_Brisko, Sse2_Pair, transformOf(brisko::KernelSet::kSse2), kPair);
BENCHMARK_CAPTURE(BM_Brisko, Sse2_Forward, transformOf(brisko::KernelSet::kSse2), kForward);
BENCHMARK_CAPTURE(BM_Brisko, Sse2_Inverse, transformOf(brisko::KernelSet::kSse2), kInverse);
BENCHMARK_CAPTURE(BM_Brisko, Avx2_Pair, transformOf(brisko::KernelSet::kAvx2), kPair);
BENCHMARK_CAPTURE(BM_Brisko, Avx2_Forward, transformOf(brisko::KernelSet::kAvx2), kForward);
BENCHMARK_CAPTURE(BM_Brisko, Avx2_Inverse, transformOf(brisko::KernelSet::kAvx2), kInverse);
BENCHMARK_CAPTURE(BM_Brisko, Avx512_Pair, transformOf(brisko::KernelSet::kAvx512), kPair);
BENCHMARK_CAPTURE(BM_Brisko, Avx512_Forward, transformOf(brisko::KernelSet::kAvx512), kForward);
BENCHMARK_CAPTURE(BM_Brisko, Avx512_Inverse, transformOf(brisko::KernelSet::kAvx512), kInverse);
BENCHMARK(BM_Fftw_Pair<float>)->Name("BM_Fftw_Pair/float");
BENCHMARK(BM_Fftw_Pair<double>)->Name("BM_Fftw_Pair/double");
BENCHMARK(BM_KissFft_Pair);
#if defined(__x86_64__)
BENCHMARK(BM_AddPipeThroughput);
#endif
