#pragma once
// Named sets of the kernel's controls, for tests that play music through several.
#include "dsp/DrollicantDSPKernel.h"

namespace drollicant::test {

struct KernelSettings {
  const char* name;
  float charisma, naivete, nostalgia, surprise, sweetness, whimsy;
  bool flighty, genteel;

  void applyTo(DrollicantDSPKernel& k) const {
    k.charisma = charisma, k.naivete = naivete, k.nostalgia = nostalgia, k.surprise = surprise;
    k.sweetness = sweetness, k.whimsy = whimsy, k.flighty = flighty, k.genteel = genteel;
  }
};

}  // namespace drollicant::test
