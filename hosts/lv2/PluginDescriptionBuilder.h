#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "hosts/lv2/PluginDescription.h"

namespace drollicant::lv2 {

// Learns what the TTL files say from a real unit made in the bundle: the parameter
// tree gives the control ports, a new unit's values (factory preset 0 applied) give
// their defaults, and each factory preset applied in turn gives that preset's values.
class PluginDescriptionBuilder {
public:
  // Build thread. Nothing, with `error`, when the bundle has no usable Info.plist or
  // the unit cannot be made. Must run before any other unit exists in the process,
  // since the factory presets are read once from the first bundle used.
  static std::optional<PluginDescription> describe(const std::filesystem::path& bundle, std::string& error);
};

}  // namespace drollicant::lv2
