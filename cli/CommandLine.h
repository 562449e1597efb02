#pragma once
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/Arguments.h"
#include "cli/UnitRecipe.h"

namespace drollicant::cli {

// What every command does first: parse its options, answer --help through `printHelp`
// (handed the described options) and refuse operands unless the command takes them.
// Returns the arguments, or nothing with `exitStatus` set to what the command ends with.
std::optional<Arguments> parseCommandLine(std::string_view command, std::span<const Option> options,
                                          std::span<char* const> argv,
                                          const std::function<void(const std::string& describedOptions)>& printHelp,
                                          bool takesOperands, int& exitStatus);

// The unit settings the arguments ask for; on failure reports it (with the usage hint
// when the command line is at fault) and returns nothing with `exitStatus` set.
std::optional<UnitRecipe> recipeFromArguments(std::string_view command, const Arguments& args,
                                              UnitRecipe::Presets presets, int& exitStatus);

}  // namespace drollicant::cli
