#include <gtest/gtest.h>

#include "ExtensionBundle.h"
#include "audiounit/KernelParameters.h"

using namespace drollicant;
using namespace platform;
using namespace testing_support;

TEST(AudioUnitConstruction, WithoutPresetFilesStartsAtTheDefaults) {
  ExtensionBundle bundle;  // Info.plist but no presets folder
  const auto unit = makeUnit();
  ASSERT_TRUE(unit);
  EXPECT_EQ(unit->currentPreset(), nullptr);
  EXPECT_TRUE(unit->factoryPresets().empty());
  const auto& parameters = unit->parameterTree()->allParameters();
  ASSERT_EQ(parameters.size(), kParameterTable.size());
  for (size_t i = 0; i < parameters.size(); ++i) {
    EXPECT_EQ(parameters[i]->address(), i);
    EXPECT_EQ(unit->defaultParameterValues().at(parameters[i]->identifier()), kDefaultValues[i]);
  }
  EXPECT_EQ(kernelFields(*unit->dspKernel), kDefaultValues);

  NSError error;
  EXPECT_EQ(DrollicantAudioUnit::create({}, 0, &error), nullptr);
  EXPECT_EQ(error.code, kAudio_ParamError);
  EXPECT_EQ(DrollicantAudioUnit::create({}, 0, nullptr), nullptr);
}

TEST(AudioUnitConstruction, ValueObserverWritesTheKernelAndAnnouncesTailTime) {
  const auto unit = makeUnit();
  auto& tree = *unit->parameterTree();
  int notifications = 0;
  double lastTail = -1.0;
  const auto token = unit->addObserverForKey(DrollicantAudioUnit::kTailTimeKey, [&] {
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
  EXPECT_EQ(notifications, 3);
  EXPECT_EQ(lastTail, unit->dspKernel->tailTime());

  unit->setKernelParameter(8, 0.9f);
  EXPECT_EQ(notifications, 3);
  unit->removeObserver(token);
  tree.parameterWithAddress(kCharisma)->setValue(0.2f);
  EXPECT_EQ(notifications, 3);
  EXPECT_EQ(unit->kernelParameterValue(8), 0.0f);
  EXPECT_EQ(kernelFields(*unit->dspKernel), (std::vector<AUValue>{0.2f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1.0f, 0.0f}));

  const AUValue value = 0.12345f;
  EXPECT_EQ(tree.parameterWithAddress(kCharisma)->stringFromValue(&value), "0.123");
  EXPECT_EQ(tree.parameterWithAddress(kFlighty)->stringFromValue(nullptr), "1.000");
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
  auto replacement = AUParameterTree::createTree(
      {AUParameterTree::createParameter("charisma", "Charisma", kCharisma, 0.0f, 1.0f, kAudioUnitParameterUnit_Generic,
                                        std::nullopt, kParameterFlags, {}, {})});
  unit->setParameterTree(replacement);
  replacement->allParameters()[0]->setValue(0.9f);
  EXPECT_EQ(unit->dspKernel->charisma.load(), 0.5f);
  unit->pushParametersToKernel();
  EXPECT_EQ(unit->dspKernel->charisma.load(), 0.9f);
}

// The render block and the tree's observer both go through the table's kernel fields: a
// row pointing at a neighbour's field would move the wrong control in every host.
TEST(AudioUnitConstruction, EachAddressMovesOnlyItsOwnKernelField) {
  for (const ParameterDescription& row : kParameterTable) {
    DrollicantDSPKernel kernel;
    const AUValue written = row.isSwitch() ? kSwitchThreshold : 0.875f;
    ASSERT_TRUE(writeKernelParameter(kernel, row.address, written));
    std::vector<AUValue> expected = kDefaultValues;
    expected[row.address] = row.heldValue(written);
    EXPECT_EQ(kernelFields(kernel), expected) << row.identifier;
    EXPECT_EQ(readKernelParameter(kernel, row.address), expected[row.address]) << row.identifier;
  }
  EXPECT_EQ(kParameterTable[kFlighty].heldValue(0.4999f), 0.0f);
  EXPECT_EQ(kParameterTable[kCharisma].heldValue(0.4999f), 0.4999f);

  DrollicantDSPKernel kernel;
  EXPECT_FALSE(writeKernelParameter(kernel, kParameterCount, 1.0f));
  EXPECT_EQ(kernelFields(kernel), kDefaultValues);
  EXPECT_EQ(parameterAt(kParameterCount), nullptr);
}
