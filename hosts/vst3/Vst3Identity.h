#pragma once
#include <travesty/base.h>

#include <cstring>

#include "hosts/common/PluginIdentity.h"

namespace drollicant::vst3 {

// What VST3 hosts learn beyond the one plug-in record (hosts/common/PluginIdentity.h).
inline constexpr const char* kCategory = "Audio Module Class";
inline constexpr const char* kSubCategories = "Fx|Modulation|Delay|Stereo";
inline constexpr const char* kSdkVersion = "VST 3.7.4";

inline bool isOurClass(const v3_tuid id) {
  return std::memcmp(id, kPluginIdentity.vst3ClassId.data(), sizeof(v3_tuid)) == 0;
}

// Parameter ids: the eight parameters keep their addresses; the host's bypass follows
// them, then the factory preset (program) choice.
inline constexpr v3_param_id kBypassId = v3_param_id(kBypassParameter.address);
inline constexpr v3_param_id kProgramId = kBypassId + 1;
inline constexpr int32_t kProgramListId = 1;
inline constexpr int32_t kRootUnitId = 0;

}  // namespace drollicant::vst3
