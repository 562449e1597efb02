#include "cli/CommandLine.h"

#include "cli/ExitStatus.h"

namespace drollicant::cli {

std::optional<Arguments> parseCommandLine(std::string_view command, std::span<const Option> options,
                                          std::span<char* const> argv,
                                          const std::function<void(const std::string&)>& printHelp, bool takesOperands,
                                          int& exitStatus) {
  std::string error;
  auto args = Arguments::parse(options, argv, error);
  if (!args) {
    exitStatus = reportUsageError(command, error);
    return std::nullopt;
  }
  if (args->has("help")) {
    printHelp(describeOptions(options));
    exitStatus = kExitSuccess;
    return std::nullopt;
  }
  if (!takesOperands && !args->operands().empty()) {
    exitStatus = reportUsageError(command, "unexpected '" + args->operands()[0] + "'");
    return std::nullopt;
  }
  return args;
}

std::optional<UnitRecipe> recipeFromArguments(std::string_view command, const Arguments& args,
                                              UnitRecipe::Presets presets, int& exitStatus) {
  std::string error;
  int status = kExitSuccess;
  auto recipe = UnitRecipe::fromArguments(args, presets, error, status);
  if (!recipe) {
    if (status == kExitUsage)
      reportUsageError(command, error);
    else
      reportError(error);
    exitStatus = status;
  }
  return recipe;
}

}  // namespace drollicant::cli
