#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ExtensionBundle.h"

using namespace drollicant;
using namespace platform;
using testing_support::ExtensionBundle;
using testing_support::makeUnit;
using testing_support::parameterValue;
using testing_support::TemporaryDirectory;

namespace {

using Values = std::map<std::string, PlistValue>;

std::vector<AUValue> allValues(DrollicantAudioUnit& unit) {
  std::vector<AUValue> values;
  for (const auto& parameter : unit.parameterTree()->allParameters()) values.push_back(parameter->value());
  return values;
}

const std::vector<AUValue> kDefaults = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f};

// Moves every parameter away from its default so a restore visibly resets it.
void scramble(DrollicantAudioUnit& unit) {
  for (const auto& parameter : unit.parameterTree()->allParameters()) parameter->setValue(0.875f);
}

std::optional<PlistDictionary> readStateFile(const std::filesystem::path& file) {
  const auto bytes = NSFileManager::defaultManager().contentsAtPath(file, nullptr);
  if (!bytes) return std::nullopt;
  auto root = NSPropertyListSerialization::propertyListWithData(*bytes, nullptr);
  if (!root || !root->dictionaryValue()) return std::nullopt;
  return *root->dictionaryValue();
}

}  // namespace

TEST(SavedState, NewUnitWithoutPresetsSavesItsDefaults) {
  const auto unit = makeUnit();
  const PlistDictionary state = *unit->fullState();
  EXPECT_EQ(state.size(), 7u);
  EXPECT_EQ(state.at("version"), PlistValue::integer(0));
  EXPECT_EQ(state.at("type"), PlistValue::integer(fourCharCode("aufx")));
  EXPECT_EQ(state.at("subtype"), PlistValue::integer(fourCharCode("drlc")));
  EXPECT_EQ(state.at("manufacturer"), PlistValue::integer(fourCharCode("Drol")));
  EXPECT_EQ(state.at("name"), PlistValue::string("Untitled"));
  EXPECT_EQ(state.at("drollicant_state_version"), PlistValue::integer(1));
  const PlistDictionary& params = *state.at("drollicant_params").dictionaryValue();
  ASSERT_EQ(params.size(), 8u);
  for (const auto& row : kParameterTable) EXPECT_EQ(params.at(row.identifier).floatValue(), row.initialValue);
  EXPECT_EQ(unit->fullStateForDocument(), unit->fullState());
}

TEST(SavedState, SurvivesRealXmlAndBinaryFiles) {
  TemporaryDirectory dir;
  const auto source = makeUnit();
  const std::vector<AUValue> settings = {0.1f, 0.25f, 0.3333f, 0.9f, 0.0f, 1.0f, 1.0f, 0.0f};
  for (size_t i = 0; i < settings.size(); ++i) source->parameterTree()->allParameters()[i]->setValue(settings[i]);
  source->setCurrentPreset(AUAudioUnitPreset::make(-3, "Späte Stunde"));

  for (auto format : {NSPropertyListFormat::XML_v1_0, NSPropertyListFormat::Binary_v1_0}) {
    const auto bytes = NSPropertyListSerialization::dataWithPropertyList(PlistValue(*source->fullState()), format,
                                                                         nullptr);
    ASSERT_TRUE(bytes);
    ASSERT_TRUE(NSFileManager::defaultManager().writeContents(dir / "song.plist", *bytes, nullptr));
    const auto restored = readStateFile(dir / "song.plist");
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->at("name"), PlistValue::string("Späte Stunde"));

    const auto target = makeUnit();
    scramble(*target);
    target->setFullStateForDocument(restored);
    EXPECT_EQ(allValues(*target), settings);
    EXPECT_EQ(target->dspKernel->nostalgia.load(), 0.3333f);
    EXPECT_TRUE(target->dspKernel->flighty.load());
    EXPECT_EQ(target->currentPreset(), nullptr);  // restoring does not select a preset
  }
}

