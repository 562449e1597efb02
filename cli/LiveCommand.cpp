// drollicant live [--client NAME] [--server NAME] [--no-connect] [--no-editor] [unit options]
#include <array>
#include <cstdio>
#include <vector>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/Interruption.h"
#include "cli/UnitRecipe.h"
#include "hosts/jack/LiveRunner.h"

namespace drollicant::cli {
namespace {

constexpr const char* kCommandName = "live";
constexpr std::array kLiveOptions{
    Option{"client", 0, "NAME", "the JACK client name (default drollicant)"},
    Option{"server", 0, "NAME", "the JACK server to join (default: the default server)"},
    Option{"no-connect", 0, "", "leave the ports unconnected (default: first two capture and playback ports)"},
    Option{"no-editor", 0, "", "run without the editor window"},
    Option{"help", 'h', "", "show this help"},
};

std::vector<Option> allOptions() {
  std::vector<Option> all(kLiveOptions.begin(), kLiveOptions.end());
  all.insert(all.end() - 1, UnitRecipe::kOptions.begin(), UnitRecipe::kOptions.end());
  return all;
}

}  // namespace

int runLiveCommand(std::span<char* const> argv) {
  int status = kExitSuccess;
  const auto options = allOptions();
  const auto args = parseCommandLine(
      kCommandName, options, argv,
      [](const std::string& described) {
        std::printf(
            "Usage: drollicant live [OPTION]...\n"
            "Runs the effect on a live stereo input through a running JACK server (or PipeWire's\n"
            "JACK), with the editor in a window of its own. It never starts a server.\n"
            "While it runs, standard input takes one command a line: preset N|NAME,\n"
            "set IDENTIFIER VALUE, bypass on|off, quit. Ctrl-C (or closing the window) stops it.\n\n"
            "Options:\n%s",
            described.c_str());
      },
      false, status);
  if (!args) return status;
  const auto recipe = recipeFromArguments(kCommandName, *args, UnitRecipe::Presets::kRequired, status);
  if (!recipe) return status;
  std::string error;
  auto unit = recipe->makeUnit(error);
  if (!unit) {
    reportError(error);
    return kExitFailure;
  }
  jack::LiveOptions live;
  if (const auto client = args->value("client")) live.clientName = *client;
  if (const auto server = args->value("server")) live.serverName = *server;
  live.connectPhysicalPorts = !args->has("no-connect");
  catchInterruptions();
  const int result =
      jack::runLive(std::move(unit), live, !args->has("no-editor"), [] { return interruptionRequested(); });
  return result == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace drollicant::cli
