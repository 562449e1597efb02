// An offline bounce must sound like the live mix: with the same input and settings,
// every copy of the inner loops gives the same samples, bit for bit, whatever block
// sizes the host calls with, from one frame to 65536, cut evenly or at random.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "KernelSettings.h"
#include "PlainEngine.h"
#include "SignalHelpers.h"
#include "dsp/DrollicantDSPKernel.h"

namespace drollicant {
namespace {

using Settings = test::KernelSettings;

const Settings kSettings[] = {
    {"deep fast sweep", 0.0f, 1.0f, 0.7f, 0.5f, 0.5f, 0.6f, false, false},
    {"flighty and anti-phase", 0.9f, 0.8f, 0.9f, 0.8f, 0.2f, 1.0f, true, false},
    {"short, ringing, tilted", 0.3f, 0.6f, 1.0f, 0.1f, 1.0f, 0.3f, false, true},
    // Delays of a few samples at most, often shorter than a vector of samples.
    {"near neutral depth", 0.47f, 1.0f, 0.9f, 0.5f, 0.5f, 0.6f, false, false},
    {"no delay, feeding back", 0.5f, 0.5f, 1.0f, 0.5f, 0.5f, 0.6f, false, false},
};

constexpr int64_t kMaxFrames = 65536;
constexpr double kRate = 48000.0;

// A 110 Hz tone under noise, with bursts so that the followers and flighty carrier move.
struct Input {
  std::vector<float> left, right;
  explicit Input(int64_t frames) : left(test::noise(frames, 0.2f, 3)), right(test::noise(frames, 0.2f, 4)) {
    for (int64_t i = 0; i < frames; ++i) {
      const float burst = (i / 9000) % 2 ? 1.0f : 0.2f;
      left[i] += burst * 0.6f * float(std::sin(2.0 * M_PI * 110.0 * double(i) / kRate));
      right[i] += burst * 0.5f * float(std::sin(2.0 * M_PI * 165.0 * double(i) / kRate));
    }
  }
};

// Renders `in` in blocks whose lengths `nextBlock` picks; left then right.
template <class Cuts>
std::vector<float> render(const EngineRoutines& routines, const Settings& s, const Input& in, Cuts nextBlock) {
  DrollicantDSPKernel k;
  k.routines = &routines;
  s.applyTo(k);
  k.allocate(kMaxFrames, kRate);
  const int64_t frames = int64_t(in.left.size());
  std::vector<float> out(2 * size_t(frames));
  float* outL = out.data();
  float* outR = out.data() + frames;
  for (int64_t at = 0; at < frames;) {
    const int64_t n = std::min(frames - at, nextBlock());
    k.process(in.left.data() + at, in.right.data() + at, outL + at, outR + at, n);
    at += n;
  }
  return out;
}

TEST(BlockSizeIndependence, EveryBlockSizeGivesTheSameSamples) {
  const Input in(2 * kMaxFrames + 1234);
  std::vector<const EngineRoutines*> copies = {&test::plainEngineRoutines()};
  for (const char* isa : {"baseline", "avx2", "avx512"})
    if (const EngineRoutines* r = engineRoutinesFor(isa)) copies.push_back(r);
  for (const EngineRoutines* routines : copies) {
    for (const Settings& s : kSettings) {
      const auto reference = render(*routines, s, in, [] { return int64_t(kControlGrid); });
      double energy = 0.0;
      for (float y : reference) energy += double(y) * y;
      ASSERT_GT(energy / double(reference.size()), 1e-4) << s.name << ": the effect must be heard";
      std::mt19937 rng(17);
      std::uniform_int_distribution<int64_t> anyLength(1, 700);
      auto random = [&] { return anyLength(rng); };
      struct Way {
        std::string name;
        std::function<int64_t()> cut;
      };
      std::vector<Way> ways;
      for (int64_t block : {1, 7, 64, 512, 4096, 65536})
        ways.push_back({"blocks of " + std::to_string(block), [block] { return block; }});
      ways.push_back({"random blocks", random});
      for (const Way& way : ways) {
        const auto out = render(*routines, s, in, way.cut);
        size_t first = out.size();
        float worst = 0.0f;
        for (size_t i = 0; i < out.size(); ++i) {
          const float d = std::fabs(out[i] - reference[i]);
          if (!(d == 0.0f) && first == out.size()) first = i;
          worst = std::max(worst, d);
        }
        // The plain loops may round differently with where a block ends (their sine
        // and tanh come from the C library at every length); they must still agree
        // far below hearing. The vector copies must agree exactly.
        const bool plain = std::string(routines->name) == "plain";
        if (plain)
          EXPECT_LT(worst, 1e-5f) << routines->name << ", " << s.name << ", " << way.name;
        else
          EXPECT_EQ(first, out.size()) << routines->name << ", " << s.name << ", " << way.name
                                       << ": first differs at sample " << first << " by up to " << worst;
      }
    }
  }
}

}  // namespace
}  // namespace drollicant
