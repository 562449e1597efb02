#pragma once
#include <memory>

#include "hosts/common/FactoryPresetValues.h"
#include "hosts/common/HostedUnit.h"

namespace drollicant::hosts {

// Main thread: the unit described by the bundle this library was loaded from, on the
// shared layer, with its factory presets' values read into `presets` first (reading
// them sets and reads back the tree, which the layer would answer with glide
// targets). nullptr when the bundle holds no usable description or the unit cannot be made.
std::unique_ptr<HostedUnit> hostedUnitFromOwnBundle(FactoryPresetValues& presets);

}  // namespace drollicant::hosts
