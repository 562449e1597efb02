#include <gtest/gtest.h>

#include <cmath>

#include "ExtensionBundle.h"
#include "audiounit/FactoryPresets.h"

using namespace drollicant;
using namespace platform;
using testing_support::ExtensionBundle;
using testing_support::makeUnit;
using testing_support::parameterValue;

namespace {

std::vector<std::string> filenames(const std::vector<FactoryPresetFile>& files) {
  std::vector<std::string> names;
  for (const auto& file : files) names.push_back(file.filename);
  return names;
}

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
  for (const char* name : {"10-Wild.aupreset", "2-Bright.aupreset", "1-Soft.aupreset", "Intro-Pad.aupreset",
                           "-Pad.aupreset", "07-.aupreset", "3 - Warm.aupreset", "\u0663-Warm.aupreset",
                           "\uFF13-Hot.aupreset", "4-Caps.AUPRESET", "\xff-Odd.aupreset", "notes.txt",
                           ".hidden.aupreset", "5-Notes.aupreset.txt"})
    bundle.addFile(name, "");
  const auto bundleObject = NSBundle::bundleWithURL(bundle.dir.get());
  const auto files = scanFactoryPresets(bundleObject.get());
  ASSERT_EQ(files.size(), 11u) << testing::PrintToString(filenames(files));

  // Numbers by value, whatever their script; names without a number prefix after them.
  const std::vector<std::string> ordered = {"1-Soft", "2-Bright", "3 - Warm", "4-Caps", "07-", "10-Wild"};
  for (size_t i = 0; i + 1 < ordered.size(); ++i)
    EXPECT_LT(indexOf(files, ordered[i]), indexOf(files, ordered[i + 1])) << ordered[i];
  EXPECT_LT(indexOf(files, "2-Bright"), indexOf(files, "\u0663-Warm"));
  EXPECT_LT(indexOf(files, "\uFF13-Hot"), indexOf(files, "4-Caps"));
  EXPECT_LT(indexOf(files, "10-Wild"), indexOf(files, "Intro-Pad"));

  auto nameOf = [&](const std::string& filename) { return files.at(indexOf(files, filename)).name; };
  EXPECT_EQ(nameOf("10-Wild"), "Wild");
  EXPECT_EQ(nameOf("Intro-Pad"), "Intro-Pad");
  EXPECT_EQ(nameOf("-Pad"), "-Pad");
  EXPECT_EQ(nameOf("07-"), "");
  EXPECT_EQ(nameOf("3 - Warm"), "3 - Warm");
  EXPECT_EQ(nameOf("\u0663-Warm"), "Warm");
  EXPECT_EQ(nameOf("\uFF13-Hot"), "Hot");
  EXPECT_EQ(nameOf("4-Caps"), "Caps");
  EXPECT_EQ(nameOf("\xff-Odd"), "\xff-Odd");
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
  EXPECT_FALSE(loadPresetFile(bundleObject.get(), "presets"));
  EXPECT_FALSE(loadPresetFile(nullptr, "00-Drollicant"));
}

TEST(FactoryPresets, AreOfferedByNumberAndSelectedByNumber) {
  ExtensionBundle bundle;
  bundle.addPreset("10-Wild.aupreset", {{"charisma", PlistValue::real(0.9)}});
  bundle.addPreset("2-Bright.aupreset", {{"charisma", PlistValue::real(0.2)}, {"genteel", PlistValue::real(1.0)}});
  bundle.addPreset("1-Soft.aupreset", {{"charisma", PlistValue::real(0.1)}});
  const auto unit = makeUnit();
  const auto presets = unit->factoryPresets();
  ASSERT_EQ(presets.size(), 3u);
  EXPECT_EQ(presets[0]->name(), "Soft");
  EXPECT_EQ(presets[1]->name(), "Bright");
  EXPECT_EQ(presets[2]->name(), "Wild");
  for (NSInteger i = 0; i < 3; ++i) EXPECT_EQ(presets[size_t(i)]->number(), i);
  EXPECT_NE(unit->factoryPresets()[0], presets[0]);  // fresh records on every read
  EXPECT_EQ(unit->currentPreset()->name(), "Soft");
  EXPECT_EQ(parameterValue(*unit, kCharisma), 0.1f);

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

  // The name does not matter, only the number.
  unit->setCurrentPreset(AUAudioUnitPreset::make(0, "Wild"));
  EXPECT_EQ(parameterValue(*unit, kCharisma), 0.1f);

  unit->setCurrentPreset(nullptr);
  EXPECT_EQ(unit->currentPreset()->name(), "Wild");
}

