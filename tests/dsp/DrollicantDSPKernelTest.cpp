#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <numeric>

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

// The level of a sine at `hz` after the kernel with no carrier, no delay and no
// feedback, relative to its level in: what the tilt makes of one band.
double bandLevel(double hz, float sweetness) {
  constexpr double kRate = 48000, kAmplitude = 0.01;
  constexpr int64_t kFrames = 24000, kSettled = 12000, kBlock = 1000;
  DrollicantDSPKernel k;
  k.whimsy = 0.0f, k.charisma = 0.5f, k.nostalgia = 0.0f, k.sweetness = sweetness;
  k.allocate(kBlock, kRate);
  std::vector<float> in(kFrames);
  for (int64_t i = 0; i < kFrames; ++i) in[size_t(i)] = float(kAmplitude * std::sin(kTwoPi * hz / kRate * double(i)));
  auto l = in, r = in;
  for (int64_t at = 0; at < kFrames; at += kBlock) k.process(&l[at], &r[at], &l[at], &r[at], kBlock);
  return test::rms(l, kSettled) / test::rms(in, kSettled);
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

// The envelope follower's time constants from its step response, at two rates: after
// 5 ms of a full-scale step it has risen by 1 − 1/e, and 200 ms of silence take it down
// by 1/e.
TEST(DrollicantDSPKernel, EnvelopeRisesIn5msAndFallsIn200ms) {
  for (double rate : {44100.0, 96000.0}) {
    DrollicantDSPKernel k;
    const auto attack = int64_t(std::lround(0.005 * rate)), decay = int64_t(std::lround(0.2 * rate));
    k.allocate(uint32_t(decay), rate);
    std::vector<float> l(size_t(attack), 1.0f), r = l;
    run(k, l, r);
    const double risen = k.envL;
    EXPECT_NEAR(risen, 1 - std::exp(-1.0), 0.003) << rate;
    EXPECT_EQ(k.envR, k.envL);
    l.assign(size_t(decay), 0.0f);
    r = l;
    run(k, l, r);
    EXPECT_NEAR(k.envL / risen, std::exp(-1.0), 0.003) << rate;
  }
}

TEST(DrollicantDSPKernel, DelayLinesHoldTheLongestDelayAndTailTimesFollowTheControls) {
  DrollicantDSPKernel k;
  k.allocate(64, 48000);
  EXPECT_EQ(k.bandDelaysL[0]->bufferLength, 12001);
  k.allocate(64, 44100);
  EXPECT_EQ(k.bandDelaysR[10]->bufferLength, 11026);

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

// The tilt measured on the output: a sine at the middle of each band, its level at a
// sweetness against its level with flat weights. This sees the weights where they act
// (on the right band, with the right sign, in the sum), not only as stored.
TEST(DrollicantDSPKernel, BandWeightsTiltTheBandsAndMirror) {
  const auto& f = DrollicantDSPKernel::bandTables().crossoverFrequencies;
  std::array<std::array<double, 11>, 5> db{};  // sweetness 0, 0.25, 0.75, 1; flat
  const float sweetnesses[] = {0.0f, 0.25f, 0.75f, 1.0f, 0.5f};
  for (int b = 0; b < 11; ++b) {
    const double hz = b == 0 ? f[0] * std::sqrt(2.0) : b == 10 ? f[9] / std::sqrt(2.0) : std::sqrt(f[b - 1] * f[b]);
    const double flat = bandLevel(hz, 0.5f);
    for (int s = 0; s < 4; ++s) db[s][b] = 20 * std::log10(bandLevel(hz, sweetnesses[s]) / flat);
  }
  const auto &treble = db[0], &towardTreble = db[1], &towardBass = db[2], &bass = db[3];
  for (int b = 1; b < 11; ++b) {
    EXPECT_LT(treble[b], treble[b - 1]) << "sweetness 0 favours every band over the one below it: " << b;
    EXPECT_GT(bass[b], bass[b - 1]) << "sweetness 1 favours every band over the one above it: " << b;
  }
  EXPECT_GT(treble[0], 10.0);
  EXPECT_LT(treble[10], -40.0);
  EXPECT_GT(bass[10], 10.0);
  EXPECT_LT(bass[0], -40.0);
  for (const auto* ends : {&treble, &bass}) {
    EXPECT_GT((*ends)[5], -13.0);
    EXPECT_LT((*ends)[5], -5.0);
  }
  // Half-way tilts are gentler: the far band keeps about its level, the peak moves
  // inward, the other end is cut.
  EXPECT_NEAR(towardTreble[0], 0.0, 3.0);
  EXPECT_GT(*std::max_element(towardTreble.begin() + 1, towardTreble.begin() + 4), 2.0);
  EXPECT_LT(towardTreble[10], -15.0);
  EXPECT_NEAR(towardBass[10], 0.0, 3.0);
  EXPECT_GT(*std::max_element(towardBass.begin() + 7, towardBass.begin() + 10), 2.0);
  EXPECT_LT(towardBass[0], -15.0);

  // The stored weights: flat at 0.5, mirrored about it, a mean of 1 at every tilt.
  const Weights w0 = weightsFor(0.0f), w25 = weightsFor(0.25f), w75 = weightsFor(0.75f), w1 = weightsFor(1.0f);
  for (int b = 0; b < 11; ++b) {
    EXPECT_NEAR(w75[b], w25[10 - b], 1e-5) << b;
    EXPECT_NEAR(w1[b], w0[10 - b], 1e-5) << b;
  }
  for (const Weights& w : {w0, w25, w75, w1}) EXPECT_NEAR(std::accumulate(w.begin(), w.end(), 0.0), 11.0, 1e-4);
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

// After a reset the kernel sounds as if just made with the controls it has now, not
// with the delays the controls before the reset aimed at.
TEST(DrollicantDSPKernel, ResetStartsAfreshWithTheControlsOfNow) {
  DrollicantDSPKernel used, fresh;
  used.charisma = 0.1f, used.naivete = 0.9f;
  used.allocate(512, 48000);
  auto l = test::noise(512, 0.5f, 8), r = test::noise(512, 0.5f, 9);
  for (int i = 0; i < 40; ++i) run(used, l, r);
  used.charisma = 0.7f, used.genteel = true;
  used.reset();
  fresh.charisma = 0.7f, fresh.naivete = 0.9f, fresh.genteel = true;
  fresh.allocate(512, 48000);
  for (int i = 0; i < 4; ++i) {
    auto usedL = test::noise(512, 0.5f, 10 + i), usedR = test::noise(512, 0.5f, 20 + i);
    auto freshL = usedL, freshR = usedR;
    run(used, usedL, usedR);
    run(fresh, freshL, freshR);
    ASSERT_TRUE(usedL == freshL && usedR == freshR) << "block " << i;
  }
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
