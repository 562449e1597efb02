#pragma once

namespace drollicant::hosts {

// Carries one continuous control from where it stands to a new target in equal steps,
// one step per grid point of the kernel's controls, so the sound never hears the jump.
class ControlGlide {
public:
  // Stands at `value`; nothing moves.
  void settle(float value);
  // Heads from the current value to `value` over `steps` steps. A target it already
  // heads for changes nothing. Returns true when the value jumped instead (no steps
  // asked, or an end that is not finite, which no straight line joins): the kernel
  // must take `value()` at once.
  bool aim(float value, int steps);
  bool moving() const { return remaining > 0; }
  // One grid point on: the value the kernel takes there.
  float step();

  float value() const { return current; }
  float target() const { return goal; }

private:
  float start = 0.0f;
  float current = 0.0f;
  float goal = 0.0f;
  int total = 0;
  int remaining = 0;
};

}  // namespace drollicant::hosts
