// drollicant state [--preset …] [--state FILE] [--set …] [-o FILE]
#include <array>
#include <cstdio>
#include <vector>

#include "cli/AtomicOutputFile.h"
#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/UnitRecipe.h"
#include "platform/foundation/NSPropertyListSerialization.h"

namespace drollicant::cli {
namespace {

constexpr const char* kCommandName = "state";

std::vector<Option> allOptions() {
  std::vector<Option> all(UnitRecipe::kOptions.begin(), UnitRecipe::kOptions.end());
  all.push_back({"output", 'o', "FILE", "write to FILE instead of standard output"});
  all.push_back({"help", 'h', "", "show this help"});
  return all;
}

}  // namespace

int runStateCommand(std::span<char* const> argv) {
  const auto options = allOptions();
  int status = kExitSuccess;
  const auto args = parseCommandLine(
      kCommandName, options, argv,
      [](const std::string& described) {
        std::printf(
            "Usage: drollicant state [OPTION]...\n"
            "Prints the full state of a new unit, after the settings below, as an XML property\n"
            "list: a file you can keep as your own .aupreset and give back with --state.\n\n"
            "Options:\n%s\nExample:\n  drollicant state --preset 3 --set whimsy=0.2 -o mine.aupreset\n",
            described.c_str());
      },
      false, status);
  if (!args) return status;
  const auto recipe = recipeFromArguments(kCommandName, *args, UnitRecipe::Presets::kRequired, status);
  if (!recipe) return status;
  std::string error;
  const auto unit = recipe->makeUnit(error);
  const auto state = unit ? unit->fullState() : std::nullopt;
  if (!state) {
    reportError(unit ? "the audio unit gave no state" : error);
    return kExitFailure;
  }
  platform::NSError failure;
  const auto xml = platform::NSPropertyListSerialization::dataWithPropertyList(
      platform::PlistValue(*state), platform::NSPropertyListFormat::XML_v1_0, &failure);
  if (!xml) {
    reportError("cannot encode the state: " + failure.localizedDescription);
    return kExitFailure;
  }
  if (const auto output = args->value("output")) {
    auto file = AtomicOutputFile::create(*output, error);
    if (!file || !file->writeText(*xml, error) || !file->commit(error)) {
      reportError(error);
      return kExitFailure;
    }
    return kExitSuccess;
  }
  std::fwrite(xml->data(), 1, xml->size(), stdout);
  return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace drollicant::cli
