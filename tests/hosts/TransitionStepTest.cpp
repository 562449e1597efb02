// What a listener hears when a host moves a control or the bypass while audio plays:
// the built plug-in in lilv, on a 110 Hz sine, at the block sizes hosts use. A click
// is a sample step larger than the sound around it has: the largest step in the 100 ms
// after the change must stay within 1.5 times the largest step of the steady sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>
#include <vector>

#include "LilvHost.h"

using testing_support::LilvHost;

namespace {

constexpr double kRate = 48000.0;
constexpr uint32_t kMaxBlock = 512;
constexpr size_t kChangeAt = 96 * kMaxBlock;  // about 1 s in, on a block edge at every size
constexpr size_t kWindow = size_t(kRate / 10);
constexpr size_t kSteadyWindow = size_t(kRate / 2);
constexpr size_t kSettled = size_t(kRate / 2);  // after a move, when the sound counts as settled
constexpr size_t kSettledWindow = size_t(0.3 * kRate);
constexpr float kLargestStepRatio = 1.5f;

struct Signal {
  std::vector<float> left, right;
};

Signal sine(size_t frames) {
  Signal s{std::vector<float>(frames), std::vector<float>(frames)};
  for (size_t i = 0; i < frames; ++i)
    s.left[i] = s.right[i] = float(0.5 * std::sin(2.0 * std::numbers::pi * 110.0 * double(i) / kRate));
  return s;
}

float largestStep(const Signal& s, size_t from, size_t to) {
  float largest = 0.0f;
  for (size_t i = std::max<size_t>(from, 1); i < to; ++i)
    largest = std::max({largest, std::fabs(s.left[i] - s.left[i - 1]), std::fabs(s.right[i] - s.right[i - 1])});
  return largest;
}

// One control port moved at the given frames.
struct Move {
  size_t at;
  float value;
};

struct Transition {
  const char* name;
  const char* symbol;
  float from;
  std::vector<Move> moves;
  std::vector<std::pair<const char*, float>> settings{};  // other ports, away from their defaults
};

// Runs the sine through a fresh instance in blocks of `block`, starting settled at
// `from`, moving the port as told; returns the output.
Signal render(const Transition& t, uint32_t block, size_t frames) {
  LilvHost host(kRate, kMaxBlock);
  EXPECT_TRUE(host.ready());
  const Signal in = sine(frames);
  Signal out{std::vector<float>(frames), std::vector<float>(frames)};
  if (!host.ready()) return out;
  for (const auto& [symbol, value] : t.settings) host.set(symbol, value);
  host.set(t.symbol, t.from);
  host.activate();
  size_t nextMove = 0;
  for (size_t at = 0; at < frames; at += block) {
    for (; nextMove < t.moves.size() && t.moves[nextMove].at <= at; ++nextMove)
      host.set(t.symbol, t.moves[nextMove].value);
    const auto n = uint32_t(std::min<size_t>(block, frames - at));
    host.run(in.left.data() + at, in.right.data() + at, out.left.data() + at, out.right.data() + at, n);
  }
  return out;
}

// The largest step in the 100 ms after each move, as a multiple of the largest step of
// the steady sound on either side of it: the half second before the first move, and
// the sound settled after the move (the 300 ms before the next move or the end). A
// change that makes the sound louder or brighter makes its steps larger too; a click is
// a step larger than the sound has on either side.
std::vector<float> stepRatios(const Transition& t, uint32_t block) {
  const size_t frames = t.moves.back().at + kSettled + kSteadyWindow;
  const Signal out = render(t, block, frames);
  float before = largestStep(out, t.moves.front().at - kSteadyWindow, t.moves.front().at);
  std::vector<float> ratios;
  for (size_t m = 0; m < t.moves.size(); ++m) {
    const size_t settledEnd = m + 1 < t.moves.size() ? t.moves[m + 1].at : frames;
    const float after = largestStep(out, settledEnd - kSettledWindow, settledEnd);
    ratios.push_back(largestStep(out, t.moves[m].at, t.moves[m].at + kWindow) / std::max(before, after));
    before = after;
  }
  return ratios;
}

}  // namespace

// Host bypass on and off again, after 1.5 s and within a few blocks, every gliding
// control jumping across most of its range, each switch both ways, also where it moves
// the sound most.
TEST(TransitionSteps, NoChangeStepsLargerThanTheSteadySoundAtAnyBlockSize) {
  const size_t back = kChangeAt + size_t(1.5 * kRate);
  const std::vector<Transition> transitions{
      {"bypass on, then off", "enabled", 1.0f, {{kChangeAt, 0.0f}, {back, 1.0f}}},
      {"bypass on and off again", "enabled", 1.0f, {{kChangeAt, 0.0f}, {kChangeAt + 256, 1.0f}}},
      {"whimsy 0 to 1", "whimsy", 0.0f, {{kChangeAt, 1.0f}}},
      {"sweetness 0 to 1", "sweetness", 0.0f, {{kChangeAt, 1.0f}}},
      {"nostalgia 0 to 0.9", "nostalgia", 0.0f, {{kChangeAt, 0.9f}}},
      {"surprise 0 to 1", "surprise", 0.0f, {{kChangeAt, 1.0f}}},
      {"naivete 0 to 1", "naivete", 0.0f, {{kChangeAt, 1.0f}}},
      {"flighty off to on", "flighty", 0.0f, {{kChangeAt, 1.0f}}},
      {"flighty on to off", "flighty", 1.0f, {{kChangeAt, 0.0f}}},
      {"flighty on, whimsy 0.5", "flighty", 0.0f, {{kChangeAt, 1.0f}}, {{"whimsy", 0.5f}}},
      {"flighty off, whimsy 0.5", "flighty", 1.0f, {{kChangeAt, 0.0f}}, {{"whimsy", 0.5f}}},
      {"genteel off to on", "genteel", 0.0f, {{kChangeAt, 1.0f}}},
      {"genteel on to off", "genteel", 1.0f, {{kChangeAt, 0.0f}}},
      {"genteel on, charisma 0", "genteel", 0.0f, {{kChangeAt, 1.0f}}, {{"charisma", 0.0f}}},
      {"genteel off, charisma 0", "genteel", 1.0f, {{kChangeAt, 0.0f}}, {{"charisma", 0.0f}}},
  };
  for (const uint32_t block : {1u, 64u, 512u})
    for (const Transition& t : transitions) {
      const auto ratios = stepRatios(t, block);
      for (size_t m = 0; m < ratios.size(); ++m) {
        std::printf("block %3u  %-22s move %zu  step ratio %.2f\n", block, t.name, m, double(ratios[m]));
        EXPECT_LE(ratios[m], kLargestStepRatio) << t.name << ", move " << m << ", block " << block;
      }
    }
}
