#include <gtest/gtest.h>

#include <cmath>

#include "platform/au/AUAudioUnit.h"

using namespace platform;

namespace {

// The smallest real subclass: one stereo bus each way, stereo only.
class StereoUnit : public AUAudioUnit {
public:
  static std::shared_ptr<StereoUnit> make() {
    std::shared_ptr<StereoUnit> unit(new StereoUnit());
    const auto format = AVAudioFormat::standardFormat(48000.0, 2);
    unit->inputs = std::make_shared<AUAudioUnitBusArray>(
        unit, AUAudioUnitBusType::Input,
        std::vector<std::shared_ptr<AUAudioUnitBus>>{AUAudioUnitBus::initWithFormat(format, nullptr)});
    unit->outputs = std::make_shared<AUAudioUnitBusArray>(
        unit, AUAudioUnitBusType::Output,
        std::vector<std::shared_ptr<AUAudioUnitBus>>{AUAudioUnitBus::initWithFormat(format, nullptr)});
    return unit;
  }
  std::shared_ptr<AUAudioUnitBusArray> inputBusses() override { return inputs; }
  std::shared_ptr<AUAudioUnitBusArray> outputBusses() override { return outputs; }
  std::vector<int> channelCapabilities() override { return {2, 2}; }

  std::shared_ptr<AUAudioUnitBusArray> inputs, outputs;
};

}  // namespace

TEST(AudioUnitBase, ConstructionNeedsAComponentType) {
  const auto unit = StereoUnit::make();
  NSError error;
  EXPECT_FALSE(unit->initWithComponentDescription({}, 0, &error));
  EXPECT_EQ(error.domain, NSOSStatusErrorDomain);
  EXPECT_EQ(error.code, kAudio_ParamError);
  const AudioComponentDescription description{fourCharCode("aufx"), fourCharCode("test"), fourCharCode("Drol"), 0, 0};
  EXPECT_TRUE(unit->initWithComponentDescription(description, 3, nullptr));
  EXPECT_EQ(unit->componentDescription(), description);
  EXPECT_EQ(unit->componentDescription().componentType, 0x61756678u);
  EXPECT_EQ(unit->instantiationOptions(), 3u);
}

TEST(AudioUnitBase, BusesRefuseFormatsTheyCannotCarry) {
  const auto unit = StereoUnit::make();
  const auto bus = (*unit->outputBusses())[0];
  EXPECT_EQ((*unit->outputBusses())[1], nullptr);
  EXPECT_EQ(bus->busType(), AUAudioUnitBusType::Output);
  EXPECT_EQ(bus->ownerAudioUnit(), unit);
  EXPECT_TRUE(bus->format()->isStandard());
  EXPECT_EQ(bus->format()->commonFormat(), AVAudioCommonFormat::PCMFormatFloat32);

  NSError error;
  bus->setMaximumChannelCount(2);
  EXPECT_FALSE(bus->setFormat(AVAudioFormat::standardFormat(44100.0, 3), &error));
  EXPECT_EQ(error.code, kAudioUnitErr_FormatNotSupported);
  EXPECT_FALSE(bus->setFormat(nullptr, &error));
  EXPECT_EQ(bus->format()->sampleRate(), 48000.0);
  EXPECT_TRUE(bus->setFormat(AVAudioFormat::interleavedFormat(96000.0, 2), &error));
  EXPECT_TRUE(bus->format()->isInterleaved());
  EXPECT_FALSE(AUAudioUnitBus::initWithFormat(nullptr, &error));

  EXPECT_FALSE(AVAudioFormat::standardFormat(0.0, 2));
  EXPECT_FALSE(AVAudioFormat::standardFormat(std::nan(""), 2));
  EXPECT_FALSE(AVAudioFormat::standardFormat(44100.0, 0));
  EXPECT_FALSE(AVAudioFormat::standardFormat(1e9, 2));
}

TEST(AudioUnitBase, KeyObserversHearDidChangeUntilRemoved) {
  const auto unit = StereoUnit::make();
  int tail = 0, other = 0;
  const auto token = unit->addObserverForKey("tailTime", [&] { ++tail; });
  unit->addObserverForKey("latency", [&] { ++other; });
  unit->willChangeValueForKey("tailTime");
  EXPECT_EQ(tail, 0);
  unit->didChangeValueForKey("tailTime");
  EXPECT_EQ(tail, 1);
  EXPECT_EQ(other, 0);
  unit->removeObserver(token);
  unit->didChangeValueForKey("tailTime");
  EXPECT_EQ(tail, 1);
}

