// Compiled with -mavx2 -mfma (and nothing else from this file may run before
// the CPU check): the same passes as the SSE2 ones, four doubles per register.
#include "dsp/FourierTransformKernels.h"

#if defined(__AVX2__)

#include "dsp/FourierTransformAvx2Wide.h"
#include "dsp/FourierTransformQuad.h"

namespace brisko::fourier {

const QuadKernels* avx2KernelsUnchecked() { return &kQuadKernels<Avx2Wide>; }

}  // namespace brisko::fourier

#endif
