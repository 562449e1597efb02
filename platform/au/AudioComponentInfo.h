#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/au/AudioTypes.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSError.h"

namespace platform {

// How an extension registers its audio unit with hosts: the first entry of
// NSExtension → NSExtensionAttributes → AudioComponents in the bundle's Info.plist,
// with "type", "subtype" and "manufacturer" four-character strings, "name" and an
// integer "version".
struct AudioComponentInfo {
  AudioComponentDescription description;
  std::string name;
  uint32_t version = 0;
};

// The entry of an information dictionary; none, with an error naming what is missing
// or malformed, when there is no usable entry.
std::optional<AudioComponentInfo> audioComponentFromInfoDictionary(const PlistDictionary& info, NSError* outError);
// The same from a bundle's Info.plist.
std::optional<AudioComponentInfo> audioComponentFromBundle(const NSBundle& bundle, NSError* outError);

// "aufx" → 'aufx'; none unless the text is exactly four bytes.
std::optional<OSType> fourCharCodeFromString(std::string_view text);
// 'aufx' → "aufx".
std::string stringFromFourCharCode(OSType code);

}  // namespace platform
