// The built shared object in a process of its own that loads it and calls
// its entry once, while memory runs out at the k-th allocation of that
// process, for every k: objects built on first use (the editor's platform,
// its clock) are counted as well, which a process that has made an effect
// before would already have. Each k runs in a child forked before anything
// of the plug-in was loaded; the child must answer null or hand out an effect
// that works, and must not crash. Under AddressSanitizer LeakSanitizer checks
// each child at its exit.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "plugin/HostInterface.h"
#include "tests/effect/CountedAllocation.h"

namespace brisko {
namespace {

using testing::allocations;
using testing::failingAllocation;
using testing::liveBlocks;

using Entry = AEffect*(BRISKO_VSTCALL*)(HostCallback);

intptr_t BRISKO_VSTCALL quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// What a child reports back through memory it shares with the test.
struct ChildReport {
  long allocations;
  // Blocks still allocated after the effect was closed: what lives as long
  // as the process (and leaks, if any).
  long residue;
  bool madeEffect;
  bool effectWorked;
};

// Loads the plug-in, calls its entry with allocation `k` failing (0: none),
// uses and closes what it answered.
void runChild(long k, ChildReport& report) {
  const long liveBefore = liveBlocks.load();
  const long start = allocations.load();
  if (k > 0) failingAllocation.store(start + k);
  void* library = dlopen(BRISKO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!library) _exit(3);
  auto entry = reinterpret_cast<Entry>(dlsym(library, "main"));
  if (!entry) _exit(4);
  AEffect* effect = entry(&quietHost);
  failingAllocation.store(0);
  report.allocations = allocations.load() - start;
  report.madeEffect = effect != nullptr;
  if (effect) {
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    // All dry: the output must be the input.
    effect->setParameter(effect, 5, 0.0f);
    static float channels[4][512];
    for (int i = 0; i < 512; ++i) channels[0][i] = channels[1][i] = (i % 64) < 32 ? 0.5f : -0.5f;
    float* inputs[2] = {channels[0], channels[1]};
    float* outputs[2] = {channels[2], channels[3]};
    for (int block = 0; block < 4; ++block) effect->processReplacing(effect, inputs, outputs, 512);
    char name[64] = {};
    effect->dispatcher(effect, effGetParamName, 5, 0, name, 0.0f);
    report.effectWorked = effect->magic == kEffectMagic && effect->flags == 25 && std::strcmp(name, "Dry/Wet") == 0 &&
                          std::memcmp(channels[0], channels[2], sizeof channels[0]) == 0;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  report.residue = liveBlocks.load() - liveBefore;
}

// Forks a child for `k`; its exit status (-1 for a signal), report filled.
int inChild(long k, ChildReport& report) {
  auto* shared = static_cast<ChildReport*>(
      mmap(nullptr, sizeof(ChildReport), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  if (shared == MAP_FAILED) return -2;
  *shared = ChildReport{};
  const pid_t child = fork();
  if (child == 0) {
    alarm(60);  // a child that hangs ends by its signal
    runChild(k, *shared);
    std::exit(0);  // through exit, so LeakSanitizer looks at the child
  }
  int status = 0;
  const bool waited = child > 0 && waitpid(child, &status, 0) == child;
  report = *shared;
  munmap(shared, sizeof(ChildReport));
  if (!waited) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FirstMainAllocation, EveryFailingAllocationOfAFreshProcessGivesNullOrAWorkingEffect) {
  ChildReport normal{};
  ASSERT_EQ(inChild(0, normal), 0);
  ASSERT_TRUE(normal.madeEffect);
  ASSERT_TRUE(normal.effectWorked);
  ASSERT_GT(normal.allocations, 10);

  for (long k = 1; k <= normal.allocations; ++k) {
    ChildReport report{};
    const int status = inChild(k, report);
    EXPECT_EQ(status, 0) << "allocation " << k << " of " << normal.allocations
                         << (status == -1 ? ": the child died of a signal" : "");
    EXPECT_TRUE(report.effectWorked || !report.madeEffect) << "allocation " << k << ": the effect does not work";
    EXPECT_LE(report.residue, normal.residue) << "allocation " << k << ": blocks left behind";
  }
}

}  // namespace
}  // namespace brisko
