// Drives the effect record the way an arbitrary (but interface-abiding) host
// could: any opcode, index, value and float, parameter values of any bits,
// and processing blocks of any length with buffers of that length.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effect/SpectrumDelay.h"
#include "plugin/EffectFactory.h"

namespace {

using namespace brisko;

intptr_t BRISKO_VSTCALL fuzzHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool more() const { return pos_ < size_; }
  template <typename T>
  T take() {
    T value{};
    const size_t n = std::min(sizeof(T), size_ - pos_);
    std::memcpy(&value, data_ + pos_, n);
    pos_ += n;
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Room for every text and record the interface lets a host pass by pointer.
constexpr size_t kBufferBytes = 1024;

intptr_t dispatchOne(AEffect* effect, Reader& in) {
  const auto opcode = static_cast<int32_t>(in.take<int8_t>());
  const auto index = static_cast<int32_t>(in.take<int16_t>());
  auto value = static_cast<intptr_t>(in.take<int32_t>());
  const float opt = in.take<float>();
  std::vector<char> buffer(kBufferBytes, 0);
  const size_t textLength = in.take<uint8_t>();
  for (size_t i = 0; i < textLength && i + 1 < kBufferBytes; ++i) buffer[i] = static_cast<char>('a' + i % 26);
  void* ptr = buffer.data();

  VstSpeakerArrangement input{}, output{};
  VstSpeakerArrangement* inputPointer = &input;
  VstSpeakerArrangement* outputPointer = &output;
  switch (opcode) {
    case effClose:  // ends the record's life: only at the end of the run
      return 0;
    case effSetSpeakerArrangement:  // value and ptr address the two arrangements
      input.numChannels = index % 9;
      output.numChannels = static_cast<int32_t>(value % 9);
      value = reinterpret_cast<intptr_t>(&input);
      ptr = &output;
      break;
    case effGetSpeakerArrangement:  // value and ptr address arrangement pointers
      value = reinterpret_cast<intptr_t>(&inputPointer);
      ptr = &outputPointer;
      break;
    case effSetChunk:  // value is the chunk's size
      value = std::clamp<intptr_t>(value, 0, kBufferBytes);
      break;
    case effEditOpen:  // a parent window handle: none here
      ptr = nullptr;
      break;
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun:  // value counts records in ptr
      value = std::clamp<intptr_t>(value, 0, 2);
      break;
    default:
      break;
  }
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void processOne(AEffect* effect, Reader& in) {
  const bool adding = in.take<uint8_t>() & 1;
  const int32_t n = std::clamp<int32_t>(in.take<int16_t>(), -8, 8192);
  const size_t length = static_cast<size_t>(std::max(n, 0));
  std::vector<float> channels[4];
  for (auto& channel : channels) channel.assign(length, 0.0f);
  const float level = in.take<float>();
  for (size_t i = 0; i < length; ++i) channels[0][i] = channels[1][i] = level * static_cast<float>(i % 7);
  float* inputs[2] = {channels[0].data(), channels[1].data()};
  float* outputs[2] = {channels[2].data(), channels[3].data()};
  if (in.take<uint8_t>() == 0xFF) inputs[1] = nullptr;  // a host passing a null channel
  (adding ? effect->process : effect->processReplacing)(effect, inputs, outputs, n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AEffect* effect = createEffectRecord(&fuzzHost, &SpectrumDelay::create);
  if (effect == nullptr) return 0;
  Reader in(data, size);
  while (in.more()) {
    switch (in.take<uint8_t>() % 4) {
      case 0:
        (void)dispatchOne(effect, in);
        break;
      case 1: {
        const auto index = static_cast<int32_t>(in.take<int8_t>());
        effect->setParameter(effect, index, in.take<float>());
        break;
      }
      case 2:
        (void)effect->getParameter(effect, static_cast<int32_t>(in.take<int8_t>()));
        break;
      default:
        processOne(effect, in);
        break;
    }
  }
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  return 0;
}
