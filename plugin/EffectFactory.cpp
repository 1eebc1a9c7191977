#include "plugin/EffectFactory.h"

#include "plugin/FloatingPointGuard.h"

namespace brisko {

AEffect* createEffectRecord(HostCallback hostCallback, EffectMaker make) {
  if (!hostCallback || !make) return nullptr;
  try {
    if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    EffectBase* effect = nullptr;
    {
      // The windows, transform and oscillator tables the signal path keeps are
      // computed here; the host's callback above runs under the host's state.
      const FloatingPointGuard fixedArithmetic;
      effect = make(hostCallback);
    }
    if (!effect) return nullptr;
    if (constructionFailed.load()) {
      delete effect;
      return nullptr;
    }
    return effect->effectRecord();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace brisko
