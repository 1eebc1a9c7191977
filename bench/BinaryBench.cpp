// Speed of a built plug-in binary, loaded through its exported entry as a host
// loads it: stereo processReplacing in blocks of 512 (or B) at 44.1 kHz over 60 s of
// noise, reported as real-time factors: seconds of audio per second of the
// thread's CPU time (what the machine's other load changes least) and per
// second of wall time. A plain program rather than a Google Benchmark one, so the same
// source runs as a Linux program and as a Windows program under Wine.
//
// Usage: binary_bench PLUGIN [--seconds S] [--repetitions R] [--instances N] [--block B]
//                     [--case heavy|defaults|many|lv2]   (default: all)
//                     [--lv2 DSP.so]   (Linux: the LV2 plug-in's DSP binary)
//
// Cases, in one run: the heavy parameter set, the defaults, and N instances
// of the heavy set driven round-robin one block each (one audio thread
// running many instances), against one instance alone measured next to it.
// Each line reports the CPU-time factor over all R repetitions (Wine counts
// thread time in 10 ms ticks, so it is summed rather than taken per run) and
// the median and best wall-time factor of the repetitions, each on fresh
// instances; "bits" is a hash of one instance's output (an extra, untimed
// run), equal on every target that computes the same bits. With --lv2 the
// LV2 binary runs the heavy set too, its repetitions alternating with the
// VST 2 plug-in's, and the line after them gives LV2 / VST 2.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/PluginLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <time.h>
#endif

namespace {

using brisko::AEffect;

constexpr int32_t kRate = 44100;
// Samples per processing call: set once from --block, before any instance exists.
int32_t blockLength = 512;
constexpr int32_t kParameterCount = 6;
constexpr float kHeavy[kParameterCount] = {0.031f, 0.7f, 0.3f, 0.6f, 0.45f, 0.8f};

intptr_t BRISKO_VSTCALL quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == brisko::audioMasterVersion ? 2400 : 0;
}

struct Options {
  std::string plugin;
  int32_t seconds = 60;
  int32_t repetitions = 5;
  int32_t instances = 32;
  bool hashOutput = true;
  std::string only;  // one case, or empty for all
  std::string lv2;   // the LV2 DSP binary, or empty
  bool runs(const char* name) const { return only.empty() || only == name; }
};

struct Noise {
  explicit Noise(size_t frames) {
    uint32_t state = 3;
    for (auto& channel : samples) {
      channel.resize(frames);
      for (float& x : channel) {
        state = state * 1664525u + 1013904223u;
        x = 0.5f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
      }
    }
  }
  std::vector<float> samples[2];
};

// FNV-1a over the output bits.
struct BitHash {
  uint64_t value = 1469598103934665603ull;
  void add(const float* data, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
      uint32_t bits;
      std::memcpy(&bits, data + i, sizeof bits);
      for (int byte = 0; byte < 4; ++byte) {
        value = (value ^ ((bits >> (8 * byte)) & 0xFF)) * 1099511628211ull;
      }
    }
  }
};

