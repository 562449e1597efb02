#include "hosts/common/FactoryPresetValues.h"

namespace drollicant {

void FactoryPresetValues::read(DrollicantAudioUnit& unit) {
  presets.clear();
  const auto factory = unit.factoryPresets();
  if (factory.empty()) return;
  const auto parameters = unit.parameterTree()->allParameters();
  for (const auto& preset : factory) {
    unit.setCurrentPreset(preset);
    Preset entry{preset->name(), {}};
    for (const auto& parameter : parameters)
      if (parameter->address() < entry.values.size()) entry.values[parameter->address()] = parameter->storedValue();
    presets.push_back(std::move(entry));
  }
  unit.setCurrentPreset(factory.front());
}

}  // namespace drollicant
