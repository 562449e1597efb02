#include <gtest/gtest.h>

#include <numbers>

#include "SignalHelpers.h"
#include "dsp/DrollicantDSPKernel.h"

namespace drollicant {
namespace {

using Weights = std::array<float, DrollicantDSPKernel::kBandCount>;
constexpr double kTwoPi = 2 * std::numbers::pi;

void run(DrollicantDSPKernel& k, std::vector<float>& l, std::vector<float>& r) {
  k.process(l.data(), r.data(), l.data(), r.data(), int64_t(l.size()));
}

Weights weightsFor(float sweetness) {
  DrollicantDSPKernel k;
  k.sweetness = sweetness;
  k.allocate(16, 48000);
  std::vector<float> l(16, 0.0f), r(16, 0.0f);
  run(k, l, r);
  return k.bandWeights;
}

TEST(DrollicantDSPKernel, UnallocatedCopiesAndLongBlocksStopAtCapacity) {
  DrollicantDSPKernel fresh, k;
  auto inL = test::noise(1000, 1.0f, 1), inR = test::noise(1000, 1.0f, 2);
  std::vector<float> outL(1000, 9.0f), outR(1000, 9.0f);
  fresh.process(inL.data(), inR.data(), outL.data(), outR.data(), 1000);
  EXPECT_TRUE(outL == inL && outR == inR);
  k.allocate(256, 48000);
  auto l = inL, r = inR;
  run(k, l, r);
  EXPECT_NE(l[255], inL[255]);
  EXPECT_TRUE(std::equal(l.begin() + 256, l.end(), inL.begin() + 256));
  EXPECT_TRUE(std::equal(r.begin() + 256, r.end(), inR.begin() + 256));
}

TEST(DrollicantDSPKernel, AllocationSizesLinesFiltersAndEnvelopesAndTailTimes) {
  DrollicantDSPKernel k;
  k.allocate(64, 48000);
  EXPECT_NEAR(k.envAttackCoef, 0.004158, 1e-6);
  EXPECT_NEAR(k.envDecayCoef, 0.00010416, 1e-8);
  EXPECT_EQ(k.bandDelaysL[0]->bufferLength, 12001);
  k.allocate(64, 44100);
  EXPECT_EQ(k.bandDelaysR[10]->bufferLength, 11026);
  k.allocate(64, 22050);  // the top crossover sits at 0.45 × rate
  IIRKernel clamped(64);
  clamped.sampleRate = 22050;
  clamped.designHighPass(9922.5, 0.5);
  EXPECT_EQ(k.hpL[0]->coefficients, clamped.coefficients);

  struct Case {
    float charisma, nostalgia;
    bool genteel;
    double tail;
  } cases[] = {
      {0.0f, 1.0f, false, 16.39}, {0.0f, 1.0f, true, 3.28}, {0.0f, 0.0f, true, 0.05}, {0.5f, 1.0f, false, 0.0}};
  for (const auto& c : cases) {
    k.charisma = c.charisma, k.nostalgia = c.nostalgia, k.genteel = c.genteel;
    EXPECT_NEAR(k.tailTime(), c.tail, 0.005) << c.charisma << " " << c.nostalgia << " " << c.genteel;
  }
}

TEST(DrollicantDSPKernel, BandWeightsTiltAndMirror) {
  const Weights bass = {4.1798f, 2.8009f, 1.7950f, 1.0880f, 0.6138f, 0.3147f, 0.1410f, 0.0516f, 0.0134f, 0.0017f, 0.0f};
  const Weights quarter = {1.0042f, 1.4969f, 1.6355f, 1.6039f, 1.4673f, 1.2626f,
                           1.0158f, 0.7485f, 0.4810f, 0.2363f, 0.0478f};
  const Weights w0 = weightsFor(0.0f), w25 = weightsFor(0.25f), w75 = weightsFor(0.75f), w1 = weightsFor(1.0f);
  for (int b = 0; b < 11; ++b) {
    EXPECT_NEAR(w0[b], bass[b], 5e-5) << b;
    EXPECT_NEAR(w25[b], quarter[b], 5e-5) << b;
    EXPECT_NEAR(w75[b], w25[10 - b], 1e-5) << b;
    EXPECT_NEAR(w1[b], w0[10 - b], 1e-5) << b;
  }
  for (float w : weightsFor(0.5f)) EXPECT_EQ(w, 1.0f);
}

TEST(DrollicantDSPKernel, CarrierDepthFrequencyAndFlightyHalving) {
  struct Case {
    float whimsy;
    bool flighty, silent;
    double depth, hz;
  } cases[] = {{0.0f, false, false, 0.0, 0.0},                     // no carrier at all
               {1.0f, false, false, 1.0, 300.0 / std::sqrt(2.0)},  // 30 × 100^0.5 / √2 Hz, full depth
               {1.0f, true, true, 0.5, 150.0}};                    // flighty, silent envelopes: both halved
  for (const auto& c : cases) {
    DrollicantDSPKernel k;
    k.whimsy = c.whimsy, k.surprise = 0.5f, k.flighty = c.flighty;
    k.allocate(512, 48000);
    std::vector<float> l(512, c.silent ? 0.0f : 0.5f), r = l;
    run(k, l, r);
    for (int i = 0; i < 512; i += 37)
      EXPECT_NEAR(k.ringBase[i], 1 - c.depth + c.depth * std::sin(kTwoPi * c.hz / 48000 * i), 1e-6)
          << c.whimsy << " " << i;
  }
}

TEST(DrollicantDSPKernel, BypassFreezesTheEffectAndCarriesOnAfterwards) {
  DrollicantDSPKernel k;
  k.allocate(256, 48000);
  auto l = test::noise(256, 0.5f, 4), r = test::noise(256, 0.5f, 5);
  run(k, l, r);
  const double carrier = k.carrierPhase, lfo = k.lfoPhase;
  const float envL = k.envL, envR = k.envR;
  k.bypass = true;
  const auto dryL = test::noise(256, 0.5f, 6), dryR = test::noise(256, 0.5f, 7);
  l = dryL, r = dryR;
  run(k, l, r);
  EXPECT_TRUE(l == dryL && r == dryR);
  EXPECT_TRUE(k.carrierPhase == carrier && k.lfoPhase == lfo && k.envL == envL && k.envR == envR);
  k.bypass = false;
  run(k, l, r);
  EXPECT_NE(k.carrierPhase, carrier);
  EXPECT_GT(k.lfoPhase, lfo);
}

TEST(DrollicantDSPKernel, NeutralSettingsKeepTheBroadbandLevelAndStereoSplitsOnlyAboveNeutral) {
  // No carrier, no delay, flat weights: the alternating-polarity crossover sum keeps the level.
  DrollicantDSPKernel k;
  k.whimsy = 0.0f;
  k.charisma = 0.5f;
  k.allocate(48000, 48000);
  auto l = test::noise(48000, 0.05f, 8), r = l;
  const double in = test::rms(l, 4800);
  run(k, l, r);
  EXPECT_NEAR(20 * std::log10(test::rms(l, 4800) / in), 0.0, 2.0);
  EXPECT_EQ(k.tailTime(), 0.0);

  auto delays = [](float charisma) {
    DrollicantDSPKernel k;
    k.charisma = charisma;
    k.allocate(64, 48000);
    std::vector<float> l(64, 0.0f), r(64, 0.0f);
    run(k, l, r);
    std::array<std::pair<float, float>, 11> d;
    for (int b = 0; b < 11; ++b) d[b] = {k.bandDelaysL[b]->delaySeconds, k.bandDelaysR[b]->delaySeconds};
    return d;
  };
  const auto low = delays(0.3f), high = delays(0.7f), neutral = delays(0.5f);
  for (int b = 0; b < 11; ++b) {
    EXPECT_EQ(low[b].first, low[b].second);
    EXPECT_FLOAT_EQ(low[b].first, high[b].first);
    EXPECT_NEAR(high[b].first + high[b].second, 2 * 0.25 * 0.16 * 0.5, 1e-6) << "left and right mirror about D";
    EXPECT_TRUE(neutral[b].first == 0.0f && neutral[b].second == 0.0f);
  }
}

TEST(DrollicantDSPKernel, OutputStaysBoundedAndBadSamplesActAsSilence) {
  auto play = [](bool poison) {
    DrollicantDSPKernel k;
    k.charisma = 0.1f, k.nostalgia = 1.0f, k.whimsy = 0.7f, k.flighty = true;
    k.allocate(512, 44100);
    std::vector<float> out;
    for (int block = 0; block < 40; ++block) {
      auto l = test::noise(512, 4.0f, 100 + block), r = test::noise(512, 4.0f, 200 + block);
      if (block == 3) l[17] = r[0] = r[511] = 0.0f;
      if (block == 3 && poison) l[17] = NAN, r[0] = INFINITY, r[511] = -INFINITY;
      run(k, l, r);
      out.insert(out.end(), l.begin(), l.end());
      out.insert(out.end(), r.begin(), r.end());
    }
    return out;
  };
  const auto poisoned = play(true);
  EXPECT_EQ(play(false), poisoned);
  for (float v : poisoned) ASSERT_TRUE(std::isfinite(v) && v >= -1.0f && v <= 1.0f);
}

TEST(DrollicantDSPKernel, NonFiniteControlsActAsTheirEnds) {
  DrollicantDSPKernel k;
  k.allocate(256, 48000);
  for (float bad : {NAN, INFINITY, -INFINITY}) {
    for (auto* control : {&k.charisma, &k.naivete, &k.nostalgia, &k.surprise, &k.sweetness, &k.whimsy}) *control = bad;
    k.flighty = !k.flighty;
    for (int block = 0; block < 20; ++block) {
      auto l = test::noise(256, 0.5f, unsigned(block)), r = l;
      run(k, l, r);
      for (float v : l) ASSERT_TRUE(std::isfinite(v));
    }
    EXPECT_TRUE(std::isfinite(k.tailTime()) && std::isfinite(k.lfoPhase) && std::isfinite(k.envL));
  }
}

TEST(DrollicantDSPKernel, InterleavedMatchesTwoChannelsAndLfoStaysInRange) {
  DrollicantDSPKernel a, b;
  for (auto* k : {&a, &b}) k->naivete = 1.0f, k->charisma = 0.8f, k->allocate(4096, 48000);
  for (int block = 0; block < 30; ++block) {
    auto l = test::noise(4096, 0.8f, unsigned(block)), r = test::noise(4096, 0.8f, unsigned(block + 50));
    std::vector<float> inter(8192);
    for (int i = 0; i < 4096; ++i) inter[2 * i] = l[i], inter[2 * i + 1] = r[i];
    run(a, l, r);
    b.processInterleaved(inter.data(), 4096);
    for (int i = 0; i < 4096; ++i) ASSERT_TRUE(inter[2 * i] == l[i] && inter[2 * i + 1] == r[i]) << i;
    ASSERT_TRUE(a.lfoPhase >= 0.0 && a.lfoPhase < kTwoPi);
  }
}

}  // namespace
}  // namespace drollicant
