#include <gtest/gtest.h>

#include <cmath>

#include "platform/au/AUAudioUnit.h"

using namespace platform;

TEST(AudioUnitBus, RefusesFormatsItCannotCarry) {
  const auto bus = AUAudioUnitBus::initWithFormat(AVAudioFormat::standardFormat(48000.0, 2), nullptr);
  const AUAudioUnitBusArray busses({}, AUAudioUnitBusType::Output, {bus});
  EXPECT_EQ(busses[0], bus);
  EXPECT_EQ(busses[1], nullptr);

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
