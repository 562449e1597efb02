#include "cli/ExitStatus.h"

#include <cstdio>
#include <string>

namespace drollicant::cli {

void reportError(std::string_view message) {
  std::fprintf(stderr, "drollicant: %.*s\n", int(message.size()), message.data());
}

int reportUsageError(std::string_view command, std::string_view message) {
  reportError(message);
  const std::string hint = command.empty() ? "drollicant --help" : "drollicant " + std::string(command) + " --help";
  std::fprintf(stderr, "Try '%s' for more information.\n", hint.c_str());
  return kExitUsage;
}

}  // namespace drollicant::cli
