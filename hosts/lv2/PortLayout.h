#pragma once
#include <cstdint>

#include "hosts/common/PluginIdentity.h"

namespace drollicant::lv2 {

// Port indices shared by the plug-in and the TTL generator: the stereo audio ports,
// then one control port per parameter in the tree's order, then the enable switch.
struct PortLayout {
  static constexpr uint32_t kInputLeft = 0;
  static constexpr uint32_t kInputRight = 1;
  static constexpr uint32_t kOutputLeft = 2;
  static constexpr uint32_t kOutputRight = 3;
  static constexpr uint32_t kFirstParameter = 4;

  static constexpr uint32_t parameterPort(uint32_t position) { return kFirstParameter + position; }
  static constexpr uint32_t enabledPort(uint32_t parameterCount) { return kFirstParameter + parameterCount; }
  static constexpr uint32_t portCount(uint32_t parameterCount) { return enabledPort(parameterCount) + 1; }
};

// The plug-in's and the editor's identity toward LV2 hosts.
inline constexpr const char* kPluginURI = kPluginIdentity.lv2URI;
inline constexpr const char* kPluginBinary = "drollicant.so";
inline constexpr const char* kUIURI = kPluginIdentity.lv2UIURI;
inline constexpr const char* kUIBinary = "drollicant_ui.so";

}  // namespace drollicant::lv2
