// The `drollicant` command: the effect from the command line.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/Command.h"
#include "cli/EngineChoice.h"
#include "cli/ExitStatus.h"
#include "cli/Version.h"

using namespace drollicant::cli;

namespace {

void printHelp() {
  std::printf(
      "Usage: drollicant COMMAND [OPTION]...\n"
      "Drollicant, a stereo audio effect: carrier modulation, an 11-band crossover with\n"
      "swept feedback delays, a tilted sum and saturation.\n\nCommands:\n");
  for (const auto& command : commandTable())
    std::printf("  %-10.*s %.*s\n", int(command.name.size()), command.name.data(), int(command.summary.size()),
                command.summary.data());
  std::printf(
      "\nRun 'drollicant COMMAND --help' for the options of a command.\n"
      "With no input, 'drollicant render -o demo.wav' renders a built-in demo clip.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printHelp();
    return kExitUsage;
  }
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    printHelp();
    return kExitSuccess;
  }
  if (first == "--version") {
    std::printf("drollicant %s\n", kVersion);
    return kExitSuccess;
  }
  if (const auto warning = engineChoiceWarning(std::getenv(kEngineChoiceVariable)); !warning.empty())
    reportError("warning: " + warning);
  for (const auto& command : commandTable())
    if (command.name == first) return command.run(std::span<char* const>(argv + 2, size_t(argc - 2)));
  return reportUsageError("", "unknown command '" + std::string(first) + "'");
}
