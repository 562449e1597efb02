#pragma once
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/foundation/NSPropertyListSerialization.h"
#include "support/Subprocess.h"
#include "support/TemporaryDirectory.h"

namespace testing_support {

inline constexpr const char* kPluginURI = "urn:drollicant:lv2:drollicant";
inline const std::vector<std::string> kParameterSymbols{"charisma", "naivete", "nostalgia", "surprise",
                                                        "sweetness", "whimsy", "flighty", "genteel"};

// An LV2 search path holding only the built bundle (and the LV2 specifications), so
// hosts see exactly our plug-in.
class LV2SearchPath {
public:
  LV2SearchPath() { std::filesystem::create_directory_symlink(DROLLICANT_BUNDLE, folder / "drollicant.lv2"); }
  // For the host processes. In sanitizer builds the plug-in needs the sanitizer's
  // runtime loaded first, and the hosts' own leaks are not ours to report.
  std::vector<std::string> environment() const {
    std::vector<std::string> entries{"LV2_PATH=" + folder.get().string() + ":/usr/lib/lv2"};
    if (std::string(DROLLICANT_HOST_PRELOAD).empty()) return entries;
    entries.push_back(std::string("LD_PRELOAD=") + DROLLICANT_HOST_PRELOAD);
    entries.push_back("ASAN_OPTIONS=detect_leaks=0");
    return entries;
  }
  std::filesystem::path bundle() const { return folder / "drollicant.lv2"; }

private:
  TemporaryDirectory folder;
};

inline ProcessResult runDrollicant(std::vector<std::string> args) {
  args.insert(args.begin(), DROLLICANT_COMMAND);
  return runProcess(args);
}

// The parameter values `drollicant state` reports for these options.
inline std::map<std::string, float> unitValues(std::vector<std::string> options) {
  options.insert(options.begin(), "state");
  const auto result = runDrollicant(options);
  std::map<std::string, float> values;
  const auto root = platform::NSPropertyListSerialization::propertyListWithData(result.out, nullptr);
  if (!root || !root->dictionaryValue()) return values;
  if (const auto* params = platform::plistEntry(*root->dictionaryValue(), "drollicant_params"))
    for (const auto& [key, value] : *params->dictionaryValue()) values[key] = value.floatValue();
  return values;
}

inline std::vector<std::string> presetNames() {
  std::vector<std::string> names;
  std::istringstream lines(runDrollicant({"presets"}).out);
  for (std::string line; std::getline(lines, line);) names.push_back(line.substr(line.find('\t') + 1));
  return names;
}

}  // namespace testing_support
