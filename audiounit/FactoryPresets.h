#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/NSBundle.h"
#include "platform/foundation/PlistValue.h"

namespace drollicant {

inline constexpr const char* kPresetsFolder = "presets";
inline constexpr const char* kPresetExtension = "aupreset";

// One factory preset file: its name without extension, the name shown to users, and
// the extension as written on disk (any case of "aupreset"), so the file that was
// listed is the one that loads on file systems that tell case apart.
struct FactoryPresetFile {
  std::string filename;
  std::string name;
  std::string extension = kPresetExtension;
  bool operator==(const FactoryPresetFile&) const = default;
};
// Preset files are a few kilobytes; anything beyond this is not one of ours.
inline constexpr size_t kMaxPresetFileBytes = 4u << 20;

// "10-Wild" → "Wild": the part after the first "-" when everything before it is a
// non-empty run of numeric characters (any script); otherwise the filename itself.
std::string presetDisplayName(std::string_view filename);

// The preset files directly in `Resources/presets/` of `bundle`: hidden files skipped,
// extension "aupreset" in any case, in natural order of the full file names (stable,
// so equal names keep the listing's order). Empty when there is no bundle, no folder
// or it cannot be listed.
std::vector<FactoryPresetFile> scanFactoryPresets(const platform::NSBundle* bundle);

// The root dictionary of `presets/<filename>.<extension>` in `bundle`; none when the file
// is missing, unreadable, larger than kMaxPresetFileBytes, not a property list or not a
// dictionary.
std::optional<platform::PlistDictionary> loadPresetFile(const platform::NSBundle* bundle,
                                                        const FactoryPresetFile& file);

}  // namespace drollicant
