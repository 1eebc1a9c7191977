#pragma once

#include <string>

namespace brisko::fourier {

// The generic plain-layout passes in blocks of eight (two AVX2 quads) against
// the AVX2 kernels' blocks of four: empty when every bit agrees, else where
// they first differ. Only where the CPU runs AVX2; empty where not built for it.
std::string plainPassBlocksOfEightMismatch();

}  // namespace brisko::fourier
