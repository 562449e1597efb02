#pragma once
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"
#include "cli/Arguments.h"

namespace drollicant::cli {

// How to set up a new unit from the options `--bundle`, `--preset`, `--state` and
// `--set`, checked once and then applied to as many units as there are files to
// render. The settings apply in that order after construction, each through the unit
// itself, as a host would apply them.
class UnitRecipe {
public:
  static constexpr std::array kOptions{
      Option{"preset", 0, "N|NAME", "start from factory preset N or NAME (see 'drollicant presets')"},
      Option{"state", 0, "FILE", "then restore a saved state or .aupreset file"},
      Option{"set", 0, "NAME=VALUE", "then set a parameter by identifier, 0 to 1 (repeatable)"},
      Option{"bundle", 0, "DIR", "the drollicant.lv2 bundle whose presets to use (default: found)"},
  };

  // Whether the command's result depends on the factory presets: without them a new
  // unit would not start at factory preset 0 as documented.
  enum class Presets { kRequired, kOptional };

  // Resolves bundle, preset, state file and parameter settings. On failure returns
  // nothing with `error` set and `status` the exit status (usage or failure). With
  // `Presets::kRequired`, finding no factory presets is a failure unless a saved state,
  // which sets every parameter, is given.
  static std::optional<UnitRecipe> fromArguments(const Arguments& args, Presets presets, std::string& error,
                                                 int& status);

  // A new unit with the settings applied; nullptr with `error` when the unit cannot be made.
  std::shared_ptr<DrollicantAudioUnit> makeUnit(std::string& error) const;

  // The component description a unit is made with, and the settings applied to a unit
  // made elsewhere (the editor's factory makes its own).
  const platform::AudioComponentDescription& componentDescription() const { return description; }
  void applyTo(DrollicantAudioUnit& unit) const;

  // Why there are no factory presets: the bundle's presets folder is empty, or no bundle
  // was found in the folders searched (listed).
  static std::string describeMissingPresets(const std::optional<std::filesystem::path>& bundle);

  // The bundle in use, if one was found.
  const std::optional<std::filesystem::path>& bundle() const { return bundlePath; }
  // The saved state file given, if any.
  const std::optional<std::filesystem::path>& stateFile() const { return statePath; }

private:
  struct Assignment {
    platform::AUParameterAddress address;
    float value;
  };

  bool resolvePreset(DrollicantAudioUnit& unit, const std::string& wanted, std::string& error);
  bool loadState(const std::filesystem::path& file, DrollicantAudioUnit& unit, std::string& error);
  bool resolveAssignment(DrollicantAudioUnit& unit, const std::string& text, std::string& error);

  std::optional<std::filesystem::path> bundlePath;
  platform::AudioComponentDescription description;
  std::shared_ptr<platform::AUAudioUnitPreset> preset;
  std::optional<platform::PlistDictionary> state;
  std::optional<std::filesystem::path> statePath;
  // What the unit reports as its current preset after the state is restored.
  std::shared_ptr<platform::AUAudioUnitPreset> statePreset;
  std::vector<Assignment> assignments;
};

}  // namespace drollicant::cli
