#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "dsp/DrollicantDSPKernel.h"
#include "SignalHelpers.h"

namespace drollicant {
namespace {

using Weights = std::array<float, DrollicantDSPKernel::kBandCount>;

Weights weightsFor(float sweetness) {
  DrollicantDSPKernel k;
  k.sweetness = sweetness;
  k.allocate(16, 48000);
  std::vector<float> l(16, 0.0f), r(16, 0.0f);
  k.process(l.data(), r.data(), l.data(), r.data(), 16);
  return k.bandWeights;
}

bool allFinite(const DrollicantDSPKernel& k) {
  bool ok = std::isfinite(k.envL) && std::isfinite(k.envR) && std::isfinite(k.carrierPhase) && std::isfinite(k.lfoPhase);
  for (const auto* sections : {&k.hpL, &k.lpL, &k.hpR, &k.lpR})
    for (const auto& s : *sections)
      for (float v : {s->carryIn[0], s->carryIn[1], s->carryOut[0], s->carryOut[1]}) ok = ok && std::isfinite(v);
  for (const auto* lines : {&k.bandDelaysL, &k.bandDelaysR})
    for (const auto& line : *lines)
      for (float v : line->buffer) ok = ok && std::isfinite(v);
  return ok;
}

TEST(DrollicantDSPKernel, UnallocatedCopiesEverythingAndLongBlocksStopAtCapacity) {
  DrollicantDSPKernel fresh;
  auto inL = test::noise(1000, 1.0f, 1), inR = test::noise(1000, 1.0f, 2);
  std::vector<float> outL(1000, 9.0f), outR(1000, 9.0f);
  fresh.process(inL.data(), inR.data(), outL.data(), outR.data(), 1000);
  EXPECT_EQ(outL, inL);
  EXPECT_EQ(outR, inR);
  auto interleaved = test::noise(64, 1.0f, 3), before = interleaved;
  fresh.processInterleaved(interleaved.data(), 32);
  EXPECT_EQ(interleaved, before);

  DrollicantDSPKernel k;
  k.allocate(256, 48000);
  auto l = inL, r = inR;
  k.process(l.data(), r.data(), l.data(), r.data(), 0);
  EXPECT_EQ(l, inL);
  k.process(l.data(), r.data(), l.data(), r.data(), 1000);
  EXPECT_NE(l[255], inL[255]);
  EXPECT_TRUE(std::equal(l.begin() + 256, l.end(), inL.begin() + 256));
  EXPECT_TRUE(std::equal(r.begin() + 256, r.end(), inR.begin() + 256));
}

TEST(DrollicantDSPKernel, AllocationSizesLinesFiltersAndEnvelopes) {
  DrollicantDSPKernel k;
  k.allocate(64, 48000);
  EXPECT_NEAR(k.envAttackCoef, 0.004158, 1e-6);
  EXPECT_NEAR(k.envDecayCoef, 0.00010416, 1e-8);
  EXPECT_EQ(k.hpL.size(), 10u);
  EXPECT_EQ(k.bandDelaysL[0]->bufferLength, 12001);
  k.allocate(64, 44100);
  EXPECT_EQ(k.bandDelaysR[10]->bufferLength, 11026);

  // At 22050 Hz the top crossover sits at 0.45 × rate.
  k.allocate(64, 22050);
  IIRKernel clamped(64);
  clamped.sampleRate = 22050;
  clamped.designHighPass(9922.5, 0.5);
  EXPECT_EQ(k.hpL[0]->coefficients, clamped.coefficients);

  // Neutral charisma: no delay anywhere, no tail.
  k.charisma = 0.5f;
  k.allocate(64, 48000);
  for (const auto* lines : {&k.bandDelaysL, &k.bandDelaysR})
    for (const auto& line : *lines) {
      EXPECT_EQ(line->delaySeconds, 0.0f);
      EXPECT_EQ(line->targetDelay, 0.0);
    }
  EXPECT_EQ(k.tailTime(), 0.0);
}

TEST(DrollicantDSPKernel, TailTimeFollowsLongestDelayAndFeedback) {
  DrollicantDSPKernel k;
  k.charisma = 0.0f;
  k.nostalgia = 1.0f;
  EXPECT_NEAR(k.tailTime(), 16.39, 0.005);
  k.genteel = true;
  EXPECT_NEAR(k.tailTime(), 3.28, 0.005);
  k.nostalgia = 0.0f;
  EXPECT_NEAR(k.tailTime(), double(0.05f), 1e-12);
  k.charisma = 1.0f;
  k.genteel = false;
  EXPECT_EQ(k.tailTime(), 0.25);
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
  double sum = 0;
  for (float w : w25) sum += w;
  EXPECT_NEAR(sum, 11.0, 1e-4);
}

TEST(DrollicantDSPKernel, CarrierDepthFrequencyAndEnvelopeDrive) {
  const double rate = 48000;
  DrollicantDSPKernel k;
  k.whimsy = 0.0f;
  k.allocate(512, rate);
  std::vector<float> l(512, 0.5f), r(512, 0.5f);
  k.process(l.data(), r.data(), l.data(), r.data(), 512);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(k.ringBase[i], 1.0f);

  // Full depth without the envelope: true ring modulation at 30 × 100^s / √2 Hz.
  k.whimsy = 1.0f;
  k.surprise = 0.5f;
  k.reset();
  k.process(l.data(), r.data(), l.data(), r.data(), 512);
  const double inc = 2 * std::numbers::pi * (300.0 / std::sqrt(2.0)) / rate;
  for (int i = 0; i < 512; i += 37) EXPECT_NEAR(k.ringBase[i], std::sin(inc * i), 1e-6) << i;

  // With `flighty` and silent envelopes, frequency and depth are halved.
  k.flighty = true;
  k.reset();
  std::fill(l.begin(), l.end(), 0.0f);
  std::fill(r.begin(), r.end(), 0.0f);
  k.process(l.data(), r.data(), l.data(), r.data(), 512);
  const double halfInc = 2 * std::numbers::pi * 150.0 / rate;
  for (int i = 0; i < 512; i += 37) EXPECT_NEAR(k.ringBase[i], 0.5 + 0.5 * std::sin(halfInc * i), 1e-6) << i;
}

TEST(DrollicantDSPKernel, BypassFreezesTheEffectAndCarriesOnAfterwards) {
  DrollicantDSPKernel k;
  k.allocate(256, 48000);
  auto l = test::noise(256, 0.5f, 4), r = test::noise(256, 0.5f, 5);
  k.process(l.data(), r.data(), l.data(), r.data(), 256);
  const double carrier = k.carrierPhase, lfo = k.lfoPhase;
  const float envL = k.envL, envR = k.envR;

  k.bypass = true;
  auto bl = test::noise(256, 0.5f, 6), br = test::noise(256, 0.5f, 7);
  const auto dryL = bl, dryR = br;
  k.process(bl.data(), br.data(), bl.data(), br.data(), 256);
  EXPECT_EQ(bl, dryL);
  EXPECT_EQ(br, dryR);
  EXPECT_EQ(k.carrierPhase, carrier);
  EXPECT_EQ(k.lfoPhase, lfo);
  EXPECT_EQ(k.envL, envL);
  EXPECT_EQ(k.envR, envR);

  k.bypass = false;
  k.process(bl.data(), br.data(), bl.data(), br.data(), 256);
  EXPECT_NE(k.carrierPhase, carrier);
  EXPECT_GT(k.lfoPhase, lfo);
}

TEST(DrollicantDSPKernel, NeutralSettingsKeepTheBroadbandLevel) {
  // No carrier, no delay, flat weights: the alternating-polarity crossover sum colours the
  // spectrum but keeps the level of broadband material, on both channels alike.
  DrollicantDSPKernel k;
  k.whimsy = 0.0f;
  k.charisma = 0.5f;
  k.allocate(4096, 48000);
  auto l = test::noise(48000, 0.05f, 8), r = test::noise(48000, 0.05f, 9);
  const double inL = test::rms(l, 4800), inR = test::rms(r, 4800);
  for (int64_t at = 0; at < 48000; at += 4096) {
    const int64_t n = std::min<int64_t>(4096, 48000 - at);
    k.process(l.data() + at, r.data() + at, l.data() + at, r.data() + at, n);
  }
  EXPECT_NEAR(20 * std::log10(test::rms(l, 4800) / inL), 0.0, 2.0);
  EXPECT_NEAR(20 * std::log10(test::rms(r, 4800) / inR), 0.0, 2.0);
}

TEST(DrollicantDSPKernel, StereoAntiPhaseOnlyAboveNeutralCharisma) {
  auto delaysAfterOneBlock = [](float charisma) {
    DrollicantDSPKernel k;
    k.charisma = charisma;
    k.allocate(64, 48000);
    std::vector<float> l(64, 0.0f), r(64, 0.0f);
    k.process(l.data(), r.data(), l.data(), r.data(), 64);
    std::array<std::pair<float, float>, 11> d;
    for (int b = 0; b < 11; ++b) d[b] = {k.bandDelaysL[b]->delaySeconds, k.bandDelaysR[b]->delaySeconds};
    return d;
  };
  const auto low = delaysAfterOneBlock(0.3f), high = delaysAfterOneBlock(0.7f);
  for (int b = 0; b < 11; ++b) {
    EXPECT_EQ(low[b].first, low[b].second);
    EXPECT_FLOAT_EQ(low[b].first, high[b].first);
    EXPECT_NEAR(high[b].first + high[b].second, 2 * 0.25 * 0.16 * 0.5, 1e-6) << "left and right mirror about D";
  }
}

TEST(DrollicantDSPKernel, OutputStaysBoundedAndBadSamplesActAsSilence) {
  // Loud material with feedback stays in [−1, 1]; NaN and infinities behave exactly like silence.
  auto run = [](bool poison) {
    DrollicantDSPKernel k;
    k.charisma = 0.1f;
    k.nostalgia = 1.0f;
    k.whimsy = 0.7f;
    k.flighty = true;
    k.allocate(512, 44100);
    std::vector<float> out;
    for (int block = 0; block < 40; ++block) {
      auto l = test::noise(512, 4.0f, 100 + block), r = test::noise(512, 4.0f, 200 + block);
      if (block == 3) {
        l[17] = poison ? NAN : 0.0f;
        r[0] = poison ? INFINITY : 0.0f;
        r[511] = poison ? -INFINITY : 0.0f;
      }
      k.process(l.data(), r.data(), l.data(), r.data(), 512);
      out.insert(out.end(), l.begin(), l.end());
      out.insert(out.end(), r.begin(), r.end());
    }
    EXPECT_TRUE(allFinite(k));
    return out;
  };
  const auto clean = run(false), poisoned = run(true);
  EXPECT_EQ(clean, poisoned);
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
      k.process(l.data(), r.data(), l.data(), r.data(), 256);
      for (float v : l) ASSERT_TRUE(std::isfinite(v));
    }
    EXPECT_TRUE(allFinite(k));
    EXPECT_TRUE(std::isfinite(k.tailTime()));
    EXPECT_GE(k.lfoPhase, 0.0);
    EXPECT_LT(k.lfoPhase, 2 * std::numbers::pi);
  }
}

TEST(DrollicantDSPKernel, InterleavedMatchesTwoChannelsAndLfoStaysInRange) {
  DrollicantDSPKernel a, b;
  for (auto* k : {&a, &b}) {
    k->naivete = 1.0f;
    k->charisma = 0.8f;
    k->allocate(4096, 48000);
  }
  for (int block = 0; block < 30; ++block) {
    auto l = test::noise(4096, 0.8f, unsigned(block)), r = test::noise(4096, 0.8f, unsigned(block + 50));
    std::vector<float> inter(8192);
    for (int i = 0; i < 4096; ++i) inter[2 * i] = l[i], inter[2 * i + 1] = r[i];
    a.process(l.data(), r.data(), l.data(), r.data(), 4096);
    b.processInterleaved(inter.data(), 4096);
    for (int i = 0; i < 4096; ++i) {
      ASSERT_EQ(inter[2 * i], l[i]);
      ASSERT_EQ(inter[2 * i + 1], r[i]);
    }
    ASSERT_GE(a.lfoPhase, 0.0);
    ASSERT_LT(a.lfoPhase, 2 * std::numbers::pi);
  }
}

}  // namespace
}  // namespace drollicant
