// The two slider bitmaps. Neither contains white (255, 255, 255), the key
// colour of transparent copies, so the keyed handle copy stays opaque.
#pragma once

#include "RgbImage.h"

namespace brisko::artwork {

inline constexpr Rgb kTroughColour{18, 18, 18};

// A near-black trough with a lighter one-pixel edge along the bottom and the
// right side, as if lit from the top left.
RgbImage drawSliderBody();

// A shaded grey bar, rounded by its shading, with a dark centre line that
// marks the value.
RgbImage drawSliderHandle();

}  // namespace brisko::artwork
