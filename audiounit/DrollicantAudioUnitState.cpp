// Saved state and factory presets.
#include <cmath>

#include "audiounit/DrollicantAudioUnit.h"

namespace drollicant {

using namespace platform;

namespace {

constexpr int64_t kStateFormatVersion = 0;
constexpr int64_t kDrollicantStateVersion = 1;

// The parameter entry of a state when it is a dictionary of numbers only.
const PlistDictionary* acceptedParameters(const PlistDictionary& state) {
  const PlistValue* entry = plistEntry(state, StateKey::kParams);
  const PlistDictionary* parameters = entry ? entry->dictionaryValue() : nullptr;
  if (!parameters) return nullptr;
  for (const auto& [identifier, value] : *parameters)
    if (!value.isNumber()) return nullptr;
  return parameters;
}

}  // namespace

const std::vector<FactoryPresetFile>& DrollicantAudioUnit::factoryPresetFiles() {
  static const std::vector<FactoryPresetFile> files = [] {
    const auto bundle = NSBundle::bundleForClass(classToken());
    return scanFactoryPresets(bundle.get());
  }();
  return files;
}

std::vector<std::shared_ptr<AUAudioUnitPreset>> DrollicantAudioUnit::factoryPresets() {
  const auto& files = factoryPresetFiles();
  std::vector<std::shared_ptr<AUAudioUnitPreset>> presets;
  presets.reserve(files.size());
  for (size_t number = 0; number < files.size(); ++number)
    presets.push_back(AUAudioUnitPreset::make(NSInteger(number), files[number].name));
  return presets;
}

std::shared_ptr<AUAudioUnitPreset> DrollicantAudioUnit::currentPreset() {
  const std::lock_guard lock(currentPresetMutex);
  return _currentPreset;
}

void DrollicantAudioUnit::setCurrentPreset(std::shared_ptr<AUAudioUnitPreset> preset) {
  if (!preset) return;
  {
    const std::lock_guard lock(currentPresetMutex);
    _currentPreset = preset;
  }
  if (preset->number() < 0) return;
  const auto& files = factoryPresetFiles();
  if (uint64_t(preset->number()) >= files.size()) return;
  const auto bundle = NSBundle::bundleForClass(classToken());
  if (const auto state = loadPresetFile(bundle.get(), files[size_t(preset->number())])) applyState(*state);
}

std::optional<PlistDictionary> DrollicantAudioUnit::fullState() {
  const AudioComponentDescription& description = componentDescription();
  PlistDictionary state;
  state[StateKey::kVersion] = PlistValue::integer(kStateFormatVersion);
  state[StateKey::kType] = PlistValue::integer(description.componentType);
  state[StateKey::kSubtype] = PlistValue::integer(description.componentSubType);
  state[StateKey::kManufacturer] = PlistValue::integer(description.componentManufacturer);
  const auto preset = currentPreset();
  state[StateKey::kName] = PlistValue::string(preset ? preset->name() : kUntitledPresetName);
  if (_parameterTree) {
    PlistDictionary parameters;
    for (const auto& parameter : _parameterTree->allParameters())
      parameters[parameter->identifier()] = PlistValue::real(parameter->value());
    state[StateKey::kParams] = PlistValue(std::move(parameters));
  }
  state[StateKey::kStateVersion] = PlistValue::integer(kDrollicantStateVersion);
  return state;
}

void DrollicantAudioUnit::setFullState(const std::optional<PlistDictionary>& state) {
  if (state) applyState(*state);
}

std::optional<PlistDictionary> DrollicantAudioUnit::fullStateForDocument() { return fullState(); }

void DrollicantAudioUnit::setFullStateForDocument(const std::optional<PlistDictionary>& state) { setFullState(state); }

void DrollicantAudioUnit::applyState(const PlistDictionary& state) {
  if (!_parameterTree) return;
  const PlistDictionary* stored = acceptedParameters(state);
  for (const auto& parameter : _parameterTree->allParameters()) {
    const PlistValue* entry = stored ? plistEntry(*stored, parameter->identifier()) : nullptr;
    // A non-finite number cannot be a setting; it counts as missing.
    if (entry && std::isfinite(entry->doubleValue())) {
      AUValue value = entry->floatValue();
      if (value <= parameter->minValue()) value = parameter->minValue();
      if (parameter->maxValue() < value) value = parameter->maxValue();
      parameter->setValue(value);
    } else if (const auto found = _defaultParameterValues.find(parameter->identifier());
               found != _defaultParameterValues.end()) {
      parameter->setValue(found->second);
    }
  }
}

}  // namespace drollicant