TEST(SavedState, RestoreClampsConvertsAndFallsBackToDefaults) {
  const auto unit = makeUnit();
  auto restore = [&](const PlistDictionary& state) {
    scramble(*unit);
    unit->setFullState(state);
    return allValues(*unit);
  };

  std::vector<AUValue> expected = kDefaults;
  expected[kCharisma] = 1.0f;
  EXPECT_EQ(restore(ExtensionBundle::stateWith({{"charisma", PlistValue::real(2.0)}})), expected);

  expected = kDefaults;
  expected[kCharisma] = 0.3f;
  expected[kFlighty] = 1.0f;
  EXPECT_EQ(restore(ExtensionBundle::stateWith({{"charisma", PlistValue::real(0.3)},
                                                {"flighty", PlistValue::boolean(true)}})),
            expected);

  expected = kDefaults;
  expected[kNaivete] = 1.0f;
  expected[kNostalgia] = 0.0f;
  expected[kSurprise] = 1.0f;
  expected[kGenteel] = 1.0f;
  EXPECT_EQ(restore(ExtensionBundle::stateWith({{"naivete", PlistValue::integer(1)},
                                                {"nostalgia", PlistValue::integer(-7)},
                                                {"surprise", PlistValue::integer(INT64_MAX)},
                                                {"genteel", PlistValue::real(1e300)},
                                                {"unknown", PlistValue::real(0.1)}})),
            expected);

  // Any value that is not a number throws the whole entry out.
  EXPECT_EQ(restore(ExtensionBundle::stateWith({{"charisma", PlistValue::real(0.3)},
                                                {"whimsy", PlistValue::string("0.4")}})),
            kDefaults);
  EXPECT_EQ(restore(ExtensionBundle::stateWith({{"charisma", PlistValue::real(0.3)},
                                                {"nested", PlistValue(PlistDictionary{})}})),
            kDefaults);
  PlistDictionary wrongType;
  wrongType["drollicant_params"] = PlistValue(PlistArray{PlistValue::real(0.3)});
  EXPECT_EQ(restore(wrongType), kDefaults);
  wrongType["drollicant_params"] = PlistValue::string("charisma=0.3");
  EXPECT_EQ(restore(wrongType), kDefaults);
  EXPECT_EQ(restore({}), kDefaults);

  // Versions are never compared.
  PlistDictionary future = ExtensionBundle::stateWith({{"whimsy", PlistValue::real(0.7)}});
  future["drollicant_state_version"] = PlistValue::integer(99);
  future["version"] = PlistValue::string("new");
  expected = kDefaults;
  expected[kWhimsy] = 0.7f;
  EXPECT_EQ(restore(future), expected);
}

TEST(SavedState, NonFiniteNumbersCountAsMissing) {
  const auto unit = makeUnit();
  scramble(*unit);
  unit->setFullState(ExtensionBundle::stateWith({{"charisma", PlistValue::real(std::nan(""))},
                                                 {"naivete", PlistValue::real(INFINITY)},
                                                 {"nostalgia", PlistValue::real(-INFINITY)},
                                                 {"whimsy", PlistValue::real(0.25)}}));
  std::vector<AUValue> expected = kDefaults;
  expected[kWhimsy] = 0.25f;
  EXPECT_EQ(allValues(*unit), expected);
  EXPECT_EQ(unit->dspKernel->charisma.load(), 0.5f);

  // The same from an XML file written by hand.
  const auto parsed = NSPropertyListSerialization::propertyListWithData(
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>drollicant_params</key><dict>"
      "<key>charisma</key><real>nan</real><key>surprise</key><real>0.75</real></dict></dict></plist>",
      nullptr);
  ASSERT_TRUE(parsed);
  scramble(*unit);
  unit->setFullState(*parsed->dictionaryValue());
  expected = kDefaults;
  expected[kSurprise] = 0.75f;
  EXPECT_EQ(allValues(*unit), expected);
}

TEST(SavedState, NothingGivenChangesNothing) {
  const auto unit = makeUnit();
  scramble(*unit);
  const auto before = allValues(*unit);
  unit->setFullState(std::nullopt);
  unit->setFullStateForDocument(std::nullopt);
  EXPECT_EQ(allValues(*unit), before);
}
