#include <gtest/gtest.h>

#include "SignalHelpers.h"
#include "dsp/SimpleDelayKernel.h"

namespace drollicant {
namespace {

// A line settled at `samples` of delay; at 1024 Hz whole and quarter samples are exact in seconds.
SimpleDelayKernel settledLine(double samples, float feedback) {
  SimpleDelayKernel line;
  line.delaySeconds = float(samples / 1024.0);
  line.size(1024.0f);
  line.feedback = feedback;
  return line;
}

TEST(SimpleDelayKernel, ZeroWholeAndFractionalDelays) {
  for (float fb : {0.0f, 0.9f}) {
    SimpleDelayKernel line = settledLine(0, fb);
    auto x = test::noise(600, 1.0f, 5), y = x;
    line.process(y.data(), 600);
    EXPECT_EQ(x, y) << "feedback " << fb;
  }
  // An impulse through 7 samples with feedback g echoes 1, g, g² at D, 2D, 3D.
  SimpleDelayKernel echo = settledLine(7, 0.5f);
  std::vector<float> impulse(40, 0.0f);
  impulse[0] = 1.0f;
  echo.process(impulse.data(), 40);
  for (int i = 0; i < 40; ++i)
    EXPECT_FLOAT_EQ(impulse[i], (i > 0 && i % 7 == 0) ? std::pow(0.5f, float(i / 7 - 1)) : 0.0f) << i;

  SimpleDelayKernel quarter = settledLine(0.25, 0.0f);
  std::vector<float> x = {1.0f, 2.0f, 4.0f, 8.0f};
  quarter.process(x.data(), 4);
  EXPECT_FLOAT_EQ(x[3], 0.25f * 4.0f + 0.75f * 8.0f);

  // One sample covers 1 − 0.9999 (in single precision) of the way to a new target.
  SimpleDelayKernel glide = settledLine(0, 0.0f);
  glide.targetDelay = 0.1;
  float s = 0.0f;
  glide.process(&s, 1);
  EXPECT_NEAR(glide.currentDelay / 0.1, 1.0 - double(0.9999f), 1e-12);
}

TEST(SimpleDelayKernel, RingWrapsAndStaysFiniteAfterBadSamplesAndDelays) {
  SimpleDelayKernel line = settledLine(3, 0.9f);
  ASSERT_EQ(line.bufferLength, 257);  // ceil(1024 × 0.25) + 1
  std::vector<float> x(262, 0.25f);
  x[2] = NAN;
  x[9] = INFINITY;
  x[10] = -INFINITY;
  line.process(x.data(), 262);
  EXPECT_EQ(line.writePos, 5);
  for (float v : line.buffer) ASSERT_TRUE(std::isfinite(v));
  line.targetDelay = NAN;  // must not read outside the ring
  line.chunkTarget = INFINITY;
  line.chunkOffset = NAN;
  line.process(x.data(), 262);
  for (float v : x) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace drollicant
