#pragma once
#include <cstdint>

#include "audiounit/ParameterTable.h"

namespace drollicant::hosts {

// How a change of each control reaches the sound while the effect is heard.
enum class ControlTransition {
  // Taken at once: the kernel smooths it itself (charisma and genteel move the delay
  // targets, which the delay lines glide to).
  direct,
  // A straight line over a short time, one step per grid point of the kernel's controls.
  glide,
  // The output dips to the dry input, the switch flips while nothing of it is heard,
  // and the output comes back: a switch changes the carrier in one step, which no
  // smoothing inside the kernel covers.
  dip,
};

constexpr ControlTransition transitionOf(uint64_t address) {
  switch (address) {
    case kNaivete:
    case kNostalgia:
    case kSurprise:
    case kSweetness:
    case kWhimsy:
      return ControlTransition::glide;
    case kFlighty:
      return ControlTransition::dip;
    default:
      return ControlTransition::direct;
  }
}

// How long a glide takes across the whole range. Long enough that no step of the kernel's
// grid moves the sound more than it moves by itself, short enough to follow automation.
// The tilt needs longest: near either end of its range one step of `sweetness` moves the
// weight of the loudest band by the most.
inline constexpr double kGlideSeconds = 0.050;
inline constexpr double kTiltGlideSeconds = 0.150;

constexpr double glideSeconds(uint64_t address) { return address == kSweetness ? kTiltGlideSeconds : kGlideSeconds; }

}  // namespace drollicant::hosts
