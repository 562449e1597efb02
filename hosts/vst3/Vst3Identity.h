#pragma once
#include <travesty/base.h>

namespace drollicant::vst3 {

// The plug-in's identity toward VST3 hosts. The class id never changes: hosts store it
// in their sessions.
inline constexpr v3_tuid kClassId = V3_ID(0x4472C16C, 0x616E7420, 0x56535433, 0x2D414658);
inline constexpr const char* kVendor = "Drollicant";
inline constexpr const char* kName = "Drollicant";
inline constexpr const char* kCategory = "Audio Module Class";
inline constexpr const char* kSubCategories = "Fx|Modulation|Delay|Stereo";
inline constexpr const char* kSdkVersion = "VST 3.7.4";

// Parameter ids: the eight parameters keep their addresses; the host's bypass and the
// factory preset (program) choice follow them.
inline constexpr v3_param_id kBypassId = 8;
inline constexpr v3_param_id kProgramId = 9;
inline constexpr int32_t kProgramListId = 1;
inline constexpr int32_t kRootUnitId = 0;

}  // namespace drollicant::vst3
