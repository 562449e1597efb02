#pragma once
#include <cstdint>

namespace drollicant::hosts {

// One parameter change a host scheduled inside a process call: from `frame` (counted
// from the start of that call's block) on, the parameter at `address` (the unit's
// parameter addresses, 0 to 7) is asked to take `value` (0 to 1; a switch is on from
// 0.5). Format glue translates its host's events into these, sorted by frame.
// kBypassAddress carries the host's bypass with its frame: on from 0.5.
struct ParameterChange {
  uint32_t frame;
  uint64_t address;
  float value;
};

inline constexpr uint64_t kBypassAddress = ~uint64_t(0);

}  // namespace drollicant::hosts
