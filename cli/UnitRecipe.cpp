#include "cli/UnitRecipe.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>

#include "cli/BundleLocator.h"
#include "cli/ExitStatus.h"
#include "cli/ExtensionInfo.h"
#include "platform/au/AudioComponentInfo.h"
#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/NSPropertyListSerialization.h"

namespace drollicant::cli {
namespace fs = std::filesystem;
using namespace platform;

namespace {

// The codes the shipped Info.plist registers, for a command run without any bundle
// (then there are no factory presets either).
AudioComponentDescription shippedDescription() {
  const auto info = NSPropertyListSerialization::propertyListWithData(kShippedExtensionInfo, nullptr);
  const auto* dictionary = info ? info->dictionaryValue() : nullptr;
  const auto component = dictionary ? audioComponentFromInfoDictionary(*dictionary, nullptr) : std::nullopt;
  return component ? component->description : AudioComponentDescription{};
}
constexpr size_t kMaxStateFileBytes = 4u << 20;

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

const char* typeName(const PlistValue& value) {
  switch (value.type()) {
    case PlistValue::Type::String:
      return "a string";
    case PlistValue::Type::Data:
      return "data";
    case PlistValue::Type::Date:
      return "a date";
    case PlistValue::Type::Array:
      return "an array";
    case PlistValue::Type::Dictionary:
      return "a dictionary";
    default:
      return "a number";
  }
}

// A number user presets use: negative, so selecting it changes no parameter.
constexpr NSInteger kUserPresetNumber = -1;

std::string identifierList(DrollicantAudioUnit& unit) {
  std::string list;
  for (const auto& p : unit.parameterTree()->allParameters()) list += (list.empty() ? "" : ", ") + p->identifier();
  return list;
}

// The factory presets come from the bundle of the unit's class, scanned once per
// process: point the class at the chosen bundle before the first unit exists.
void useBundleForUnits(const std::optional<fs::path>& bundle) {
  static std::once_flag once;
  std::call_once(once, [&] {
    if (bundle)
      NSBundle::setBundleForClassOverride(DrollicantAudioUnit::classToken(), NSBundle::bundleWithURL(*bundle));
  });
}

}  // namespace

std::string UnitRecipe::describeMissingPresets(const std::optional<fs::path>& bundle) {
  if (bundle)
    return bundle->string() + ": the bundle has no factory presets (its Resources/presets folder is empty or missing)";
  std::string searched;
  for (const auto& candidate : BundleLocator::candidates()) searched += "\n  " + candidate.string();
  return "no drollicant.lv2 bundle found, so there are no factory presets; looked in:" + searched;
}

std::optional<UnitRecipe> UnitRecipe::fromArguments(const Arguments& args, Presets presets, std::string& error,
                                                    int& status) {
  UnitRecipe recipe;
  status = kExitFailure;
  std::optional<fs::path> requested;
  if (auto dir = args.value("bundle")) requested = fs::path(*dir);
  recipe.bundlePath = BundleLocator::locate(requested, error);
  if (requested && !recipe.bundlePath) return std::nullopt;
  useBundleForUnits(recipe.bundlePath);

  recipe.description = shippedDescription();
  if (recipe.bundlePath) {
    if (auto bundle = NSBundle::bundleWithURL(*recipe.bundlePath))
      if (auto info = audioComponentFromBundle(*bundle, nullptr)) recipe.description = info->description;
  }

  auto probe = recipe.makeUnit(error);
  if (!probe) return std::nullopt;
  const auto stateFile = args.value("state");
  if (presets == Presets::kRequired && !stateFile && probe->factoryPresets().empty()) {
    error = describeMissingPresets(recipe.bundlePath) +
            "\nA new unit starts at factory preset 0: give the bundle with --bundle DIR, or every setting with "
            "--state FILE.";
    return std::nullopt;
  }
  if (auto wanted = args.value("preset"); wanted && !recipe.resolvePreset(*probe, *wanted, error)) {
    status = kExitUsage;
    return std::nullopt;
  }
  if (stateFile && !recipe.loadState(*stateFile, *probe, error)) return std::nullopt;
  for (const auto& text : args.values("set")) {
    if (!recipe.resolveAssignment(*probe, text, error)) {
      status = kExitUsage;
      return std::nullopt;
    }
  }
  status = kExitSuccess;
  return recipe;
}

std::shared_ptr<DrollicantAudioUnit> UnitRecipe::makeUnit(std::string& error) const {
  NSError failure;
  auto unit = DrollicantAudioUnit::create(description, 0, &failure);
  if (!unit) {
    error = "cannot create the audio unit: " + failure.localizedDescription;
    return nullptr;
  }
  applyTo(*unit);
  return unit;
}

void UnitRecipe::applyTo(DrollicantAudioUnit& unit) const {
  if (preset) unit.setCurrentPreset(AUAudioUnitPreset::make(preset->number(), preset->name()));
  if (state) {
    unit.setFullState(state);
    unit.setCurrentPreset(AUAudioUnitPreset::make(statePreset->number(), statePreset->name()));
  }
  for (const auto& a : assignments)
    if (auto parameter = unit.parameterTree()->parameterWithAddress(a.address)) parameter->setValue(a.value);
}

bool UnitRecipe::resolvePreset(DrollicantAudioUnit& unit, const std::string& wanted, std::string& error) {
  const auto presets = unit.factoryPresets();
  if (presets.empty()) {
    error = describeMissingPresets(bundlePath) + "\nGive the bundle with --bundle DIR.";
    return false;
  }
  auto matches = [&](auto predicate) { return std::find_if(presets.begin(), presets.end(), predicate); };
  auto found = presets.end();
  if (const auto number = parseInteger(wanted)) found = matches([&](const auto& p) { return p->number() == *number; });
  if (found == presets.end()) found = matches([&](const auto& p) { return p->name() == wanted; });
  if (found == presets.end()) found = matches([&](const auto& p) { return equalIgnoringCase(p->name(), wanted); });
  if (found == presets.end()) {
    error = "no factory preset '" + wanted + "' (numbers 0 to " + std::to_string(presets.size() - 1) +
            "; 'drollicant presets' lists them)";
    return false;
  }
  preset = *found;
  return true;
}

// The unit's own rule drops every stored value when one is not a number, so a file
// with a typo would silently give the defaults; the command refuses such a file and
// names what is wrong. What the rule takes as it stands (some parameters only, booleans
// and integers) is accepted; values it clamps or ignores are mentioned.
bool UnitRecipe::loadState(const fs::path& file, DrollicantAudioUnit& unit, std::string& error) {
  const std::string shown = file.string();
  NSError failure;
  const auto bytes = NSFileManager::defaultManager().contentsAtPath(file, &failure, kMaxStateFileBytes);
  if (!bytes) {
    error = shown + ": cannot read (" + failure.localizedDescription + ")";
    return false;
  }
  auto root = NSPropertyListSerialization::propertyListWithData(*bytes, &failure);
  if (!root) {
    error = shown + ": not a property list (" + failure.localizedDescription + ")";
    return false;
  }
  const PlistDictionary* dictionary = root->dictionaryValue();
  if (!dictionary) {
    error = shown + ": not a saved state (the property list is not a dictionary)";
    return false;
  }
  const PlistValue* params = plistEntry(*dictionary, StateKey::kParams);
  if (params == nullptr || !params->dictionaryValue()) {
    error = shown + ": not a saved state of this effect (\"" + StateKey::kParams + "\" " +
            (params ? std::string("holds ") + typeName(*params) + ", not a dictionary" : std::string("is missing")) +
            ")";
    return false;
  }
  const auto& tree = *unit.parameterTree();
  for (const auto& [identifier, value] : *params->dictionaryValue()) {
    if (!value.isNumber() || !std::isfinite(value.doubleValue())) {
      error = shown + ": parameter '" + identifier + "' holds " +
              (value.isNumber() ? std::string("a number that is not finite") : std::string(typeName(value))) +
              ", not a number from 0 to 1";
      return false;
    }
    const auto& all = tree.allParameters();
    const auto parameter =
        std::find_if(all.begin(), all.end(), [&](const auto& p) { return p->identifier() == identifier; });
    if (parameter == all.end()) {
      reportError("warning: " + shown + ": '" + identifier + "' names no parameter of this effect; ignored");
      continue;
    }
    const double v = value.doubleValue(), low = (*parameter)->minValue(), high = (*parameter)->maxValue();
    if (v < low || v > high) {
      char text[128];
      std::snprintf(text, sizeof text, "%s = %g is outside %g to %g; clamped to %g", identifier.c_str(), v, low, high,
                    v < low ? low : high);
      reportError("warning: " + shown + ": " + text);
    }
  }
  const PlistValue* name = plistEntry(*dictionary, StateKey::kName);
  const std::string* nameText = name ? name->stringValue() : nullptr;
  statePreset = AUAudioUnitPreset::make(kUserPresetNumber, nameText ? *nameText : file.stem().string());
  statePath = file;
  state = *dictionary;
  return true;
}

bool UnitRecipe::resolveAssignment(DrollicantAudioUnit& unit, const std::string& text, std::string& error) {
  const auto eq = text.find('=');
  if (eq == std::string::npos) {
    error = "--set '" + text + "': expected NAME=VALUE";
    return false;
  }
  const std::string name = text.substr(0, eq), valueText = text.substr(eq + 1);
  const auto& all = unit.parameterTree()->allParameters();
  const auto parameter = std::find_if(all.begin(), all.end(), [&](const auto& p) { return p->identifier() == name; });
  if (parameter == all.end()) {
    error = "--set: unknown parameter '" + name + "' (parameters: " + identifierList(unit) + ")";
    return false;
  }
  const auto value = parseNumber(valueText);
  if (!value) {
    error = "--set " + name + ": '" + valueText + "' is not a number";
    return false;
  }
  if (*value < (*parameter)->minValue() || *value > (*parameter)->maxValue()) {
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", double((*parameter)->minValue()), double((*parameter)->maxValue()));
    error = "--set " + name + ": " + valueText + " is outside the range " + range;
    return false;
  }
  assignments.push_back({(*parameter)->address(), float(*value)});
  return true;
}

}  // namespace drollicant::cli
