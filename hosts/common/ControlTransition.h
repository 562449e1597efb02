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
  // A switch of the carrier, which changes its frequency and depth in one step: the
  // carrier depth (kFlipDepth) glides to 0, where the carrier gain is 1 whatever the
  // switch says, the switch flips there and the depth glides back. Fading the output
  // instead would not hide it: the step enters the delay lines and is heard a delay
  // later.
  flip,
};

inline constexpr uint64_t kFlipDepth = kWhimsy;

constexpr ControlTransition transitionOf(uint64_t address) {
  switch (address) {
    case kNaivete:
    case kNostalgia:
    case kSurprise:
    case kSweetness:
    case kWhimsy:
      return ControlTransition::glide;
    case kFlighty:
      return ControlTransition::flip;
    default:
      return ControlTransition::direct;
  }
}

// How long a glide takes across the whole range; shorter moves take their share of it. Long enough that no step of the
// kernel's grid moves the sound more than it moves by itself, short enough to follow automation. The tilt needs
// longest: near either end of its range one step of `sweetness` moves the weight of the loudest band by the most.
inline constexpr double kGlideSeconds = 0.050;
inline constexpr double kTiltGlideSeconds = 0.150;

constexpr double glideSeconds(uint64_t address) { return address == kSweetness ? kTiltGlideSeconds : kGlideSeconds; }

}  // namespace drollicant::hosts
