#pragma once
#include <map>
#include <string>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"
#include "audiounit/ParameterTable.h"
#include "platform/au/AudioComponentInfo.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "support/TemporaryDirectory.h"

namespace testing_support {

// A temporary extension bundle holding the real Info.plist, made the bundle of the
// audio unit class. The factory preset list is built once per process, so a test must
// add its presets before the first unit is made; ctest runs every test in its own process.
class ExtensionBundle {
public:
  ExtensionBundle() {
    std::filesystem::copy_file(DROLLICANT_SOURCE_DIR "/audiounit/Info.plist", dir / "Info.plist");
    platform::NSBundle::setBundleForClassOverride(drollicant::DrollicantAudioUnit::classToken(),
                                                  platform::NSBundle::bundleWithURL(dir.get()));
  }
  ~ExtensionBundle() {
    platform::NSBundle::setBundleForClassOverride(drollicant::DrollicantAudioUnit::classToken(), nullptr);
  }

  std::filesystem::path presetsFolder() const { return dir / "Resources/presets"; }

  void addFile(const std::string& fileName, std::string_view bytes) const {
    writeFile(presetsFolder() / fileName, bytes);
  }

  // A preset file named `fileName` whose parameters are `values`.
  void addPreset(const std::string& fileName, const std::map<std::string, platform::PlistValue>& values) const {
    addFile(fileName, xml(stateWith(values)));
  }

  void addShippedPresets() const {
    std::filesystem::create_directories(presetsFolder());
    for (const auto& entry : std::filesystem::directory_iterator(DROLLICANT_SOURCE_DIR "/audiounit/Resources/presets"))
      std::filesystem::copy_file(entry.path(), presetsFolder() / entry.path().filename());
  }

  static platform::PlistDictionary stateWith(const std::map<std::string, platform::PlistValue>& values) {
    platform::PlistDictionary params(values.begin(), values.end());
    platform::PlistDictionary state;
    state["drollicant_params"] = platform::PlistValue(std::move(params));
    return state;
  }

  static std::string xml(const platform::PlistDictionary& dictionary) {
    return *platform::NSPropertyListSerialization::dataWithPropertyList(
        platform::PlistValue(dictionary), platform::NSPropertyListFormat::XML_v1_0, nullptr);
  }

  const TemporaryDirectory dir;
};

// The description hosts find in the extension's Info.plist.
inline platform::AudioComponentDescription drollicantDescription() {
  const auto bundle = platform::NSBundle::bundleWithURL(DROLLICANT_SOURCE_DIR "/audiounit");
  return platform::audioComponentFromBundle(*bundle, nullptr)->description;
}

inline std::shared_ptr<drollicant::DrollicantAudioUnit> makeUnit() {
  return drollicant::DrollicantAudioUnit::create(drollicantDescription(), 0, nullptr);
}

// Every parameter's value as the tree reports it, in address order.
inline std::vector<platform::AUValue> treeValues(drollicant::DrollicantAudioUnit& unit) {
  std::vector<platform::AUValue> values;
  for (const auto& parameter : unit.parameterTree()->allParameters()) values.push_back(parameter->value());
  return values;
}

// The kernel's own fields in address order, switches as 1 or 0.
inline std::vector<platform::AUValue> kernelFields(const drollicant::DrollicantDSPKernel& k) {
  return {k.charisma.load(),
          k.naivete.load(),
          k.nostalgia.load(),
          k.surprise.load(),
          k.sweetness.load(),
          k.whimsy.load(),
          k.flighty.load() ? 1.0f : 0.0f,
          k.genteel.load() ? 1.0f : 0.0f};
}

inline const std::vector<platform::AUValue> kDefaultValues = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f};

inline platform::AUValue parameterValue(drollicant::DrollicantAudioUnit& unit, platform::AUParameterAddress address) {
  return unit.parameterTree()->parameterWithAddress(address)->value();
}

}  // namespace testing_support
