#include "hosts/common/FactoryPresetValues.h"

namespace drollicant {

void FactoryPresetValues::read(DrollicantAudioUnit& unit) {
  presets.clear();
  const auto parameters = unit.parameterTree()->allParameters();
  for (const auto& parameter : parameters)
    if (parameter->address() < startValues.size()) startValues[parameter->address()] = parameter->storedValue();
  const auto factory = unit.factoryPresets();
  if (factory.empty()) return;
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
