#pragma once
// The kernel's inner loops written the plain way: one sample and one section at a
// time, in the order the arithmetic is described, with the standard library's sine
// and tanh. The fast copies must agree with it to float rounding.
#include "dsp/EngineRoutines.h"

namespace drollicant::test {

const EngineRoutines& plainEngineRoutines();

}  // namespace drollicant::test
