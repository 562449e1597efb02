#include "cli/DemoClip.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace drollicant::cli {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeatsPerMinute = 120.0;
constexpr int kBeatsPerBar = 4;
constexpr float kPeakLevel = 0.5f;  // -6 dBFS leaves the effect room

// MIDI note numbers of each bar's chord: A minor, F major, C major, G major.
constexpr std::array<std::array<int, 3>, 4> kChords{{{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}}};
constexpr std::array<int, 4> kBassRoots{33, 29, 36, 31};

double noteHz(int note) { return 440.0 * std::exp2((note - 69) / 12.0); }

double beatSeconds() { return 60.0 / kBeatsPerMinute; }

// A few harmonics with falling weights: warmer than a sine, gentler than a saw.
double softSaw(double phase) {
  return std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase) + 0.12 * std::sin(4 * phase);
}

// Deterministic white noise in [-1, 1].
class NoiseSource {
public:
  float next() {
    state = state * 1664525u + 1013904223u;
    return float(int32_t(state)) / 2147483648.0f;
  }

private:
  uint32_t state = 0x2545F491u;
};

}  // namespace

int64_t DemoClip::frameCountAt(double sampleRate) { return std::lround(kSeconds * sampleRate); }

DemoClip::DemoClip(double sampleRate) : rate(sampleRate) {
  const size_t frames = size_t(frameCountAt(rate));
  left.assign(frames, 0.0f);
  right.assign(frames, 0.0f);
  addPad();
  addArpeggio();
  addBass();
  addDrums();
  shapeAndNormalise();
}

int64_t DemoClip::read(float* outLeft, float* outRight, int64_t frames) {
  const int64_t n = std::min(frames, frameCount() - position);
  std::copy_n(left.begin() + position, n, outLeft);
  std::copy_n(right.begin() + position, n, outRight);
  position += n;
  return n;
}

// Each chord tone is played twice, slightly detuned, once per side, for width.
void DemoClip::addPad() {
  const double bar = beatSeconds() * kBeatsPerBar;
  const int64_t barFrames = int64_t(bar * rate);
  for (size_t chord = 0; chord < kChords.size(); ++chord) {
    const int64_t start = int64_t(chord) * barFrames;
    for (int note : kChords[chord]) {
      const double hzL = noteHz(note) * 0.998, hzR = noteHz(note) * 1.002;
      for (int64_t i = 0; i < barFrames && start + i < frameCount(); ++i) {
        const double t = double(i) / rate;
        const double swell = std::min(1.0, t / 0.4) * std::min(1.0, (bar - t) / 0.15);
        left[size_t(start + i)] += float(0.05 * swell * softSaw(2 * kPi * hzL * t));
        right[size_t(start + i)] += float(0.05 * swell * softSaw(2 * kPi * hzR * t));
      }
    }
  }
}

// Eighth notes climbing through the chord an octave up, panned from side to side.
void DemoClip::addArpeggio() {
  const double eighth = beatSeconds() / 2;
  const int64_t noteFrames = int64_t(eighth * rate * 1.8);
  const int steps = int(kChords.size()) * kBeatsPerBar * 2;
  for (int step = 0; step < steps; ++step) {
    const auto& chord = kChords[size_t(step / (kBeatsPerBar * 2))];
    const int note = chord[size_t(step % 3)] + 12 * (1 + (step / 3) % 2);
    const double hz = noteHz(note);
    const double pan = 0.5 + 0.4 * std::sin(2 * kPi * step / 16.0);
    const int64_t start = int64_t(step * eighth * rate);
    for (int64_t i = 0; i < noteFrames && start + i < frameCount(); ++i) {
      const double t = double(i) / rate;
      const double pluck = std::exp(-t * 9.0) * std::min(1.0, t / 0.002);
      const double v =
          0.16 * pluck * (std::sin(2 * kPi * hz * t) + 0.3 * std::exp(-t * 20.0) * std::sin(6 * kPi * hz * t));
      left[size_t(start + i)] += float(v * std::sqrt(1.0 - pan));
      right[size_t(start + i)] += float(v * std::sqrt(pan));
    }
  }
}

