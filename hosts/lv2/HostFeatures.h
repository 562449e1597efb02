#pragma once
#include <cstdint>

#include <lv2/core/lv2.h>

namespace drollicant::lv2 {

// What the plug-in takes from the host's features at instantiation. Every feature is
// optional: without urid:map or options the plug-in falls back to a safe block size.
struct HostFeatures {
  // Used when the host does not state its largest block; longer runs are sliced.
  static constexpr uint32_t kDefaultMaxBlockLength = 4096;
  // A stated maximum above this is clamped (run slices anyway), so a host cannot make
  // the kernel reserve absurd amounts of memory.
  static constexpr uint32_t kLargestMaxBlockLength = 1u << 16;

  uint32_t maxBlockLength = kDefaultMaxBlockLength;

  // Instantiation thread.
  static HostFeatures read(const LV2_Feature* const* features);
};

}  // namespace drollicant::lv2
