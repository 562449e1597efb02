#pragma once
#include <atomic>

#include "audiounit/ParameterTable.h"
#include "dsp/DrollicantDSPKernel.h"

namespace drollicant {

// The one mapping between parameter addresses and kernel fields, shared by the tree's
// value observer and the render block. Any thread, audio thread included: relaxed
// atomic stores and loads only.

// Writes `value` into the field of `address`: continuous controls unchanged (no
// clamping), switches on at kSwitchThreshold and above. False for unknown addresses.
inline bool writeKernelParameter(DrollicantDSPKernel& kernel, platform::AUParameterAddress address,
                                 platform::AUValue value) {
  std::atomic<float>* continuous = nullptr;
  std::atomic<bool>* toggle = nullptr;
  switch (address) {
    case kCharisma:
      continuous = &kernel.charisma;
      break;
    case kNaivete:
      continuous = &kernel.naivete;
      break;
    case kNostalgia:
      continuous = &kernel.nostalgia;
      break;
    case kSurprise:
      continuous = &kernel.surprise;
      break;
    case kSweetness:
      continuous = &kernel.sweetness;
      break;
    case kWhimsy:
      continuous = &kernel.whimsy;
      break;
    case kFlighty:
      toggle = &kernel.flighty;
      break;
    case kGenteel:
      toggle = &kernel.genteel;
      break;
    default:
      return false;
  }
  if (continuous)
    continuous->store(value, std::memory_order_relaxed);
  else
    toggle->store(value >= kSwitchThreshold, std::memory_order_relaxed);
  return true;
}

inline bool isKernelParameter(platform::AUParameterAddress address) { return address <= kGenteel; }

// The value held for `address`: switches read 1 or 0; unknown addresses read 0.
inline platform::AUValue readKernelParameter(const DrollicantDSPKernel& kernel, platform::AUParameterAddress address) {
  const auto load = [](const std::atomic<float>& field) { return field.load(std::memory_order_relaxed); };
  const auto loadSwitch = [](const std::atomic<bool>& field) {
    return field.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
  };
  switch (address) {
    case kCharisma:
      return load(kernel.charisma);
    case kNaivete:
      return load(kernel.naivete);
    case kNostalgia:
      return load(kernel.nostalgia);
    case kSurprise:
      return load(kernel.surprise);
    case kSweetness:
      return load(kernel.sweetness);
    case kWhimsy:
      return load(kernel.whimsy);
    case kFlighty:
      return loadSwitch(kernel.flighty);
    case kGenteel:
      return loadSwitch(kernel.genteel);
    default:
      return 0.0f;
  }
}

}  // namespace drollicant
