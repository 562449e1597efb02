#include <gtest/gtest.h>

#include <cmath>

#include "dsp/SimpleDelayKernel.h"
#include "SignalHelpers.h"

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

TEST(SimpleDelayKernel, ZeroDelayPassesTheInputWhateverTheFeedback) {
  for (float fb : {0.0f, 0.5f, 0.9f}) {
    SimpleDelayKernel line = settledLine(0, fb);
    auto x = test::noise(600, 1.0f, 5);
    auto y = x;
    line.process(y.data(), int64_t(y.size()));
    EXPECT_EQ(x, y) << "feedback " << fb;
  }
}

TEST(SimpleDelayKernel, WholeSampleDelayEchoesWithGeometricFeedback) {
  const int D = 7;
  SimpleDelayKernel plain = settledLine(D, 0.0f);
  auto x = test::noise(100, 1.0f, 6);
  auto y = x;
  plain.process(y.data(), 100);
  for (int i = 0; i < D; ++i) EXPECT_EQ(y[i], 0.0f);
  for (int i = D; i < 100; ++i) EXPECT_EQ(y[i], x[i - D]);

  SimpleDelayKernel echo = settledLine(D, 0.5f);
  std::vector<float> impulse(40, 0.0f);
  impulse[0] = 1.0f;
  echo.process(impulse.data(), 40);
  for (int i = 0; i < 40; ++i) {
    const float expected = (i > 0 && i % D == 0) ? std::pow(0.5f, float(i / D - 1)) : 0.0f;
    EXPECT_FLOAT_EQ(impulse[i], expected) << "sample " << i;
  }
}

TEST(SimpleDelayKernel, FractionalDelayInterpolatesAndGlidesToItsTarget) {
  SimpleDelayKernel line = settledLine(0.25, 0.0f);
  std::vector<float> x = {1.0f, 2.0f, 4.0f, 8.0f};
  line.process(x.data(), 4);
  EXPECT_FLOAT_EQ(x[1], 0.25f * 1.0f + 0.75f * 2.0f);
  EXPECT_FLOAT_EQ(x[3], 0.25f * 4.0f + 0.75f * 8.0f);

  // One sample covers 1 − 0.9999 (in single precision) of the way to a new target.
  SimpleDelayKernel glide = settledLine(0, 0.0f);
  glide.targetDelay = 0.1;
  float s = 0.0f;
  glide.process(&s, 1);
  EXPECT_NEAR(glide.currentDelay / 0.1, 1.0 - double(0.9999f), 1e-12);
}

TEST(SimpleDelayKernel, RingWrapsAndStaysFiniteAfterBadSamples) {
  SimpleDelayKernel line = settledLine(3, 0.9f);
  const int64_t L = line.bufferLength;  // ceil(1024 × 0.25) + 1
  ASSERT_EQ(L, 257);
  std::vector<float> x(size_t(L) + 5, 0.25f);
  x[2] = NAN;
  x[9] = INFINITY;
  x[10] = -INFINITY;
  line.process(x.data(), int64_t(x.size()));
  EXPECT_EQ(line.writePos, 5);
  for (float v : x) EXPECT_TRUE(std::isfinite(v));
  for (float v : line.buffer) EXPECT_TRUE(std::isfinite(v));
  // A non-finite delay must not read outside the ring.
  line.targetDelay = NAN;
  line.currentDelay = INFINITY;
  line.process(x.data(), int64_t(x.size()));
  for (float v : x) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace drollicant
