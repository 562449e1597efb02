#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "audiounit/DrollicantAudioUnit.h"

namespace drollicant {

// The state a host stores for a plug-in instance: the unit's full-state dictionary as
// an XML property list, plus the number of the chosen preset, so a restore selects the
// same preset (and the saved name) before it sets the saved values. Readers accept any
// property-list encoding and dictionaries without the preset number (a state written by
// `fullState` alone): then the saved name is kept as a user preset.
//
// Threads: the host's main thread (never the audio thread: it allocates).
class StateBlob {
public:
  static constexpr const char* kPresetNumberKey = "drollicant_preset_number";

  static std::string save(DrollicantAudioUnit& unit);
  // False, changing nothing, when `bytes` hold no property-list dictionary.
  static bool restore(DrollicantAudioUnit& unit, std::string_view bytes);
};

}  // namespace drollicant
