#include <gtest/gtest.h>

#include <cmath>

#include "dsp/IIRKernel.h"
#include "SignalHelpers.h"

namespace drollicant {
namespace {

IIRKernel designed(int64_t capacity, double rate, double hz, bool highPass) {
  IIRKernel k(capacity);
  k.sampleRate = rate;
  highPass ? k.designHighPass(hz, 0.5) : k.designLowPass(hz, 0.5);
  return k;
}

TEST(IIRKernel, OutputDoesNotDependOnHowTheSignalIsCutIntoBlocks) {
  const auto input = test::noise(4000, 0.8f, 1);
  for (bool highPass : {false, true}) {
    IIRKernel whole = designed(4000, 48000, 1760, highPass);
    auto once = input;
    whole.process(once.data(), int64_t(once.size()));

    IIRKernel pieces = designed(512, 48000, 1760, highPass);
    auto cut = input;
    const int64_t sizes[] = {1, 1, 2, 3, 512, 7, 100, 1, 511, 64};
    int64_t at = 0;
    for (int i = 0; at < int64_t(cut.size()); ++i) {
      const int64_t n = std::min<int64_t>(sizes[i % 10], int64_t(cut.size()) - at);
      pieces.process(cut.data() + at, n);
      at += n;
    }
    EXPECT_EQ(once, cut) << (highPass ? "high-pass" : "low-pass");
  }
}

TEST(IIRKernel, CrossoverHalvesAreComplementaryAndClampedBelowNyquist) {
  // Low-pass passes DC and the high-pass removes it.
  IIRKernel lp = designed(8192, 48000, 440, false), hp = designed(8192, 48000, 440, true);
  std::vector<float> dcL(8192, 0.5f), dcH(8192, 0.5f);
  lp.process(dcL.data(), 8192);
  hp.process(dcH.data(), 8192);
  EXPECT_NEAR(dcL.back(), 0.5f, 1e-5f);
  EXPECT_NEAR(dcH.back(), 0.0f, 1e-5f);

  // A frequency above 0.45 × rate is designed at 0.45 × rate: 14080 Hz at 22050 Hz is 9922.5 Hz.
  for (bool highPass : {false, true}) {
    EXPECT_EQ(designed(16, 22050, 14080, highPass).coefficients, designed(16, 22050, 9922.5, highPass).coefficients);
    EXPECT_NE(designed(16, 44100, 14080, highPass).coefficients, designed(16, 44100, 9922.5, highPass).coefficients);
  }
}

TEST(IIRKernel, UndesignedSilentEmptyBlockUntouchedAndCarriesUsed) {
  IIRKernel blank(16);
  auto x = test::noise(16, 1.0f, 2);
  blank.process(x.data(), 16);
  for (float v : x) EXPECT_EQ(v, 0.0f);

  IIRKernel k = designed(16, 48000, 1000, false);
  k.carryIn = {0.25f, -0.5f};
  k.carryOut = {0.125f, 0.75f};
  float sample = 0.3f;
  k.process(&sample, 0);
  EXPECT_EQ(sample, 0.3f);
  EXPECT_EQ(k.carryIn[1], -0.5f);

  // One sample reaches back to both carried inputs and outputs.
  const auto& c = k.coefficients;
  const float expected = c[0] * 0.3f + c[1] * -0.5f + c[2] * 0.25f - c[3] * 0.75f - c[4] * 0.125f;
  k.process(&sample, 1);
  EXPECT_EQ(sample, expected);
  EXPECT_EQ(k.carryIn[0], -0.5f);
  EXPECT_EQ(k.carryOut[0], 0.75f);
}

TEST(IIRKernel, RecoversAtTheNextBlockFromNonFiniteInput) {
  IIRKernel k = designed(64, 48000, 1000, true);
  auto bad = test::noise(64, 0.5f, 3);
  bad[10] = NAN;
  bad[63] = INFINITY;
  k.process(bad.data(), 64);
  for (float v : k.carryIn) EXPECT_TRUE(std::isfinite(v));
  for (float v : k.carryOut) EXPECT_TRUE(std::isfinite(v));
  auto next = test::noise(64, 0.5f, 4);
  k.process(next.data(), 64);
  for (float v : next) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace drollicant
