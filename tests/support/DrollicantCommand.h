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

// The parameters' identifiers (LV2 port symbols, state keys, --set names), in address order.
inline const std::vector<std::string> kParameterSymbols{"charisma",  "naivete", "nostalgia", "surprise",
                                                        "sweetness", "whimsy",  "flighty",   "genteel"};

// The words that start a program of this build: in a cross build, its emulator first
// (the kernel of the build machine cannot run it by itself).
inline std::vector<std::string> buildProgram(const std::string& path) {
  std::vector<std::string> words;
#if defined(DROLLICANT_TARGET_EMULATOR)
  std::istringstream emulator(DROLLICANT_TARGET_EMULATOR);
  for (std::string word; emulator >> word;) words.push_back(word);
#endif
  words.push_back(path);
  return words;
}

inline ProcessResult runDrollicant(std::vector<std::string> args) {
  const auto program = buildProgram(DROLLICANT_COMMAND);
  args.insert(args.begin(), program.begin(), program.end());
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
