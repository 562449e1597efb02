#pragma once
#include <string>
#include <utility>
#include <vector>

namespace drollicant::lv2 {

// Everything the TTL files say about the plug-in, gathered from a real unit by the
// generator so that nothing here is typed twice.
struct ControlPortDescription {
  std::string symbol;  // the parameter identifier
  std::string name;    // the parameter's display name
  float minimum = 0.0f;
  float maximum = 1.0f;
  float defaultValue = 0.0f;
  bool toggled = false;
};

struct PresetDescription {
  int number = 0;
  std::string name;
  std::vector<std::pair<std::string, float>> values;  // symbol, value
};

struct PluginDescription {
  std::string uri;
  std::string name;
  std::string maintainerName;
  std::string maintainerHomepage;  // a URI
  std::string binary;              // file name of the shared object inside the bundle
  int minorVersion = 0;
  int microVersion = 0;
  std::vector<ControlPortDescription> parameters;
  std::string enabledSymbol;
  std::string enabledName;
  float enabledDefault = 1.0f;
  std::vector<PresetDescription> presets;

  std::string presetURI(int number) const;
};

}  // namespace drollicant::lv2
