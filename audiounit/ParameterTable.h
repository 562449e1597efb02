#pragma once
#include <array>
#include <atomic>
#include <cstddef>

#include "dsp/DrollicantDSPKernel.h"
#include "platform/au/AUParameterTree.h"

namespace drollicant {

// Parameter addresses; the editor uses the same numbers as its control tags.
enum ParameterAddress : platform::AUParameterAddress {
  kCharisma = 0,
  kNaivete = 1,
  kNostalgia = 2,
  kSurprise = 3,
  kSweetness = 4,
  kWhimsy = 5,
  kFlighty = 6,
  kGenteel = 7,
};

inline constexpr platform::AUValue kParameterMinimum = 0.0f;
inline constexpr platform::AUValue kParameterMaximum = 1.0f;
// Writable and readable, nothing else.
inline constexpr platform::AudioUnitParameterOptions kParameterFlags =
    platform::kAudioUnitParameterFlag_IsWritable | platform::kAudioUnitParameterFlag_IsReadable;
// A switch is on from this value up; whoever sets a switch writes one of the two ends.
inline constexpr platform::AUValue kSwitchThreshold = 0.5f;
inline constexpr platform::AUValue kSwitchOn = kParameterMaximum;
inline constexpr platform::AUValue kSwitchOff = kParameterMinimum;
// Where a continuous control starts, and where a knob's double-click puts it back.
inline constexpr platform::AUValue kContinuousInitialValue = 0.5f;

// One parameter as every part of the plug-in sees it: the tree, the kernel, the editor
// and each host format. Exactly one of the two kernel fields is set.
struct ParameterDescription {
  platform::AUParameterAddress address;
  const char* identifier;  // keys the defaults and the saved state; the hosts' symbol
  const char* displayName;
  platform::AudioUnitParameterUnit unit;
  platform::AUValue initialValue;  // also the default a restored state falls back to
  std::atomic<float> DrollicantDSPKernel::*continuousField;
  std::atomic<bool> DrollicantDSPKernel::*switchField;

  constexpr bool isSwitch() const { return switchField != nullptr; }
  // The value a host or a restored state sets, as the kernel holds it: switches land on
  // one of their two ends.
  constexpr platform::AUValue heldValue(platform::AUValue value) const {
    if (!isSwitch()) return value;
    return value >= kSwitchThreshold ? kSwitchOn : kSwitchOff;
  }
};

constexpr ParameterDescription continuousParameter(ParameterAddress address, const char* identifier,
                                                   const char* displayName,
                                                   std::atomic<float> DrollicantDSPKernel::*field) {
  return {address, identifier, displayName, platform::kAudioUnitParameterUnit_Generic, kContinuousInitialValue,
          field,   nullptr};
}

constexpr ParameterDescription switchParameter(ParameterAddress address, const char* identifier,
                                               const char* displayName, std::atomic<bool> DrollicantDSPKernel::*field) {
  return {address, identifier, displayName, platform::kAudioUnitParameterUnit_Boolean, kSwitchOff, nullptr, field};
}

// Every parameter in address order. The six continuous controls, then the two switches.
inline constexpr std::array<ParameterDescription, 8> kParameterTable{{
    continuousParameter(kCharisma, "charisma", "Charisma", &DrollicantDSPKernel::charisma),
    continuousParameter(kNaivete, "naivete", "Naivete", &DrollicantDSPKernel::naivete),
    continuousParameter(kNostalgia, "nostalgia", "Nostalgia", &DrollicantDSPKernel::nostalgia),
    continuousParameter(kSurprise, "surprise", "Surprise", &DrollicantDSPKernel::surprise),
    continuousParameter(kSweetness, "sweetness", "Sweetness", &DrollicantDSPKernel::sweetness),
    continuousParameter(kWhimsy, "whimsy", "Whimsy", &DrollicantDSPKernel::whimsy),
    switchParameter(kFlighty, "flighty", "Flighty", &DrollicantDSPKernel::flighty),
    switchParameter(kGenteel, "genteel", "Genteel", &DrollicantDSPKernel::genteel),
}};

inline constexpr size_t kParameterCount = kParameterTable.size();

// The row of `address`, or null for an address that names no parameter.
constexpr const ParameterDescription* parameterAt(platform::AUParameterAddress address) {
  return address < kParameterCount ? &kParameterTable[address] : nullptr;
}

namespace parameter_table_checks {

constexpr bool rowsInAddressOrder() {
  for (size_t i = 0; i < kParameterCount; ++i)
    if (kParameterTable[i].address != i) return false;
  return true;
}

// The identifier is the display name with its first letter in lower case.
constexpr bool identifiersFollowNames() {
  for (const auto& row : kParameterTable) {
    const char* id = row.identifier;
    const char* name = row.displayName;
    if (*name < 'A' || *name > 'Z' || *id != *name - 'A' + 'a') return false;
    for (++id, ++name; *id || *name; ++id, ++name)
      if (*id != *name) return false;
  }
  return true;
}

constexpr bool oneKernelFieldEach() {
  for (const auto& row : kParameterTable)
    if ((row.continuousField == nullptr) == (row.switchField == nullptr)) return false;
  return true;
}

static_assert(rowsInAddressOrder(), "parameterAt indexes the table by address");
static_assert(identifiersFollowNames());
static_assert(oneKernelFieldEach());

}  // namespace parameter_table_checks

}  // namespace drollicant
