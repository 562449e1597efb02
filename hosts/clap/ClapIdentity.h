#pragma once
#include <clap/id.h>

#include <cstdint>

namespace drollicant::clap {

// The plug-in's identity toward CLAP hosts.
inline constexpr const char* kPluginId = "org.drollicant.drollicant";
inline constexpr const char* kPluginName = "Drollicant";
inline constexpr const char* kVendor = "Drollicant";
inline constexpr const char* kDescription = "Stereo carrier, octave-band modulated delays and saturation";

// Parameter ids: the eight parameters keep their addresses; the host's bypass and the
// factory preset choice follow them.
inline constexpr clap_id kBypassId = 8;
inline constexpr clap_id kPresetId = 9;

}  // namespace drollicant::clap
