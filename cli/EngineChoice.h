#pragma once
#include <string>

namespace drollicant::cli {

// The variable that names the instruction set of the inner loops, for comparisons.
inline constexpr const char* kEngineChoiceVariable = "DROLLICANT_ISA";

// What to tell the user when `asked` (the variable's value, null when unset) is not
// used: an unknown name, or one this CPU or build cannot run. Empty when it is used or
// nothing was asked.
std::string engineChoiceWarning(const char* asked);

}  // namespace drollicant::cli
