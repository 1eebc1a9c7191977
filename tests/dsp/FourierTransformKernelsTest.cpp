// The SIMD kernels of the transform, each checked on its own (whatever the
// dispatch picks on this CPU), whole and pass by pass against the reference.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "PlainPassBlocksOfEight.h"
#include "ReferenceTransform.h"
#include "TransformTestSignals.h"
#include "dsp/CpuFeatures.h"
#include "dsp/FourierTransform.h"
#include "dsp/DspKernels.h"
#include "dsp/FourierTransformKernels.h"

namespace brisko {
namespace {

using testsignals::Content;
using testsignals::Lcg;

struct Implementation {
  const char* name;
  const fourier::QuadKernels* kernels;
};

// The transform of every kernel set this CPU runs.
std::vector<Implementation> implementations() {
  std::vector<Implementation> list;
  for (int32_t set = 0; set < kKernelSetCount; ++set) {
    const DspKernels* kernels = dspKernels(static_cast<KernelSet>(set));
    if (kernels && kernels->transform) list.push_back({kernelSetName(static_cast<KernelSet>(set)), kernels->transform});
  }
  return list;
}

TEST(FourierTransformKernels, WholeTransformsMatchReference) {
  const auto all = implementations();
  if (all.empty()) GTEST_SKIP() << "no SIMD kernels on this target";
  for (const Implementation& implementation : all) {
    Lcg lcg(91);
    for (int32_t n = 64; n <= 65536; n *= 2) {
      FourierTransform transform(n);
      const fourier::PlanCopy plan(transform);
      std::vector<float> scratch(static_cast<size_t>(n));
      auto forward = [&](float* out, const float* in) {
        implementation.kernels->forward(plan.plan(), out, in, scratch.data());
      };
      auto inverse = [&](const float* in, float* out) {
        implementation.kernels->inverse(plan.plan(), in, out, scratch.data());
      };
      const int rounds = n <= 4096 ? 4 : 1;
      for (int round = 0; round < rounds; ++round) {
        for (Content content : {Content::kUnit, Content::kWideRange, Content::kSpread, Content::kDenormal,
                                Content::kSpecial, Content::kTones, Content::kSparse}) {
          const std::string what =
              std::string(implementation.name) + " content " + std::to_string(static_cast<int>(content));
          reference::expectSameBits(transform, forward, inverse,
                                    testsignals::contentSignal(static_cast<size_t>(n), content, lcg),
                                    what.c_str());
        }
      }
    }
  }
}

// Input of a forward merging pass with values of widely spread magnitudes, in
// which one output of every butterfly cancels: S[c+i] = +-(float)v, so
// S[c+i] + v or S[c+i] - v is about v's rounding error, and every rounding
// inside v shows in the result's bits. A changed order of double operations
// shows only on such inputs, which whole transforms rarely produce.
std::vector<float> cancellingMergeInput(int32_t n, int32_t m, fourier::Twiddles twiddles, Lcg& lcg) {
  std::vector<float> S(static_cast<size_t>(n));
  for (float& x : S) x = lcg.spread();
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    for (int32_t i = 1; i < h; ++i) {
      const double re = S[c + m + i], im = S[c + m + h + i];
      const double v = re * twiddles.cosines[i] - im * twiddles.sines[i];
      const double w = re * twiddles.sines[i] + im * twiddles.cosines[i];
      S[c + i] = static_cast<float>(lcg.coin() ? v : -v);
      S[c + h + i] = static_cast<float>(lcg.coin() ? w : -w);
    }
  }
  return S;
}

// Input of an inverse splitting pass, likewise: spread magnitudes, and one
// output of every butterfly cancels.
std::vector<float> cancellingSplitInput(int32_t n, int32_t m, fourier::Twiddles twiddles, Lcg& lcg) {
  std::vector<float> S(static_cast<size_t>(n));
  for (float& x : S) x = lcg.spread();
  const int32_t h = m / 2;
  for (int32_t c = 0; c < n; c += 2 * m) {
    for (int32_t i = 1; i < h; ++i) {
      const double co = twiddles.cosines[i], si = twiddles.sines[i];
      const double down = S[c + m - i];
      const double vi = static_cast<double>(S[c + m + i]) + S[c + 2 * m - i];
      S[c + i] = static_cast<float>(lcg.coin() ? down - vi * si / co : down + vi * co / si);
    }
  }
  return S;
}

// Pass p of a transform of length 2^(p+1) or more: its twiddles and table.
struct PassTables {
  explicit PassTables(int32_t p) : transform(int32_t{1} << (p + 1)), plan(transform), pass(p) {}
  fourier::Twiddles twiddles() const { return fourier::twiddlesOfPass(plan.plan(), pass); }
  const float* table() const {
    return transform.quarterCosineTable().data() + ((int32_t{1} << (pass - 1)) - 4);
  }
  FourierTransform transform;
  fourier::PlanCopy plan;
  int32_t pass;
};

// Lane arrays hold four transforms of a quarter length; lane t holds block
// {0, 2, 1, 3}[t] of the plain layout.
int32_t laneIndex(int32_t position, int32_t quarter) {
  constexpr int32_t kLaneOfBlock[4] = {0, 2, 1, 3};
  return 4 * (position % quarter) + kLaneOfBlock[position / quarter];
}

std::vector<float> toLanes(const std::vector<float>& plain) {
  const auto n = static_cast<int32_t>(plain.size());
  std::vector<float> lanes(plain.size());
  for (int32_t k = 0; k < n; ++k) lanes[laneIndex(k, n / 4)] = plain[k];
  return lanes;
}

using Craft = std::vector<float> (*)(int32_t, int32_t, fourier::Twiddles, Lcg&);
using ReferencePass = void (*)(float*, const float*, const float*, int32_t, int32_t);
using PlainPass = void (*)(float*, const float*, fourier::Twiddles, int32_t, int32_t);
using JoinPass = void (*)(float*, const float*, fourier::Twiddles, int32_t);

struct PassKind {
  const char* name;
  Craft craft;
  ReferencePass reference;
  PlainPass scalar;
  PlainPass fourier::QuadKernels::*plain;
  PlainPass fourier::QuadKernels::*lanes;
  JoinPass fourier::QuadKernels::*join;
  bool joinReadsLanes;  // forward: lanes in, plain out; inverse: plain in, lanes out
};

const PassKind kPassKinds[] = {
    {"forward merge", cancellingMergeInput, reference::forwardMerge,
     fourier::forwardMerge<fourier::ScalarLanes>, &fourier::QuadKernels::forwardMergePlain,
     &fourier::QuadKernels::forwardMergeLanes, &fourier::QuadKernels::forwardMergeFromLanes, true},
    {"inverse split", cancellingSplitInput, reference::inverseSplit,
     fourier::inverseSplit<fourier::ScalarLanes>, &fourier::QuadKernels::inverseSplitPlain,
     &fourier::QuadKernels::inverseSplitLanes, &fourier::QuadKernels::inverseSplitToLanes, false},
};

// A changed order shows in roughly one butterfly in 50 even so: many rounds.
constexpr int kRounds = 16;

TEST(FourierTransformKernels, ScalarPassesMatchReferenceOnCancellingInput) {
  for (const PassKind& kind : kPassKinds) {
    Lcg lcg(17);
    for (int32_t p = 3; p <= 7; ++p) {
      const PassTables tables(p);
      const int32_t n = 256, m = int32_t{1} << p;
      for (int round = 0; round < kRounds; ++round) {
        const auto S = kind.craft(n, m, tables.twiddles(), lcg);
        std::vector<float> actual(n), expected(n);
        kind.scalar(actual.data(), S.data(), tables.twiddles(), m, n);
        kind.reference(expected.data(), S.data(), tables.table(), m, n);
        EXPECT_TRUE(testsignals::sameBits(actual, expected)) << kind.name << ", m = " << m;
      }
    }
  }
}

TEST(FourierTransformKernels, PlainPassesMatchReferenceOnCancellingInput) {
  for (const Implementation& implementation : implementations()) {
    for (const PassKind& kind : kPassKinds) {
      Lcg lcg(18);
      for (int32_t n : {64, 256, 1024}) {
        for (int32_t m : {n / 2, n / 4}) {
          const int32_t p = std::countr_zero(static_cast<uint32_t>(m));
          const PassTables tables(p);
          for (int round = 0; round < kRounds; ++round) {
            const auto S = kind.craft(n, m, tables.twiddles(), lcg);
            std::vector<float> actual(n), expected(n);
            (implementation.kernels->*kind.plain)(actual.data(), S.data(), tables.twiddles(), m, n);
            kind.reference(expected.data(), S.data(), tables.table(), m, n);
            EXPECT_TRUE(testsignals::sameBits(actual, expected))
                << implementation.name << " " << kind.name << ", n = " << n << ", m = " << m;
          }
        }
      }
    }
  }
  // The same generic passes in blocks of eight, as the AVX-512 transform runs them.
  if (dspKernels(KernelSet::kAvx2)) {
    EXPECT_EQ(fourier::plainPassBlocksOfEightMismatch(), "");
  }
}

TEST(FourierTransformKernels, JoiningPassesMatchReferenceOnCancellingInput) {
  for (const Implementation& implementation : implementations()) {
    for (const PassKind& kind : kPassKinds) {
      Lcg lcg(19);
      for (int32_t n : {64, 256, 1024}) {
        const int32_t m = n / 4;
        const PassTables tables(std::countr_zero(static_cast<uint32_t>(m)));
        for (int round = 0; round < kRounds; ++round) {
          const auto S = kind.craft(n, m, tables.twiddles(), lcg);
          std::vector<float> actual(n), expected(n);
          kind.reference(expected.data(), S.data(), tables.table(), m, n);
          if (kind.joinReadsLanes) {
            (implementation.kernels->*kind.join)(actual.data(), toLanes(S).data(), tables.twiddles(), n);
          } else {
            expected = toLanes(expected);
            (implementation.kernels->*kind.join)(actual.data(), S.data(), tables.twiddles(), n);
          }
          EXPECT_TRUE(testsignals::sameBits(actual, expected))
              << implementation.name << " " << kind.name << ", n = " << n;
        }
      }
    }
  }
}

TEST(FourierTransformKernels, LanePassesMatchReferenceOnCancellingInput) {
  constexpr int32_t kCount = 64;  // positions per lane
  for (const Implementation& implementation : implementations()) {
    for (const PassKind& kind : kPassKinds) {
      Lcg lcg(20);
      for (int32_t p = 3; p <= 5; ++p) {
        const PassTables tables(p);
        const int32_t m = int32_t{1} << p;
        for (int round = 0; round < kRounds; ++round) {
          std::vector<float> lanes(4 * kCount), expected(4 * kCount), actual(4 * kCount);
          for (int32_t t = 0; t < 4; ++t) {
            const auto S = kind.craft(kCount, m, tables.twiddles(), lcg);
            std::vector<float> D(kCount);
            kind.reference(D.data(), S.data(), tables.table(), m, kCount);
            for (int32_t j = 0; j < kCount; ++j) {
              lanes[4 * j + t] = S[j];
              expected[4 * j + t] = D[j];
            }
          }
          (implementation.kernels->*kind.lanes)(actual.data(), lanes.data(), tables.twiddles(), m, kCount);
          EXPECT_TRUE(testsignals::sameBits(actual, expected))
              << implementation.name << " " << kind.name << ", m = " << m;
        }
      }
    }
  }
}

// The dispatch's own CPUID and XCR0 reading against the compiler's: a wrong
// bit would leave a build on SSE2 (or worse, run AVX2 or AVX-512 where it
// faults).
TEST(FourierTransformKernels, DispatchFindsAvx2AndAvx512WhereTheCpuRunsThem) {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_cpu_init();
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  EXPECT_EQ(cpuRunsAvx2(), avx2);
  const bool slowedBy512Bits = __builtin_cpu_is("skylake-avx512") || __builtin_cpu_is("cascadelake") ||
                               __builtin_cpu_is("cooperlake") || __builtin_cpu_is("cannonlake") ||
                               __builtin_cpu_is("knl") || __builtin_cpu_is("knm");
  EXPECT_EQ(cpuRunsAvx512(), avx2 && __builtin_cpu_supports("avx512f") && !slowedBy512Bits);
#else
  EXPECT_FALSE(cpuRunsAvx2());
  EXPECT_FALSE(cpuRunsAvx512());
#endif
  // A set's table is there exactly where it runs, and a process without a
  // pinned set runs the best one.
  EXPECT_NE(dspKernels(KernelSet::kSse2), nullptr);
  EXPECT_EQ(dspKernels(KernelSet::kAvx2) != nullptr, cpuRunsAvx2());
  EXPECT_EQ(dspKernels(KernelSet::kAvx512) != nullptr, cpuRunsAvx512());
  EXPECT_EQ(activeKernelSet(), cpuRunsAvx512() ? KernelSet::kAvx512
                               : cpuRunsAvx2() ? KernelSet::kAvx2
                                               : KernelSet::kSse2);
  EXPECT_EQ(&activeDspKernels(), dspKernels(activeKernelSet()));
}

}  // namespace
}  // namespace brisko
