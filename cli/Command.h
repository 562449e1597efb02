#pragma once
#include <span>
#include <string_view>

namespace drollicant::cli {

// One subcommand of `drollicant`. `run` gets the words after the command's name and
// returns the process exit status. To add a command, write its run function in a file
// of its own and add one row to the table in CommandTable.cpp.
struct Command {
  std::string_view name;
  std::string_view summary;
  int (*run)(std::span<char* const> args);
};

std::span<const Command> commandTable();

int runRenderCommand(std::span<char* const> args);
int runPresetsCommand(std::span<char* const> args);
int runStateCommand(std::span<char* const> args);
int runInfoCommand(std::span<char* const> args);
int runSnapshotCommand(std::span<char* const> args);
int runLiveCommand(std::span<char* const> args);

}  // namespace drollicant::cli
