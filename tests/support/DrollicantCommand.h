#pragma once
// The built `drollicant` command, run as a separate process. Needs DROLLICANT_COMMAND.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/foundation/NSPropertyListSerialization.h"
#include "support/Subprocess.h"

namespace testing_support {

inline ProcessResult runDrollicant(std::vector<std::string> args) {
  args.insert(args.begin(), DROLLICANT_COMMAND);
  return runProcess(args);
}

// The parameter values `drollicant state` reports for these options.
inline std::map<std::string, float> unitValues(std::vector<std::string> options) {
  options.insert(options.begin(), "state");
  const auto result = runDrollicant(options);
  EXPECT_EQ(result.status, 0) << result.err;
  std::map<std::string, float> values;
  const auto root = platform::NSPropertyListSerialization::propertyListWithData(result.out, nullptr);
  if (!root || !root->dictionaryValue()) return values;
  if (const auto* params = platform::plistEntry(*root->dictionaryValue(), "drollicant_params"))
    for (const auto& [key, value] : *params->dictionaryValue()) values[key] = value.floatValue();
  return values;
}

// The factory preset names `drollicant presets` lists, in order.
inline std::vector<std::string> presetNames() {
  std::vector<std::string> names;
  std::istringstream lines(runDrollicant({"presets"}).out);
  for (std::string line; std::getline(lines, line);) names.push_back(line.substr(line.find('\t') + 1));
  return names;
}

}  // namespace testing_support