// The root on every beat, an octave jump on the off-beat of beat 4.
void DemoClip::addBass() {
  const double beat = beatSeconds();
  const int beats = int(kBassRoots.size()) * kBeatsPerBar;
  for (int b = 0; b < beats; ++b) {
    const int root = kBassRoots[size_t(b / kBeatsPerBar)];
    const bool jump = b % kBeatsPerBar == 3;
    const std::array<std::pair<double, int>, 2> hits{{{0.0, root}, {0.5, root + 12}}};
    for (size_t h = 0; h < (jump ? 2u : 1u); ++h) {
      const double hz = noteHz(hits[h].second);
      const int64_t start = int64_t((b + hits[h].first) * beat * rate);
      const int64_t length = int64_t((jump ? 0.5 : 0.95) * beat * rate);
      for (int64_t i = 0; i < length && start + i < frameCount(); ++i) {
        const double t = double(i) / rate;
        const double env =
            std::exp(-t * 4.0) * std::min(1.0, t / 0.004) * std::min(1.0, double(length - i) / (0.01 * rate));
        const float v = float(0.22 * env * (std::sin(2 * kPi * hz * t) + 0.35 * std::sin(4 * kPi * hz * t)));
        left[size_t(start + i)] += v;
        right[size_t(start + i)] += v;
      }
    }
  }
}

// Kick on beats 1 and 3, a short noise hi-hat on every off-beat, slightly right.
void DemoClip::addDrums() {
  const double beat = beatSeconds();
  const int beats = int(kChords.size()) * kBeatsPerBar;
  NoiseSource noise;
  for (int b = 0; b < beats; ++b) {
    if (b % 2 == 0) {
      const int64_t start = int64_t(b * beat * rate);
      double phase = 0.0;
      for (int64_t i = 0; i < int64_t(0.3 * rate) && start + i < frameCount(); ++i) {
        const double t = double(i) / rate;
        phase += 2 * kPi * (45.0 + 110.0 * std::exp(-t * 30.0)) / rate;
        const float v = float(0.5 * std::exp(-t * 12.0) * std::sin(phase));
        left[size_t(start + i)] += v;
        right[size_t(start + i)] += v;
      }
    }
    const int64_t start = int64_t((b + 0.5) * beat * rate);
    float previous = 0.0f;
    for (int64_t i = 0; i < int64_t(0.06 * rate) && start + i < frameCount(); ++i) {
      const float white = noise.next();
      const float bright = white - previous;  // first difference: only the top of the spectrum
      previous = white;
      const float v = float(0.06 * std::exp(-double(i) / rate * 60.0)) * bright;
      left[size_t(start + i)] += 0.8f * v;
      right[size_t(start + i)] += v;
    }
  }
}

// Short fades at both ends so the clip starts and stops without a click, then a
// fixed peak level.
void DemoClip::shapeAndNormalise() {
  const int64_t fadeIn = int64_t(0.005 * rate), fadeOut = int64_t(0.5 * rate);
  const int64_t n = frameCount();
  float peak = 0.0f;
  for (int64_t i = 0; i < n; ++i) {
    float g = 1.0f;
    if (i < fadeIn) g = float(i) / float(fadeIn);
    if (n - i < fadeOut) g = std::min(g, float(n - i) / float(fadeOut));
    left[size_t(i)] *= g;
    right[size_t(i)] *= g;
    peak = std::max({peak, std::fabs(left[size_t(i)]), std::fabs(right[size_t(i)])});
  }
  if (peak <= 0.0f) return;
  const float scale = kPeakLevel / peak;
  for (int64_t i = 0; i < n; ++i) {
    left[size_t(i)] *= scale;
    right[size_t(i)] *= scale;
  }
}

}  // namespace drollicant::cli
