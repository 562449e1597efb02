#include <gtest/gtest.h>

#include "ExtensionBundle.h"

using namespace drollicant;
using namespace platform;
using testing_support::ExtensionBundle;
using testing_support::makeUnit;
using testing_support::parameterValue;

namespace {

void expectKernelMatchesTree(DrollicantAudioUnit& unit) {
  const DrollicantDSPKernel& kernel = *unit.dspKernel;
  const auto& tree = *unit.parameterTree();
  EXPECT_EQ(kernel.charisma.load(), tree.parameterWithAddress(kCharisma)->storedValue());
  EXPECT_EQ(kernel.naivete.load(), tree.parameterWithAddress(kNaivete)->storedValue());
  EXPECT_EQ(kernel.nostalgia.load(), tree.parameterWithAddress(kNostalgia)->storedValue());
  EXPECT_EQ(kernel.surprise.load(), tree.parameterWithAddress(kSurprise)->storedValue());
  EXPECT_EQ(kernel.sweetness.load(), tree.parameterWithAddress(kSweetness)->storedValue());
  EXPECT_EQ(kernel.whimsy.load(), tree.parameterWithAddress(kWhimsy)->storedValue());
  EXPECT_EQ(kernel.flighty.load(), tree.parameterWithAddress(kFlighty)->storedValue() >= 0.5f);
  EXPECT_EQ(kernel.genteel.load(), tree.parameterWithAddress(kGenteel)->storedValue() >= 0.5f);
}

}  // namespace

TEST(AudioUnitConstruction, WithoutPresetFilesStartsAtTheDefaults) {
  ExtensionBundle bundle;  // Info.plist but no presets folder
  const auto unit = makeUnit();
  ASSERT_TRUE(unit);
  EXPECT_EQ(unit->currentPreset(), nullptr);
  EXPECT_TRUE(unit->factoryPresets().empty());

  const auto& parameters = unit->parameterTree()->allParameters();
  ASSERT_EQ(parameters.size(), kParameterTable.size());
  for (size_t i = 0; i < parameters.size(); ++i) {
    const auto& parameter = *parameters[i];
    const auto& row = kParameterTable[i];
    EXPECT_EQ(parameter.address(), i);
    EXPECT_EQ(parameter.identifier(), row.identifier);
    EXPECT_EQ(parameter.displayName(), row.displayName);
    EXPECT_EQ(parameter.unit(), i < 6 ? kAudioUnitParameterUnit_Generic : kAudioUnitParameterUnit_Boolean);
    EXPECT_EQ(parameter.flags(), 0xC0000000u);
    EXPECT_EQ(parameter.minValue(), 0.0f);
    EXPECT_EQ(parameter.maxValue(), 1.0f);
    EXPECT_TRUE(parameter.valueStrings().empty());
    EXPECT_EQ(parameters[i]->value(), i < 6 ? 0.5f : 0.0f);
    EXPECT_EQ(unit->defaultParameterValues().at(row.identifier), i < 6 ? 0.5f : 0.0f);
  }
  EXPECT_EQ(unit->defaultParameterValues().size(), 8u);
  expectKernelMatchesTree(*unit);

  for (const auto& busses : {unit->inputBusses(), unit->outputBusses()}) {
    ASSERT_EQ(busses->count(), 1u);
    const auto format = (*busses)[0]->format();
    EXPECT_EQ(format->sampleRate(), 44100.0);
    EXPECT_EQ(format->channelCount(), 2u);
    EXPECT_TRUE(format->isStandard());
  }
  EXPECT_EQ(unit->inputBusses()->busType(), AUAudioUnitBusType::Input);
  EXPECT_EQ(unit->outputBusses()->busType(), AUAudioUnitBusType::Output);
}

TEST(AudioUnitConstruction, WithPresetFilesStartsWithTheFirst) {
  ExtensionBundle bundle;
  bundle.addPreset("2-Second.aupreset", {{"charisma", PlistValue::real(0.9)}});
  bundle.addPreset("1-First.aupreset", {{"charisma", PlistValue::real(2.0)},
                                         {"whimsy", PlistValue::real(-1.0)},
                                         {"genteel", PlistValue::boolean(true)}});
  const auto unit = makeUnit();
  ASSERT_TRUE(unit);
  ASSERT_TRUE(unit->currentPreset());
  EXPECT_EQ(unit->currentPreset()->number(), 0);
  EXPECT_EQ(unit->currentPreset()->name(), "First");
  EXPECT_EQ(parameterValue(*unit, kCharisma), 1.0f);
  EXPECT_EQ(parameterValue(*unit, kWhimsy), 0.0f);
  EXPECT_EQ(parameterValue(*unit, kGenteel), 1.0f);
  EXPECT_EQ(parameterValue(*unit, kNaivete), 0.5f);
  EXPECT_EQ(parameterValue(*unit, kFlighty), 0.0f);
  expectKernelMatchesTree(*unit);
}