class Instance {
 public:
  Instance(brisko::host::PluginEntry entry, const float* parameters) : effect_(entry(&quietHost)) {
    if (!effect_) {
      std::fprintf(stderr, "binary_bench: the entry answered no effect\n");
      std::exit(1);
    }
    if (parameters) {
      for (int32_t i = 0; i < kParameterCount; ++i) effect_->setParameter(effect_, i, parameters[i]);
    }
    effect_->dispatcher(effect_, brisko::effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    effect_->dispatcher(effect_, brisko::effSetBlockSize, 0, blockLength, nullptr, 0.0f);
    effect_->dispatcher(effect_, brisko::effMainsChanged, 0, 1, nullptr, 0.0f);
    for (auto& channel : output_) channel.resize(blockLength);
  }
  ~Instance() { effect_->dispatcher(effect_, brisko::effClose, 0, 0, nullptr, 0.0f); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  void processBlock(const Noise& noise, size_t at, BitHash* hash) {
    float* inputs[2] = {const_cast<float*>(noise.samples[0].data() + at), const_cast<float*>(noise.samples[1].data() + at)};
    float* outputs[2] = {output_[0].data(), output_[1].data()};
    effect_->processReplacing(effect_, inputs, outputs, blockLength);
    if (hash) {
      hash->add(outputs[0], blockLength);
      hash->add(outputs[1], blockLength);
    }
  }

 private:
  AEffect* effect_;
  std::vector<float> output_[2];
};

#if !defined(_WIN32)
// The LV2 plug-in's descriptor from its DSP binary, which stays loaded.
const LV2_Descriptor* loadLv2(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto entry = module ? reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor")) : nullptr;
  return entry ? entry(0) : nullptr;
}

// The same work through the LV2 binary: the six control ports hold the
// values, the audio ports point into the noise, run() takes each block.
class Lv2Instance {
 public:
  Lv2Instance(const LV2_Descriptor* descriptor, const float* parameters) : plugin_(descriptor) {
    handle_ = plugin_->instantiate(plugin_, kRate, "", nullptr);
    if (!handle_) {
      std::fprintf(stderr, "binary_bench: the LV2 plug-in was not instantiated\n");
      std::exit(1);
    }
    const float defaults[kParameterCount] = {0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 1.0f};
    std::memcpy(controls_, parameters ? parameters : defaults, sizeof controls_);
    for (uint32_t p = 0; p < kParameterCount; ++p) plugin_->connect_port(handle_, p, &controls_[p]);
    for (auto& channel : output_) channel.resize(blockLength);
    plugin_->connect_port(handle_, 8, output_[0].data());
    plugin_->connect_port(handle_, 9, output_[1].data());
    plugin_->activate(handle_);
  }
  ~Lv2Instance() {
    plugin_->deactivate(handle_);
    plugin_->cleanup(handle_);
  }
  Lv2Instance(const Lv2Instance&) = delete;
  Lv2Instance& operator=(const Lv2Instance&) = delete;

  void processBlock(const Noise& noise, size_t at, BitHash* hash) {
    plugin_->connect_port(handle_, 6, const_cast<float*>(noise.samples[0].data() + at));
    plugin_->connect_port(handle_, 7, const_cast<float*>(noise.samples[1].data() + at));
    plugin_->run(handle_, blockLength);
    if (hash) {
      hash->add(output_[0].data(), blockLength);
      hash->add(output_[1].data(), blockLength);
    }
  }

 private:
  const LV2_Descriptor* plugin_;
  LV2_Handle handle_ = nullptr;
  float controls_[kParameterCount];
  std::vector<float> output_[2];
};
#endif

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU time of the calling thread.
double threadSeconds() {
#if defined(_WIN32)
  FILETIME creation, exit, kernel, user;
  GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#else
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

struct Result {
  std::vector<double> factors;  // wall-time real-time factor per instance, one per repetition
  double audioSeconds = 0.0;    // per instance, all repetitions
  double cpuSeconds = 0.0;      // all repetitions
  uint64_t bits = 0;
  double cpuFactor() const { return audioSeconds / cpuSeconds; }
  double median() const {
    std::vector<double> sorted = factors;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
  }
  double best() const { return *std::max_element(factors.begin(), factors.end()); }
};

// The output bits of one fresh instance over the whole noise, untimed.
template <class Effect = Instance, class Source>
uint64_t outputBits(Source entry, const float* parameters, const Noise& noise) {
  Effect effect(entry, parameters);
  BitHash hash;
  for (size_t at = 0; at + blockLength <= noise.samples[0].size(); at += blockLength) effect.processBlock(noise, at, &hash);
  return hash.value;
}

// `instances` fresh effects, each taking every block of the noise, one block
// per instance in turn.
template <class Effect = Instance, class Source>
Result run(Source entry, const float* parameters, int32_t instances, const Noise& noise, const Options& options) {
  const size_t blocks = noise.samples[0].size() / blockLength;
  const double audioSeconds = static_cast<double>(blocks * blockLength) / kRate;
  Result result;
  for (int32_t r = 0; r < options.repetitions; ++r) {
    std::vector<Effect*> effects;
    for (int32_t i = 0; i < instances; ++i) effects.push_back(new Effect(entry, parameters));
    const double cpuStart = threadSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (size_t b = 0; b < blocks; ++b) {
      for (int32_t i = 0; i < instances; ++i) effects[i]->processBlock(noise, b * blockLength, nullptr);
    }
    const double elapsed = secondsSince(start);
    result.cpuSeconds += threadSeconds() - cpuStart;
    result.audioSeconds += audioSeconds;
    for (Effect* effect : effects) delete effect;
    result.factors.push_back(audioSeconds * instances / elapsed);
  }
  if (options.hashOutput) result.bits = outputBits<Effect>(entry, parameters, noise);
  return result;
}

// Per instance: with N instances each of them got audioSeconds of audio.
void report(const char* name, const Result& result, int32_t instances) {
  std::printf("%-36s %8.0fx %8.0fx %8.0fx  %016llx\n", name, result.cpuFactor() * instances, result.median(),
              result.best(), static_cast<unsigned long long>(result.bits));
  std::fflush(stdout);
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--seconds" && hasValue) {
      options.seconds = std::atoi(argv[++i]);
    } else if (arg == "--repetitions" && hasValue) {
      options.repetitions = std::atoi(argv[++i]);
    } else if (arg == "--instances" && hasValue) {
      options.instances = std::atoi(argv[++i]);
    } else if (arg == "--lv2" && hasValue) {
      options.lv2 = argv[++i];
    } else if (arg == "--block" && hasValue) {
      blockLength = std::atoi(argv[++i]);
    } else if (arg == "--case" && hasValue) {
      options.only = argv[++i];
    } else if (options.plugin.empty() && arg.rfind("--", 0) != 0) {
      options.plugin = arg;
    } else {
      return false;
    }
  }
  const bool knownCase = options.runs("heavy") || options.runs("defaults") || options.runs("many") ||
                         options.runs("lv2");
  return !options.plugin.empty() && options.seconds > 0 && options.repetitions > 0 && options.instances > 0 &&
         blockLength > 0 && blockLength <= 8192 && knownCase;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: binary_bench PLUGIN [--seconds S] [--repetitions R] [--instances N] [--block B] "
                 "[--case heavy|defaults|many|lv2] [--lv2 DSP.so]\n");
    return 2;
  }
  brisko::host::PluginLibrary library;
  if (!library.open(options.plugin)) {
    std::fprintf(stderr, "binary_bench: %s\n", library.error().c_str());
    return 1;
  }
  const Noise noise(static_cast<size_t>(options.seconds) * kRate);
  std::printf("%s (%d-bit), %d s of stereo noise, blocks of %d, median and best of %d\n", options.plugin.c_str(),
              static_cast<int>(sizeof(void*) * 8), options.seconds, blockLength, options.repetitions);
  std::printf("%-36s %9s %9s %9s  %s\n", "case (real-time factor)", "CPU time", "wall med", "wall best", "bits");
  if (options.runs("heavy")) report("heavy (0.031 0.7 0.3 0.6 0.45 0.8)", run(library.entry(), kHeavy, 1, noise, options), 1);
  if (options.runs("defaults")) report("defaults", run(library.entry(), nullptr, 1, noise, options), 1);
  if (options.instances > 1 && options.runs("many")) {
    // Interleaved with the many-instance runs, so both see the same machine load.
    Options single = options;
    single.repetitions = 1;
    single.hashOutput = false;
    Result alone, many;
    alone.bits = many.bits = outputBits(library.entry(), kHeavy, noise);
    for (int32_t r = 0; r < options.repetitions; ++r) {
      const Result a = run(library.entry(), kHeavy, 1, noise, single);
      const Result m = run(library.entry(), kHeavy, options.instances, noise, single);
      for (auto [into, from] : {std::pair{&alone, &a}, std::pair{&many, &m}}) {
        into->factors.push_back(from->factors[0]);
        into->audioSeconds += from->audioSeconds;
        into->cpuSeconds += from->cpuSeconds;
      }
    }
    report("heavy, one instance alone", alone, 1);
    const std::string name = "heavy, per instance of " + std::to_string(options.instances);
    report(name.c_str(), many, options.instances);
    std::printf("%-36s %8.2f  %8.2f  %8.2f\n", "per instance / alone", many.cpuFactor() * options.instances / alone.cpuFactor(),
                many.median() / alone.median(), many.best() / alone.best());
  }
