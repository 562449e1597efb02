// drollicant info
#include <cstdio>
#include <vector>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/UnitRecipe.h"
#include "cli/Version.h"
#include "platform/au/AudioComponentInfo.h"

namespace drollicant::cli {
namespace {

constexpr const char* kCommandName = "info";

std::vector<Option> allOptions() {
  std::vector<Option> all(UnitRecipe::kOptions.begin(), UnitRecipe::kOptions.end());
  all.push_back({"help", 'h', "", "show this help"});
  return all;
}

}  // namespace

int runInfoCommand(std::span<char* const> argv) {
  const auto options = allOptions();
  int status = kExitSuccess;
  const auto args = parseCommandLine(
      kCommandName, options, argv,
      [](const std::string& described) {
        std::printf(
            "Usage: drollicant info [OPTION]...\n"
            "Shows the version, the bundle in use, every parameter of a new unit (after the\n"
            "settings below) with its value and display string, and the tail time.\n\nOptions:\n%s",
            described.c_str());
      },
      false, status);
  if (!args) return status;
  const auto recipe = recipeFromArguments(kCommandName, *args, UnitRecipe::Presets::kOptional, status);
  if (!recipe) return status;
  std::string error;
  const auto unit = recipe->makeUnit(error);
  if (!unit) {
    reportError(error);
    return kExitFailure;
  }
  const auto& d = unit->componentDescription();
  std::printf("drollicant %s\n", kVersion);
  std::printf("bundle:     %s\n", recipe->bundle() ? recipe->bundle()->c_str() : "(none found: no factory presets)");
  std::printf("component:  %s %s %s\n", platform::stringFromFourCharCode(d.componentType).c_str(),
              platform::stringFromFourCharCode(d.componentSubType).c_str(),
              platform::stringFromFourCharCode(d.componentManufacturer).c_str());
  const auto preset = unit->currentPreset();
  if (preset && recipe->stateFile())
    std::printf("preset:     %s (saved state %s)\n", preset->name().c_str(), recipe->stateFile()->c_str());
  else if (preset)
    std::printf("preset:     %lld %s\n", static_cast<long long>(preset->number()), preset->name().c_str());
  else
    std::printf("preset:     (none: no factory presets found; every parameter at its default)\n");
  std::printf("\n%-8s %-10s %-10s %-10s %s\n", "address", "identifier", "name", "value", "display");
  for (const auto& p : unit->parameterTree()->allParameters()) {
    const float value = p->value();
    std::printf("%-8llu %-10s %-10s %-10g %s\n", static_cast<unsigned long long>(p->address()), p->identifier().c_str(),
                p->displayName().c_str(), double(value), p->stringFromValue(&value).c_str());
  }
  std::printf("\ntail time:  %.3f s\nlatency:    %.3f s\n", unit->tailTime(), unit->latency());
  return kExitSuccess;
}

}  // namespace drollicant::cli
