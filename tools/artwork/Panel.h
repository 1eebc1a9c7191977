// The editor background: a dark red brushed panel with corner screws, the
// title, six recessed slider slots with their captions, and a footer.
#pragma once

#include "RgbImage.h"

namespace brisko::artwork {

RgbImage drawBackground();

}  // namespace brisko::artwork
