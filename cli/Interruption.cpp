#include "cli/Interruption.h"

#include <atomic>
#include <csignal>

namespace drollicant::cli {
namespace {

std::atomic<bool> requested{false};

extern "C" void onInterruption(int) { requested.store(true, std::memory_order_relaxed); }

}  // namespace

void catchInterruptions() {
  struct sigaction action {};
  action.sa_handler = onInterruption;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool interruptionRequested() { return requested.load(std::memory_order_relaxed); }

}  // namespace drollicant::cli