TEST(AudioUnitConstruction, RefusedDescriptionGivesNoUnitAndTheError) {
  NSError error;
  EXPECT_EQ(DrollicantAudioUnit::create({}, 0, &error), nullptr);
  EXPECT_EQ(error.code, kAudio_ParamError);
  EXPECT_EQ(DrollicantAudioUnit::create({}, 0, nullptr), nullptr);
  const auto unit = makeUnit();
  EXPECT_EQ(unit->componentDescription().componentSubType, fourCharCode("drlc"));
  EXPECT_EQ(unit->componentDescription().componentManufacturer, fourCharCode("Drol"));
}

TEST(AudioUnitConstruction, ValueObserverWritesTheKernelAndAnnouncesTailTime) {
  const auto unit = makeUnit();
  auto& tree = *unit->parameterTree();
  int notifications = 0;
  double lastTail = -1.0;
  unit->addObserverForKey(DrollicantAudioUnit::kTailTimeKey, [&] {
    ++notifications;
    lastTail = unit->tailTime();
  });

  tree.parameterWithAddress(kFlighty)->setValue(0.49f);
  EXPECT_FALSE(unit->dspKernel->flighty.load());
  EXPECT_EQ(tree.parameterWithAddress(kFlighty)->value(), 0.0f);
  tree.parameterWithAddress(kFlighty)->setValue(0.5f);
  EXPECT_TRUE(unit->dspKernel->flighty.load());
  EXPECT_EQ(tree.parameterWithAddress(kFlighty)->value(), 1.0f);

  tree.parameterWithAddress(kCharisma)->setValue(1.7f);
  EXPECT_EQ(unit->dspKernel->charisma.load(), 1.7f);
  EXPECT_EQ(tree.parameterWithAddress(kCharisma)->value(), 1.7f);
  EXPECT_EQ(notifications, 3);
  EXPECT_EQ(lastTail, unit->dspKernel->tailTime());

  unit->setKernelParameter(8, 0.9f);
  EXPECT_EQ(notifications, 3);
  EXPECT_EQ(unit->kernelParameterValue(8), 0.0f);
  expectKernelMatchesTree(*unit);
}

TEST(AudioUnitConstruction, DisplayStringsHaveThreeDecimals) {
  const auto unit = makeUnit();
  auto& charisma = *unit->parameterTree()->parameterWithAddress(kCharisma);
  EXPECT_EQ(charisma.stringFromValue(nullptr), "0.500");
  const AUValue value = 0.12345f;
  EXPECT_EQ(charisma.stringFromValue(&value), "0.123");
  auto& genteel = *unit->parameterTree()->parameterWithAddress(kGenteel);
  genteel.setValue(1.0f);
  EXPECT_EQ(genteel.stringFromValue(nullptr), "1.000");
}

TEST(AudioUnitConstruction, TreeThatOutlivesItsUnitFallsBackToStoredValues) {
  auto unit = makeUnit();
  const auto tree = unit->parameterTree();
  const std::weak_ptr<DrollicantAudioUnit> watch = unit;
  const auto kernel = unit->dspKernel;
  unit.reset();
  EXPECT_TRUE(watch.expired());  // the tree's callbacks do not keep the unit alive
  const auto charisma = tree->parameterWithAddress(kCharisma);
  charisma->setValue(0.8f);
  EXPECT_EQ(charisma->value(), 0.8f);
  EXPECT_EQ(kernel->charisma.load(), 0.5f);
}

TEST(AudioUnitConstruction, ReplacingTheTreeInstallsNoCallbacks) {
  const auto unit = makeUnit();
  const auto original = unit->parameterTree();
  unit->setParameterTree(nullptr);
  EXPECT_EQ(unit->parameterTree(), original);
  auto replacement = AUParameterTree::createTree({AUParameterTree::createParameter(
      "charisma", "Charisma", kCharisma, 0.0f, 1.0f, kAudioUnitParameterUnit_Generic, std::nullopt, kParameterFlags,
      {}, {})});
  unit->setParameterTree(replacement);
  EXPECT_EQ(unit->parameterTree(), replacement);
  replacement->allParameters()[0]->setValue(0.9f);
  EXPECT_EQ(unit->dspKernel->charisma.load(), 0.5f);
  unit->pushParametersToKernel();
  EXPECT_EQ(unit->dspKernel->charisma.load(), 0.9f);
  EXPECT_EQ(unit->defaultParameterValues().size(), 8u);
}
