#include <gtest/gtest.h>

#include "ExtensionBundle.h"
#include "audiounit/FactoryPresets.h"

using namespace drollicant;
using namespace platform;
using testing_support::ExtensionBundle;
using testing_support::makeUnit;
using testing_support::parameterValue;

namespace {

size_t indexOf(const std::vector<FactoryPresetFile>& files, const std::string& filename) {
  for (size_t i = 0; i < files.size(); ++i)
    if (files[i].filename == filename) return i;
  return files.size();
}

const std::string kNested = [] {
  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>drollicant_params</key>";
  for (int i = 0; i < 5000; ++i) xml += "<dict><key>k</key>";
  return xml;
}();

}  // namespace

TEST(PresetFolder, ListsPresetFilesInNaturalOrderWithDisplayNames) {
  ExtensionBundle bundle;
  for (const char* name :
       {"10-Wild.aupreset", "2-Bright.aupreset", "1-Soft.aupreset", "Intro-Pad.aupreset", "-Pad.aupreset",
        "07-.aupreset", "3 - Warm.aupreset", "\u0663-Warm.aupreset", "4-Caps.AUPRESET", "\xff-Odd.aupreset",
        "notes.txt", ".hidden.aupreset", "5-Notes.aupreset.txt"})
    bundle.addFile(name, "");
  const auto bundleObject = NSBundle::bundleWithURL(bundle.dir.get());
  const auto files = scanFactoryPresets(bundleObject.get());
  ASSERT_EQ(files.size(), 10u);

  // Numbers by value, whatever their script; names without a number prefix after them.
  const std::vector<std::string> ordered = {"1-Soft", "2-Bright", "3 - Warm", "4-Caps", "07-", "10-Wild"};
  for (size_t i = 0; i + 1 < ordered.size(); ++i)
    EXPECT_LT(indexOf(files, ordered[i]), indexOf(files, ordered[i + 1])) << ordered[i];
  EXPECT_LT(indexOf(files, "2-Bright"), indexOf(files, "\u0663-Warm"));
  EXPECT_LT(indexOf(files, "\u0663-Warm"), indexOf(files, "4-Caps"));
  EXPECT_LT(indexOf(files, "10-Wild"), indexOf(files, "Intro-Pad"));

  for (const auto& [filename, name] : std::vector<std::pair<std::string, std::string>>{{"10-Wild", "Wild"},
                                                                                       {"Intro-Pad", "Intro-Pad"},
                                                                                       {"-Pad", "-Pad"},
                                                                                       {"07-", ""},
                                                                                       {"3 - Warm", "3 - Warm"},
                                                                                       {"\u0663-Warm", "Warm"},
                                                                                       {"4-Caps", "Caps"},
                                                                                       {"\xff-Odd", "\xff-Odd"}})
    EXPECT_EQ(files.at(indexOf(files, filename)).name, name) << filename;
  EXPECT_EQ(indexOf(files, "notes"), files.size());
  EXPECT_EQ(indexOf(files, ".hidden"), files.size());

  // The same folder always lists the same way.
  EXPECT_EQ(scanFactoryPresets(bundleObject.get()), files);
}

TEST(PresetFolder, MissingOrUnlistableFolderGivesNoPresets) {
  ExtensionBundle bundle;
  const auto bundleObject = NSBundle::bundleWithURL(bundle.dir.get());
  EXPECT_TRUE(scanFactoryPresets(bundleObject.get()).empty());
  EXPECT_TRUE(scanFactoryPresets(nullptr).empty());
  testing_support::writeFile(bundle.dir / "Resources/presets", "a file, not a folder");
  EXPECT_TRUE(scanFactoryPresets(bundleObject.get()).empty());
  EXPECT_FALSE(loadPresetFile(bundleObject.get(), {"presets", "presets"}));
  EXPECT_FALSE(loadPresetFile(nullptr, {"00-Drollicant", "Drollicant"}));
}

