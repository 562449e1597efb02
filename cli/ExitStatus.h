#pragma once
#include <string_view>

namespace drollicant::cli {

// Process exit statuses of every command.
enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFailure = 1,  // a file could not be read or written, the unit refused to render
  kExitUsage = 2,    // the command line itself is wrong
};

// Prints "drollicant: <message>" on standard error.
void reportError(std::string_view message);

// Prints "drollicant: <message>" and a hint to ask for help; returns kExitUsage.
int reportUsageError(std::string_view command, std::string_view message);

}  // namespace drollicant::cli
