#pragma once
// The version line the application shows: "v<short version> (<build>)" from its information
// dictionary. Main thread.
#include <string>

#include "platform/foundation/PlistValue.h"

namespace drollicant {

inline constexpr const char* kShortVersionKey = "CFBundleShortVersionString";
inline constexpr const char* kBuildVersionKey = "CFBundleVersion";
// Stands in for a part that is missing or not a string.
inline constexpr const char* kUnknownVersionPart = "?";

// A null dictionary counts as missing; each part falls back to "?" on its own.
std::string versionLine(const platform::PlistDictionary* info);

}  // namespace drollicant
