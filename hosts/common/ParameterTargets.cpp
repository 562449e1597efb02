#include "hosts/common/ParameterTargets.h"

namespace drollicant::hosts {

static_assert(ParameterTargets::kCount <= 32, "one mark bit per parameter");

ParameterTargets::ParameterTargets() {
  for (const auto& row : kParameterTable) values[row.address].store(row.initialValue, std::memory_order_relaxed);
}

void ParameterTargets::post(uint64_t address, float value) {
  if (address >= kCount) return;
  values[address].store(value, std::memory_order_relaxed);
  pending.fetch_or(1u << address, std::memory_order_release);
}

void ParameterTargets::record(uint64_t address, float value) {
  if (address < kCount) values[address].store(value, std::memory_order_relaxed);
}

float ParameterTargets::latest(uint64_t address) const {
  return address < kCount ? values[address].load(std::memory_order_relaxed) : 0.0f;
}

float ParameterTargets::reported(uint64_t address) const {
  const float value = latest(address);
  if (address < kCount && kParameterTable[address].unit == platform::kAudioUnitParameterUnit_Boolean)
    return value >= kSwitchThreshold ? 1.0f : 0.0f;
  return value;
}

}  // namespace drollicant::hosts
