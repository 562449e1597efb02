// drollicant presets [--bundle DIR]
#include <array>
#include <cstdio>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/UnitRecipe.h"

namespace drollicant::cli {
namespace {

constexpr const char* kCommandName = "presets";
constexpr std::array kOptions{
    Option{"bundle", 0, "DIR", "the drollicant.lv2 bundle whose presets to list (default: found)"},
    Option{"help", 'h', "", "show this help"},
};

}  // namespace

int runPresetsCommand(std::span<char* const> argv) {
  int status = kExitSuccess;
  const auto args = parseCommandLine(
      kCommandName, kOptions, argv,
      [](const std::string& described) {
        std::printf(
            "Usage: drollicant presets [--bundle DIR]\n"
            "Lists the factory presets, one a line: its number, a tab, its name, in preset order.\n"
            "The number or the name can be given to 'drollicant render --preset'.\n\nOptions:\n%s",
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
  if (unit->factoryPresets().empty()) {
    reportError(UnitRecipe::describeMissingPresets(recipe->bundle()) + "\nGive the bundle with --bundle DIR.");
    return kExitFailure;
  }
  for (const auto& preset : unit->factoryPresets())
    std::printf("%lld\t%s\n", static_cast<long long>(preset->number()), preset->name().c_str());
  return kExitSuccess;
}

}  // namespace drollicant::cli
