#include "cli/EngineChoice.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "dsp/EngineRoutines.h"

namespace drollicant::cli {

std::string engineChoiceWarning(const char* asked) {
  if (asked == nullptr || *asked == '\0' || engineRoutinesFor(asked) != nullptr) return {};
  const std::string setting = std::string(kEngineChoiceVariable) + "=" + asked;
  const auto& names = kEngineRoutinesNames;
  if (std::any_of(std::begin(names), std::end(names), [&](const char* n) { return std::strcmp(n, asked) == 0; }))
    return setting + ": this CPU or build cannot run it; using the widest instruction set it can";
  std::string accepted;
  for (const char* n : names) accepted += (accepted.empty() ? "" : ", ") + std::string(n);
  return setting + " is not a known instruction set (accepted: " + accepted + "); using the widest this CPU runs";
}

}  // namespace drollicant::cli
