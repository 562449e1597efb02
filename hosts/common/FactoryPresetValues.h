#pragma once
#include <array>
#include <string>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"
#include "audiounit/ParameterTable.h"

namespace drollicant {

// The values each factory preset gives every parameter, read once through the unit
// itself, so the audio thread can switch presets at a frame without reading files.
class FactoryPresetValues {
public:
  struct Preset {
    std::string name;
    std::array<float, kParameterTable.size()> values{};
  };

  // Main thread, on a new unit: takes its values, selects every factory preset in turn
  // and reads the tree back, then selects the unit's first preset again.
  void read(DrollicantAudioUnit& unit);
  const std::vector<Preset>& all() const { return presets; }
  size_t size() const { return presets.size(); }
  // The values of a new unit (the first preset's, when there are presets): the defaults
  // hosts show, as the LV2 plug-in's port defaults are.
  const std::array<float, kParameterTable.size()>& newUnitValues() const { return startValues; }

private:
  std::vector<Preset> presets;
  std::array<float, kParameterTable.size()> startValues{};
};

}  // namespace drollicant
