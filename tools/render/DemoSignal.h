#pragma once

#include <cstdint>

#include "tools/render/AudioData.h"

namespace brisko::render {

// The built-in test signal: a few seconds of a percussive figure (kick,
// snare-like noise bursts, clicks) over a sustained chord, in stereo. Made
// with the project's portable sine, so every target makes the same bits.
AudioData makeDemoSignal(int32_t sampleRate = 44100);

}  // namespace brisko::render
