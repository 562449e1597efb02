#include "hosts/lv2/PluginDescriptionBuilder.h"

#include <cstdio>

#include "audiounit/DrollicantAudioUnit.h"
#include "hosts/lv2/PortLayout.h"
#include "platform/au/AudioComponentInfo.h"

namespace drollicant::lv2 {
using namespace platform;

namespace {

constexpr const char* kVersionKey = "CFBundleShortVersionString";

// "major.minor.micro" of the bundle's version string into LV2's minor and micro.
void readVersion(const NSBundle& bundle, PluginDescription& description) {
  const PlistValue* version = plistEntry(bundle.infoDictionary(), kVersionKey);
  int major = 0, minor = 0, micro = 0;
  if (version && version->stringValue() &&
      std::sscanf(version->stringValue()->c_str(), "%d.%d.%d", &major, &minor, &micro) >= 2) {
    description.minorVersion = minor;
    description.microVersion = micro;
  }
}

std::vector<std::pair<std::string, float>> currentValues(DrollicantAudioUnit& unit) {
  std::vector<std::pair<std::string, float>> values;
  for (const auto& p : unit.parameterTree()->allParameters()) values.emplace_back(p->identifier(), p->value());
  return values;
}

}  // namespace

std::optional<PluginDescription> PluginDescriptionBuilder::describe(const std::filesystem::path& bundlePath,
                                                                    std::string& error) {
  const auto bundle = NSBundle::bundleWithURL(bundlePath);
  if (!bundle) {
    error = bundlePath.string() + ": no such bundle folder";
    return std::nullopt;
  }
  NSBundle::setBundleForClassOverride(DrollicantAudioUnit::classToken(), bundle);
  NSError failure;
  const auto component = audioComponentFromBundle(*bundle, &failure);
  if (!component) {
    error = bundlePath.string() + "/Info.plist: " + failure.localizedDescription;
    return std::nullopt;
  }
  const auto unit = DrollicantAudioUnit::create(component->description, 0, &failure);
  if (!unit) {
    error = "cannot create the audio unit: " + failure.localizedDescription;
    return std::nullopt;
  }

  PluginDescription description;
  description.uri = kPluginIdentity.lv2URI;
  description.name = kPluginIdentity.name;
  description.maintainerName = kPluginIdentity.maker;
  description.maintainerHomepage = kPluginIdentity.homepage;
  description.binary = kPluginBinary;
  readVersion(*bundle, description);
  description.enabledSymbol = kBypassParameter.lv2Symbol;
  description.enabledName = kBypassParameter.lv2Name;
  description.enabledDefault = unit->shouldBypassEffect() ? 0.0f : 1.0f;
  // The table says what each port is; the new unit says where it starts (factory preset 0
  // applied when the bundle has presets).
  for (const ParameterDescription& row : kParameterTable) {
    const auto parameter = unit->parameterTree()->parameterWithAddress(row.address);
    description.parameters.push_back({row.identifier, row.displayName, kParameterMinimum, kParameterMaximum,
                                      parameter ? parameter->value() : row.initialValue, row.isSwitch()});
  }
  for (const auto& preset : unit->factoryPresets()) {
    unit->setCurrentPreset(preset);
    description.presets.push_back({int(preset->number()), preset->name(), currentValues(*unit)});
  }
  return description;
}

}  // namespace drollicant::lv2
