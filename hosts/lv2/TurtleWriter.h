#pragma once
#include <string>

#include "hosts/lv2/PluginDescription.h"

namespace drollicant::lv2 {

// The three TTL files of the bundle, as text.
class TurtleWriter {
public:
  static constexpr const char* kManifestFile = "manifest.ttl";
  static constexpr const char* kPluginFile = "drollicant.ttl";
  static constexpr const char* kPresetsFile = "presets.ttl";

  explicit TurtleWriter(const PluginDescription& description) : plugin(description) {}

  std::string manifest() const;
  std::string pluginData() const;
  std::string presets() const;

  // A number as a Turtle literal that reads back as exactly `value` in single precision.
  static std::string number(float value);
  // A string as a quoted Turtle literal.
  static std::string quoted(const std::string& text);

private:
  static std::string prefixes();
  // The plug-in's X11 editor (drollicant_ui.so).
  std::string editor() const;
  // Who maintains the plug-in; hosts show its name as the maker.
  std::string maintainer() const;
  std::string audioPort(uint32_t index, bool input, const char* symbol, const char* name) const;
  std::string controlPort(uint32_t index, const ControlPortDescription& port) const;
  std::string enabledPort(uint32_t index) const;

  const PluginDescription& plugin;
};

}  // namespace drollicant::lv2