#if !defined(_WIN32)
  if (!options.lv2.empty() && options.runs("lv2")) {
    const LV2_Descriptor* descriptor = loadLv2(options.lv2);
    if (!descriptor) {
      std::fprintf(stderr, "binary_bench: no LV2 plug-in in %s\n", options.lv2.c_str());
      return 1;
    }
    // Alternating repetitions, so both binaries see the same machine load.
    Options single = options;
    single.repetitions = 1;
    single.hashOutput = false;
    Result vst, lv2;
    vst.bits = outputBits(library.entry(), kHeavy, noise);
    lv2.bits = outputBits<Lv2Instance>(descriptor, kHeavy, noise);
    for (int32_t r = 0; r < options.repetitions; ++r) {
      const Result v = run(library.entry(), kHeavy, 1, noise, single);
      const Result l = run<Lv2Instance>(descriptor, kHeavy, 1, noise, single);
      for (auto [into, from] : {std::pair{&vst, &v}, std::pair{&lv2, &l}}) {
        into->factors.push_back(from->factors[0]);
        into->audioSeconds += from->audioSeconds;
        into->cpuSeconds += from->cpuSeconds;
      }
    }
    report("heavy, VST 2 (beside LV2)", vst, 1);
    report("heavy, LV2", lv2, 1);
    std::printf("%-36s %8.3f  %8.3f  %8.3f\n", "LV2 / VST 2", lv2.cpuFactor() / vst.cpuFactor(),
                lv2.median() / vst.median(), lv2.best() / vst.best());
  }
#endif
  return 0;
}
