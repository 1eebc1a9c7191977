#include "dsp/Pi.h"

#include "dsp/PortableMath.h"

namespace brisko {

const double kPi = 4.0 * pmath::atan(1.0);

}  // namespace brisko
