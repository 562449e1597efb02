#pragma once
#include <atomic>

#include "audiounit/ParameterTable.h"
#include "dsp/DrollicantDSPKernel.h"

namespace drollicant {

// The one mapping between parameter addresses and kernel fields, shared by the tree's
// value observer and the render block; it follows the kernel field of each table row.
// Any thread, audio thread included: relaxed atomic stores and loads only.

// Writes `value` into the field of `address`: continuous controls unchanged (no
// clamping), switches on at kSwitchThreshold and above. False for unknown addresses.
inline bool writeKernelParameter(DrollicantDSPKernel& kernel, platform::AUParameterAddress address,
                                 platform::AUValue value) {
  const ParameterDescription* row = parameterAt(address);
  if (row == nullptr) return false;
  if (row->isSwitch())
    (kernel.*(row->switchField)).store(value >= kSwitchThreshold, std::memory_order_relaxed);
  else
    (kernel.*(row->continuousField)).store(value, std::memory_order_relaxed);
  return true;
}

inline bool isKernelParameter(platform::AUParameterAddress address) { return parameterAt(address) != nullptr; }

// The value held for `address`: switches read 1 or 0; unknown addresses read 0.
inline platform::AUValue readKernelParameter(const DrollicantDSPKernel& kernel, platform::AUParameterAddress address) {
  const ParameterDescription* row = parameterAt(address);
  if (row == nullptr) return 0.0f;
  if (row->isSwitch()) return (kernel.*(row->switchField)).load(std::memory_order_relaxed) ? kSwitchOn : kSwitchOff;
  return (kernel.*(row->continuousField)).load(std::memory_order_relaxed);
}

}  // namespace drollicant