TEST(FactoryPresets, BrokenFilesAreStoredButChangeNothing) {
  ExtensionBundle bundle;
  bundle.addPreset("00-Good.aupreset", {{"whimsy", PlistValue::real(0.125)}});
  bundle.addFile("01-Empty.aupreset", "");
  bundle.addFile("02-Truncated.aupreset", ExtensionBundle::xml(ExtensionBundle::stateWith(
                                              {{"whimsy", PlistValue::real(0.9)}})).substr(0, 120));
  bundle.addFile("03-Garbage.aupreset", std::string("\x00\x01\xfe\xff garbage", 13));
  bundle.addFile("04-Array.aupreset", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
  bundle.addFile("05-Nested.aupreset", kNested);
  bundle.addFile("06-Huge.aupreset", std::string(kMaxPresetFileBytes + 1, ' '));
  bundle.addFile("07-Caps.AUPRESET", ExtensionBundle::xml(ExtensionBundle::stateWith(
                                         {{"whimsy", PlistValue::real(0.9)}})));
  bundle.addFile("08-BinaryGarbage.aupreset", "bplist00" + std::string(64, '\x7f'));
  const auto unit = makeUnit();
  const auto presets = unit->factoryPresets();
  ASSERT_EQ(presets.size(), 9u);
  EXPECT_EQ(parameterValue(*unit, kWhimsy), 0.125f);
  for (size_t i = 1; i < presets.size(); ++i) {
    unit->setCurrentPreset(presets[i]);
    EXPECT_EQ(unit->currentPreset(), presets[i]);
    // The capitalised file is listed but asked for as ".aupreset", which a
    // case-sensitive file system does not find.
    EXPECT_EQ(parameterValue(*unit, kWhimsy), 0.125f) << presets[i]->name();
  }
}

TEST(FactoryPresets, ShippedPresetsAreCompleteStatesInRange) {
  const auto folder = ExtensionBundle::shippedPresetsFolder();
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    ++count;
    const std::string filename = entry.path().stem().string();
    ASSERT_EQ(entry.path().extension(), ".aupreset");
    const auto bytes = NSFileManager::defaultManager().contentsAtPath(entry.path(), nullptr);
    ASSERT_TRUE(bytes);
    EXPECT_NE(bytes->find("<?xml"), std::string::npos) << filename;
    const auto root = NSPropertyListSerialization::propertyListWithData(*bytes, nullptr);
    ASSERT_TRUE(root && root->dictionaryValue()) << filename;
    const PlistDictionary& state = *root->dictionaryValue();
    EXPECT_EQ(state.size(), 7u) << filename;
    EXPECT_EQ(state.at("name"), PlistValue::string(presetDisplayName(filename)));
    EXPECT_EQ(state.at("type"), PlistValue::integer(fourCharCode("aufx")));
    EXPECT_EQ(state.at("subtype"), PlistValue::integer(fourCharCode("drlc")));
    EXPECT_EQ(state.at("manufacturer"), PlistValue::integer(fourCharCode("Drol")));
    EXPECT_EQ(state.at("drollicant_state_version"), PlistValue::integer(1));
    const PlistDictionary& params = *state.at("drollicant_params").dictionaryValue();
    EXPECT_EQ(params.size(), 8u);
    for (const auto& row : kParameterTable) {
      const float value = params.at(row.identifier).floatValue();
      EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << filename << " " << row.identifier;
    }
  }
  EXPECT_GE(count, 6u);
  EXPECT_LE(count, 10u);
}

TEST(FactoryPresets, ANewUnitStartsWithTheShippedFirstPresetAndItIsAudible) {
  ExtensionBundle bundle;
  bundle.addShippedPresets();
  const auto unit = makeUnit();
  ASSERT_TRUE(unit->currentPreset());
  EXPECT_EQ(unit->currentPreset()->name(), "Drollicant");
  const auto expected = loadPresetFile(NSBundle::bundleWithURL(bundle.dir.get()).get(), "00-Drollicant");
  ASSERT_TRUE(expected);
  for (const auto& parameter : unit->parameterTree()->allParameters())
    EXPECT_EQ(parameter->value(),
              expected->at("drollicant_params").dictionaryValue()->at(parameter->identifier()).floatValue());

  // Two seconds of a 220 Hz tone: the effect must change it clearly, not subtly.
  constexpr AUAudioFrameCount kBlock = 512;
  unit->setMaximumFramesToRender(kBlock);
  ASSERT_TRUE(unit->allocateRenderResources(nullptr));
  const auto block = unit->internalRenderBlock();
  std::vector<float> left(kBlock), right(kBlock);
  double inputEnergy = 0.0, outputEnergy = 0.0, differenceEnergy = 0.0;
  int64_t t = 0;
  for (int n = 0; n < 2 * 44100 / int(kBlock); ++n) {
    std::vector<float> input(kBlock);
    for (auto& x : input) x = 0.3f * float(std::sin(2.0 * M_PI * 220.0 * double(t++) / 44100.0));
    auto pull = [&](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount frames, NSInteger,
                    AudioBufferList* list) -> AUAudioUnitStatus {
      std::copy_n(input.begin(), frames, static_cast<float*>(list->mBuffers[0].mData));
      std::copy_n(input.begin(), frames, static_cast<float*>(list->mBuffers[1].mData));
      return noErr;
    };
    StereoBufferList list;
    list.setBuffer(0, left.data(), 1, kBlock);
    list.setBuffer(1, right.data(), 1, kBlock);
    AudioUnitRenderActionFlags flags = 0;
    ASSERT_EQ(block(&flags, nullptr, kBlock, 0, list.get(), nullptr, pull), noErr);
    for (size_t i = 0; i < kBlock; ++i) {
      ASSERT_TRUE(std::isfinite(left[i]) && std::fabs(left[i]) <= 1.0f);
      inputEnergy += double(input[i]) * input[i];
      outputEnergy += double(left[i]) * left[i];
      differenceEnergy += double(left[i] - input[i]) * (left[i] - input[i]);
    }
  }
  EXPECT_GT(differenceEnergy, 0.1 * inputEnergy);
  EXPECT_GT(outputEnergy, 0.1 * inputEnergy);  // changed, not silenced
}
