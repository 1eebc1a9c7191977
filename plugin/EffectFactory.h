#pragma once

#include "plugin/EffectBase.h"

namespace brisko {

// Builds the concrete effect for a host; may throw, e.g. when memory runs out.
using EffectMaker = EffectBase* (*)(HostCallback hostCallback);

// What the library's entry does: asks the host for its version (no effect for
// a host that answers 0 or for a missing host), makes the effect and answers
// its record. Null when the effect could not be made or its construction
// failed; nothing is left behind then.
AEffect* createEffectRecord(HostCallback hostCallback, EffectMaker make);

}  // namespace brisko
