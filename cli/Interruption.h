#pragma once

namespace drollicant::cli {

// Ctrl-C and termination requests end long work cleanly (temporary files removed)
// instead of killing the process mid-write.
void catchInterruptions();
bool interruptionRequested();
// The conventional exit status after an interruption (128 + SIGINT).
constexpr int kExitInterrupted = 130;

}  // namespace drollicant::cli
