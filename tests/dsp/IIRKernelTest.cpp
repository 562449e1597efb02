#include <gtest/gtest.h>

#include "SignalHelpers.h"
#include "dsp/IIRKernel.h"

namespace drollicant {
namespace {

IIRKernel designed(int64_t capacity, double rate, double hz, bool highPass) {
  IIRKernel k(capacity);
  k.sampleRate = rate;
  highPass ? k.designHighPass(hz, 0.5) : k.designLowPass(hz, 0.5);
  return k;
}

TEST(IIRKernel, BlockSizeIndependentClampedBelowNyquistAndPassesDcOnlyLowPass) {
  const auto input = test::noise(4000, 0.8f, 1);
  for (bool highPass : {false, true}) {
    IIRKernel whole = designed(4000, 48000, 1760, highPass), pieces = designed(512, 48000, 1760, highPass);
    auto once = input, cut = input;
    whole.process(once.data(), 4000);
    const int64_t sizes[] = {1, 1, 2, 3, 512, 7, 100, 1, 511, 64};
    for (int64_t i = 0, at = 0, n; at < 4000; ++i, at += n) {
      n = std::min<int64_t>(sizes[i % 10], 4000 - at);
      pieces.process(cut.data() + at, n);
    }
    EXPECT_EQ(once, cut) << highPass;
    // Above 0.45 × rate the design sits at 0.45 × rate: 14080 Hz at 22050 Hz is 9922.5 Hz.
    EXPECT_EQ(designed(16, 22050, 14080, highPass).coefficients, designed(16, 22050, 9922.5, highPass).coefficients);
    EXPECT_NE(designed(16, 44100, 14080, highPass).coefficients, designed(16, 44100, 9922.5, highPass).coefficients);
    IIRKernel dc = designed(8192, 48000, 440, highPass);
    std::vector<float> x(8192, 0.5f);
    dc.process(x.data(), 8192);
    EXPECT_NEAR(x.back(), highPass ? 0.0f : 0.5f, 1e-5f);
  }
}

TEST(IIRKernel, UndesignedIsSilentOneSampleUsesBothCarriesAndNonFiniteInputIsForgotten) {
  IIRKernel blank(16);
  auto x = test::noise(16, 1.0f, 2);
  blank.process(x.data(), 16);
  EXPECT_EQ(x, std::vector<float>(16, 0.0f));

  IIRKernel k = designed(64, 48000, 1000, false);
  k.carryIn = {0.25f, -0.5f};
  k.carryOut = {0.125f, 0.75f};
  float sample = 0.3f;
  const auto& c = k.coefficients;
  const float expected = c[0] * 0.3f + c[1] * -0.5f + c[2] * 0.25f - c[3] * 0.75f - c[4] * 0.125f;
  k.process(&sample, 1);
  EXPECT_EQ(sample, expected);
  EXPECT_EQ(k.carryIn[0], -0.5f);
  EXPECT_EQ(k.carryOut[0], 0.75f);

  auto bad = test::noise(64, 0.5f, 3);
  bad[10] = NAN;
  bad[63] = INFINITY;
  k.process(bad.data(), 64);
  auto next = test::noise(64, 0.5f, 4);
  k.process(next.data(), 64);
  for (float v : next) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace drollicant
