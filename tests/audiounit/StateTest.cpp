#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ExtensionBundle.h"

using namespace drollicant;
using namespace platform;
using namespace testing_support;

namespace {

// Moves every parameter away from its default so a restore visibly resets it.
void scramble(DrollicantAudioUnit& unit) {
  for (const auto& parameter : unit.parameterTree()->allParameters()) parameter->setValue(0.875f);
}

// The defaults with the changes given.
std::vector<AUValue> defaultsWith(std::initializer_list<std::pair<AUParameterAddress, AUValue>> changes) {
  auto values = kDefaultValues;
  for (const auto& [address, value] : changes) values[address] = value;
  return values;
}

}  // namespace

TEST(SavedState, SurvivesRealXmlAndBinaryFiles) {
  TemporaryDirectory dir;
  const auto source = makeUnit();
  EXPECT_EQ(source->fullStateForDocument(), source->fullState());
  const std::vector<AUValue> settings = {0.1f, 0.25f, 0.3333f, 0.9f, 0.0f, 1.0f, 1.0f, 0.0f};
  for (size_t i = 0; i < settings.size(); ++i) source->parameterTree()->allParameters()[i]->setValue(settings[i]);
  source->setCurrentPreset(AUAudioUnitPreset::make(-3, "Späte Stunde"));

  for (auto format : {NSPropertyListFormat::XML_v1_0, NSPropertyListFormat::Binary_v1_0}) {
    const auto bytes =
        NSPropertyListSerialization::dataWithPropertyList(PlistValue(*source->fullState()), format, nullptr);
    ASSERT_TRUE(bytes);
    ASSERT_TRUE(NSFileManager::defaultManager().writeContents(dir / "song.plist", *bytes, nullptr));
    const auto read = NSFileManager::defaultManager().contentsAtPath(dir / "song.plist", nullptr);
    const auto root = NSPropertyListSerialization::propertyListWithData(read.value_or(""), nullptr);
    ASSERT_TRUE(root && root->dictionaryValue());
    const PlistDictionary restored = *root->dictionaryValue();
    EXPECT_EQ(restored.at("name"), PlistValue::string("Späte Stunde"));

    const auto target = makeUnit();
    scramble(*target);
    target->setFullStateForDocument(restored);
    EXPECT_EQ(kernelFields(*target->dspKernel), settings);
    EXPECT_EQ(target->currentPreset(), nullptr);  // restoring does not select a preset
  }
}

TEST(SavedState, RestoreClampsConvertsAndFallsBackToDefaults) {
  const auto unit = makeUnit();
  PlistDictionary future = ExtensionBundle::stateWith({{"whimsy", PlistValue::real(0.7)}});
  future["drollicant_state_version"] = PlistValue::integer(99);  // versions are never compared
  future["version"] = PlistValue::string("new");
  PlistDictionary arrayParams, stringParams;
  arrayParams["drollicant_params"] = PlistValue(PlistArray{PlistValue::real(0.3)});
  stringParams["drollicant_params"] = PlistValue::string("charisma=0.3");
  const auto handWritten = NSPropertyListSerialization::propertyListWithData(
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>drollicant_params</key><dict>"
      "<key>charisma</key><real>nan</real><key>surprise</key><real>0.75</real></dict></dict></plist>",
      nullptr);
  ASSERT_TRUE(handWritten);

  const std::pair<PlistDictionary, std::vector<AUValue>> cases[] = {
      {ExtensionBundle::stateWith({{"charisma", PlistValue::real(2.0)}}), defaultsWith({{kCharisma, 1.0f}})},
      {ExtensionBundle::stateWith({{"charisma", PlistValue::real(0.3)}, {"flighty", PlistValue::boolean(true)}}),
       defaultsWith({{kCharisma, 0.3f}, {kFlighty, 1.0f}})},
      {ExtensionBundle::stateWith({{"naivete", PlistValue::integer(1)},
                                   {"nostalgia", PlistValue::integer(-7)},
                                   {"surprise", PlistValue::integer(INT64_MAX)},
                                   {"genteel", PlistValue::real(1e300)},
                                   {"unknown", PlistValue::real(0.1)}}),
       defaultsWith({{kNaivete, 1.0f}, {kNostalgia, 0.0f}, {kSurprise, 1.0f}, {kGenteel, 1.0f}})},
      // Any value that is not a number throws the whole entry out.
      {ExtensionBundle::stateWith({{"charisma", PlistValue::real(0.3)}, {"whimsy", PlistValue::string("0.4")}}),
       kDefaultValues},
      {ExtensionBundle::stateWith({{"charisma", PlistValue::real(0.3)}, {"nested", PlistValue(PlistDictionary{})}}),
       kDefaultValues},
      {arrayParams, kDefaultValues},
      {stringParams, kDefaultValues},
      {{}, kDefaultValues},
      {future, defaultsWith({{kWhimsy, 0.7f}})},
      // Non-finite numbers count as missing, not as values to clamp.
      {ExtensionBundle::stateWith({{"charisma", PlistValue::real(std::nan(""))},
                                   {"naivete", PlistValue::real(INFINITY)},
                                   {"nostalgia", PlistValue::real(-INFINITY)},
                                   {"whimsy", PlistValue::real(0.25)}}),
       defaultsWith({{kWhimsy, 0.25f}})},
      {*handWritten->dictionaryValue(), defaultsWith({{kSurprise, 0.75f}})},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    scramble(*unit);
    unit->setFullState(cases[i].first);
    EXPECT_EQ(kernelFields(*unit->dspKernel), cases[i].second) << "case " << i;
  }

  // Nothing given changes nothing.
  scramble(*unit);
  const auto before = treeValues(*unit);
  unit->setFullState(std::nullopt);
  unit->setFullStateForDocument(std::nullopt);
  EXPECT_EQ(treeValues(*unit), before);
}
