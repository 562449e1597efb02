#include "hosts/common/ControlGlide.h"

#include <cmath>

namespace drollicant::hosts {

void ControlGlide::settle(float value) {
  start = current = goal = value;
  total = remaining = 0;
}

bool ControlGlide::aim(float value, int steps) {
  if (value == goal && (moving() || value == current)) return false;
  if (steps < 1 || !std::isfinite(value) || !std::isfinite(current)) {
    settle(value);
    return true;
  }
  start = current;
  goal = value;
  total = remaining = steps;
  return false;
}

float ControlGlide::step() {
  if (remaining == 0) return current;
  --remaining;
  // The last step lands on the target exactly, whatever the rounding on the way.
  current = remaining == 0 ? goal : start + (goal - start) * (float(total - remaining) / float(total));
  return current;
}

}  // namespace drollicant::hosts
