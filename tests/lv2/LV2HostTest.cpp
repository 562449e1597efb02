// The built bundle in the real LV2 tools users and hosts rely on.
#include <gtest/gtest.h>

#include "LV2Bundle.h"
#include "support/AudioFiles.h"

namespace fs = std::filesystem;
using namespace testing_support;

TEST(LV2Host, ValidatorFindsNoError) {
  LV2SearchPath path;
  std::vector<std::string> args{"lv2_validate"};
  for (const char* ttl : {"manifest.ttl", "drollicant.ttl", "presets.ttl"}) args.push_back(path.bundle() / ttl);
  const auto result = runProcess(args, path.environment());
  EXPECT_NE((result.out + result.err).find("Found 0 errors"), std::string::npos) << result.out << result.err;
}

// lv2info shows the plug-in, its ports and presets; every LV2 preset holds exactly the
// values the unit applies for that factory preset, and every port default is the value
// of a new unit.
TEST(LV2Host, PortsPresetsAndDefaultsAreExactlyTheUnitsValues) {
  LV2SearchPath path;
  const auto triples = runProcess({"sordi", (path.bundle() / "presets.ttl").string()});
  ASSERT_EQ(triples.status, 0) << triples.err;
  // sordi writes one triple a line: preset -> port node, node -> symbol, node -> value.
  std::map<std::string, int> nodePreset;
  std::map<std::string, std::string> nodeSymbol, nodeValue;
  const std::string presetPrefix = "<urn:drollicant:lv2:drollicant:preset:";
  std::istringstream lines(triples.out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string subject, predicate, object;
    words >> subject >> predicate >> object;
    const auto quoted = [&] { return object.substr(1, object.find('"', 1) - 1); };
    if (subject.starts_with(presetPrefix) && predicate.ends_with("lv2core#port>"))
      nodePreset[object] = std::stoi(subject.substr(presetPrefix.size()));
    else if (predicate.ends_with("lv2core#symbol>"))
      nodeSymbol[subject] = quoted();
    else if (predicate.ends_with("presets#value>"))
      nodeValue[subject] = quoted();
  }
  std::map<int, std::map<std::string, float>> presets;
  for (const auto& [node, number] : nodePreset)
    presets[number][nodeSymbol[node]] = float(std::strtod(nodeValue[node].c_str(), nullptr));
  const auto names = presetNames();
  ASSERT_EQ(presets.size(), names.size());
  for (const auto& [number, values] : presets)
    EXPECT_EQ(values, unitValues({"--preset", std::to_string(number)})) << "preset " << number;

  const auto info = runProcess({"lv2info", kPluginURI}, path.environment());
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Name:              Drollicant"), std::string::npos) << info.out;
  // Hosts show the maintainer as the plug-in's maker (Ardour says "Unknown" without one).
  EXPECT_NE(info.out.find("Author:            Drollicant\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Author Homepage:   urn:drollicant\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("hardRTCapable"), std::string::npos);
  EXPECT_NE(info.out.find("Designation: http://lv2plug.in/ns/lv2core#enabled"), std::string::npos);
  for (const auto& name : names) EXPECT_NE(info.out.find("\t         " + name + "\n"), std::string::npos) << name;
  const auto defaults = unitValues({});
  for (const auto& symbol : kParameterSymbols) {
    const auto at = info.out.find("Symbol:      " + symbol);
    const auto d = info.out.find("Default: ", at);
    ASSERT_NE(d, std::string::npos) << symbol;
    EXPECT_FLOAT_EQ(std::stof(info.out.substr(d + 9)), defaults.at(symbol)) << symbol;
  }
}

class LV2Apply : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(writeAudio(folder / "in.wav", testSignal(48000, 2, 0.2))); }

  AudioData lv2apply(const std::vector<std::pair<std::string, std::string>>& controls) {
    std::vector<std::string> args{"lv2apply", "-i", (folder / "in.wav").string(), "-o", (folder / "lv2.wav").string()};
    for (const auto& [symbol, v] : controls) args.insert(args.end(), {"-c", symbol, v});
    args.push_back(kPluginURI);
    const auto result = runProcess(args, path.environment());
    EXPECT_EQ(result.status, 0) << result.err;
    return readAudio(folder / "lv2.wav");
  }

  // lv2apply calls run with one frame at a time; the sound must not depend on it.
  AudioData command(const std::vector<std::pair<std::string, std::string>>& settings, int block = 1) {
    std::vector<std::string> args{"render",  (folder / "in.wav").string(), "-o", (folder / "cli.wav").string(),
                                  "--block", std::to_string(block)};
    for (const auto& [symbol, v] : settings) args.insert(args.end(), {"--set", symbol + "=" + v});
    const auto result = runDrollicant(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return readAudio(folder / "cli.wav");
  }

  LV2SearchPath path;
  TemporaryDirectory folder;
};

// Port defaults are checked against the unit above, so one run with every control set
// covers the mapping from ports to parameters.
TEST_F(LV2Apply, OutputEqualsTheCommandSampleForSample) {
  const std::vector<std::pair<std::string, std::string>> settings{
      {"charisma", "0.9"},  {"naivete", "0.35"}, {"nostalgia", "0.8"}, {"surprise", "0.65"},
      {"sweetness", "0.2"}, {"whimsy", "0.75"},  {"flighty", "1"},     {"genteel", "1"}};
  const AudioData changed = lv2apply(settings);
  ASSERT_EQ(changed.frames(), readAudio(folder / "in.wav").frames());
  for (int block : {1, 2, 512}) EXPECT_EQ(changed.samples, command(settings, block).samples) << "block " << block;
}
