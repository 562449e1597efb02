#pragma once
// What the fuzz targets share: a real unit, and the check that its parameters are sane.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"

namespace drollicant::fuzz {

inline std::shared_ptr<DrollicantAudioUnit> makeUnit() {
  using platform::fourCharCode;
  auto unit =
      DrollicantAudioUnit::create({fourCharCode("aufx"), fourCharCode("drlc"), fourCharCode("Drol"), 0, 0}, 0, nullptr);
  if (!unit) std::abort();
  return unit;
}

// Every parameter's value in address order; aborts when one is not finite and in [0, 1].
inline std::vector<float> checkedParameterValues(DrollicantAudioUnit& unit) {
  std::vector<float> values;
  for (const auto& parameter : unit.parameterTree()->allParameters()) {
    const float v = parameter->value();
    if (!std::isfinite(v) || v < 0.0f || v > 1.0f) std::abort();
    values.push_back(v);
  }
  return values;
}

}  // namespace drollicant::fuzz
