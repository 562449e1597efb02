#pragma once
#include <array>

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

struct ParameterDescription {
  platform::AUParameterAddress address;
  const char* identifier;  // keys the defaults and the saved state
  const char* displayName;
  platform::AudioUnitParameterUnit unit;
  platform::AUValue initialValue;  // also the default a restored state falls back to
};

inline constexpr platform::AUValue kParameterMinimum = 0.0f;
inline constexpr platform::AUValue kParameterMaximum = 1.0f;
// Writable and readable, nothing else.
inline constexpr platform::AudioUnitParameterOptions kParameterFlags =
    platform::kAudioUnitParameterFlag_IsWritable | platform::kAudioUnitParameterFlag_IsReadable;
// A switch is on from this value up.
inline constexpr platform::AUValue kSwitchThreshold = 0.5f;

// Every parameter in address order. The six continuous controls, then the two switches.
inline constexpr std::array<ParameterDescription, 8> kParameterTable{{
    {kCharisma, "charisma", "Charisma", platform::kAudioUnitParameterUnit_Generic, 0.5f},
    {kNaivete, "naivete", "Naivete", platform::kAudioUnitParameterUnit_Generic, 0.5f},
    {kNostalgia, "nostalgia", "Nostalgia", platform::kAudioUnitParameterUnit_Generic, 0.5f},
    {kSurprise, "surprise", "Surprise", platform::kAudioUnitParameterUnit_Generic, 0.5f},
    {kSweetness, "sweetness", "Sweetness", platform::kAudioUnitParameterUnit_Generic, 0.5f},
    {kWhimsy, "whimsy", "Whimsy", platform::kAudioUnitParameterUnit_Generic, 0.5f},
    {kFlighty, "flighty", "Flighty", platform::kAudioUnitParameterUnit_Boolean, 0.0f},
    {kGenteel, "genteel", "Genteel", platform::kAudioUnitParameterUnit_Boolean, 0.0f},
}};

}  // namespace drollicant
