// Runs each kernel set's 256-point forward and inverse transform a fixed
// number of times, so that an instruction counter (valgrind callgrind, see
// count-instructions.sh) gives exact instructions per call. Prints a hash of
// the last output, which every kernel set must share.
//
// Usage: transform_count sse2|avx2|avx512 [CALLS]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/FourierTransform.h"
#include "dsp/DspKernels.h"
#include "dsp/FourierTransformKernels.h"

int main(int argc, char** argv) {
  namespace fourier = brisko::fourier;
  const std::string set = argc > 1 ? argv[1] : "";
  const fourier::QuadKernels* kernels = nullptr;
  for (int32_t index = 0; index < brisko::kKernelSetCount; ++index) {
    const auto candidate = static_cast<brisko::KernelSet>(index);
    const brisko::DspKernels* table = brisko::dspKernels(candidate);
    if (table && set == brisko::kernelSetName(candidate)) kernels = table->transform;
  }
  if (!kernels) {
    std::fprintf(stderr, "usage: transform_count sse2|avx2|avx512 [CALLS] (each needs a CPU that runs it)\n");
    return 2;
  }
  const int calls = argc > 2 ? std::atoi(argv[2]) : 10000;
  brisko::FourierTransform transform(256);
  const fourier::PlanCopy plan(transform);
  std::vector<float> signal(256), spectrum(256), output(256), scratch(256);
  for (int i = 0; i < 256; ++i) signal[i] = static_cast<float>((i * 7919) % 256) / 128.0f - 1.0f;
  for (int call = 0; call < calls; ++call) {
    kernels->forward(plan.plan(), spectrum.data(), signal.data(), scratch.data());
    kernels->inverse(plan.plan(), spectrum.data(), output.data(), scratch.data());
  }
  uint32_t hash = 0;
  for (float value : output) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    hash = hash * 31 + bits;
  }
  std::printf("%08x\n", hash);
  return 0;
}