TEST(FactoryPresets, AreOfferedByNumberAndSelectedByNumber) {
  ExtensionBundle bundle;
  bundle.addPreset("10-Wild.aupreset", {{"charisma", PlistValue::real(0.9)}});
  bundle.addPreset("2-Bright.aupreset", {{"charisma", PlistValue::real(0.2)}, {"genteel", PlistValue::real(1.0)}});
  bundle.addPreset("1-Soft.aupreset", {{"charisma", PlistValue::real(0.1)}});
  const auto unit = makeUnit();
  const auto presets = unit->factoryPresets();
  ASSERT_EQ(presets.size(), 3u);
  for (NSInteger i = 0; i < 3; ++i) EXPECT_EQ(presets[size_t(i)]->number(), i);
  EXPECT_EQ(presets[1]->name(), "Bright");
  EXPECT_EQ(unit->currentPreset()->name(), "Soft");
  EXPECT_EQ(testing_support::kernelFields(*unit->dspKernel),
            (std::vector<AUValue>{0.1f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f}));

  unit->setCurrentPreset(presets[1]);
  EXPECT_EQ(parameterValue(*unit, kCharisma), 0.2f);
  EXPECT_EQ(parameterValue(*unit, kGenteel), 1.0f);
  unit->setCurrentPreset(presets[2]);
  EXPECT_EQ(parameterValue(*unit, kCharisma), 0.9f);
  EXPECT_EQ(parameterValue(*unit, kGenteel), 0.0f);  // not in the file: back to its default

  // Out of range: stored, nothing else changes, and its name is saved.
  unit->setCurrentPreset(AUAudioUnitPreset::make(5, "Five"));
  EXPECT_EQ(unit->currentPreset()->number(), 5);
  EXPECT_EQ(parameterValue(*unit, kCharisma), 0.9f);
  EXPECT_EQ(unit->fullState()->at("name"), PlistValue::string("Five"));

  // A user preset: stored, parameters stay.
  unit->parameterTree()->parameterWithAddress(kWhimsy)->setValue(0.33f);
  unit->setCurrentPreset(AUAudioUnitPreset::make(-1, "Mine"));
  EXPECT_EQ(parameterValue(*unit, kWhimsy), 0.33f);
  EXPECT_EQ(unit->fullState()->at("name"), PlistValue::string("Mine"));

  unit->setCurrentPreset(nullptr);  // ignored
  EXPECT_EQ(unit->currentPreset()->name(), "Mine");
}

TEST(FactoryPresets, BrokenFilesAreStoredButChangeNothingWhileCapitalisedOnesLoad) {
  ExtensionBundle bundle;
  bundle.addPreset("00-Good.aupreset", {{"whimsy", PlistValue::real(0.125)}});
  bundle.addFile("01-Empty.aupreset", "");
  bundle.addFile("02-Truncated.aupreset",
                 ExtensionBundle::xml(ExtensionBundle::stateWith({{"whimsy", PlistValue::real(0.9)}})).substr(0, 120));
  bundle.addFile("03-Garbage.aupreset", std::string("\x00\x01\xfe\xff garbage", 13));
  bundle.addFile("04-Array.aupreset", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
  bundle.addFile("05-Nested.aupreset", kNested);
  bundle.addFile("06-Huge.aupreset", std::string(kMaxPresetFileBytes + 1, ' '));
  bundle.addFile("07-Caps.AUPRESET",
                 ExtensionBundle::xml(ExtensionBundle::stateWith({{"whimsy", PlistValue::real(0.9)}})));
  bundle.addFile("08-BinaryGarbage.aupreset", "bplist00" + std::string(64, '\x7f'));
  const auto unit = makeUnit();
  const auto presets = unit->factoryPresets();
  ASSERT_EQ(presets.size(), 9u);
  EXPECT_EQ(parameterValue(*unit, kWhimsy), 0.125f);
  for (size_t i = 1; i < presets.size(); ++i) {
    unit->setCurrentPreset(presets[i]);
    EXPECT_EQ(unit->currentPreset(), presets[i]);
    // The capitalised file is read under the name it was listed by, even where the
    // file system tells case apart.
    EXPECT_EQ(parameterValue(*unit, kWhimsy), presets[i]->name() == "Caps" ? 0.9f : 0.125f) << presets[i]->name();
    unit->setCurrentPreset(presets[0]);
  }
}

TEST(FactoryPresets, ShippedPresetsAreCompleteStatesInRange) {
  const auto bundleObject = NSBundle::bundleWithURL(DROLLICANT_SOURCE_DIR "/audiounit");
  const auto files = scanFactoryPresets(bundleObject.get());
  EXPECT_GE(files.size(), 6u);
  EXPECT_LE(files.size(), 10u);
  for (const auto& file : files) {
    const auto state = loadPresetFile(bundleObject.get(), file);
    ASSERT_TRUE(state) << file.filename;
    EXPECT_EQ(state->at("name"), PlistValue::string(file.name));
    const PlistDictionary& params = *state->at("drollicant_params").dictionaryValue();
    EXPECT_EQ(params.size(), 8u);
    for (const auto& row : kParameterTable) {
      const float value = params.at(row.identifier).floatValue();
      EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << file.filename << " " << row.identifier;
    }
  }
}
