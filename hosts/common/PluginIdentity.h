#pragma once
// Who the plug-in is toward every host format: one record for the names, the maker and
// each format's identifier, and one for the host's bypass switch. The parameters
// themselves are the unit's parameter table (audiounit/ParameterTable.h).
#include <array>
#include <cstdint>
#include <string_view>

#include "audiounit/ParameterTable.h"

namespace drollicant {

struct PluginIdentity {
  const char* name;      // the name hosts list the plug-in under
  const char* maker;     // LV2 maintainer, VST3 vendor, CLAP vendor
  const char* homepage;  // the project's URI; every format's identifier lives under it
  const char* summary;   // one line for hosts that show a description
  const char* lv2URI;
  const char* lv2UIURI;
  std::array<uint8_t, 16> vst3ClassId;  // in the byte order of the VST3 TUID
  const char* clapId;
};

inline constexpr PluginIdentity kPluginIdentity{
    .name = "Drollicant",
    .maker = "Drollicant",
    .homepage = "urn:drollicant",
    .summary = "Stereo carrier, octave-band modulated delays and saturation",
    .lv2URI = "urn:drollicant:lv2:drollicant",
    .lv2UIURI = "urn:drollicant:lv2:drollicant#ui",
    // A name-based UUID (version 5, URL namespace) of the LV2 URI: fixed forever, since
    // VST3 hosts key saved projects by it.
    .vst3ClassId = {0x87, 0x79, 0xe8, 0xdb, 0xc8, 0xc8, 0x5b, 0x49, 0x8f, 0x2b, 0x70, 0x3d, 0x73, 0xf3, 0x1c, 0xef},
    .clapId = "org.drollicant.drollicant",
};

// The host's bypass as one more host parameter after the unit's own. LV2 designates the
// opposite sense, an "enabled" port that is on while the effect processes.
struct BypassDescription {
  platform::AUParameterAddress address;
  const char* identifier;
  const char* displayName;
  const char* lv2Symbol;
  const char* lv2Name;
};

inline constexpr BypassDescription kBypassParameter{
    .address = kParameterCount,
    .identifier = "bypass",
    .displayName = "Bypass",
    .lv2Symbol = "enabled",
    .lv2Name = "Enabled",
};

static_assert(std::string_view(kPluginIdentity.lv2URI).starts_with(kPluginIdentity.homepage),
              "the LV2 URI lives under the project's URI");
static_assert(std::string_view(kPluginIdentity.lv2UIURI).starts_with(kPluginIdentity.lv2URI),
              "the editor's URI lives under the plug-in's");

}  // namespace drollicant
