#include "PlainEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace drollicant::test {
namespace {

float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }

void sines(const double* x, double* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = std::sin(x[i]);
}

void carrierGain(float* gain, double phase, double increment, float depth, int64_t n) {
  for (int64_t i = 0; i < n; ++i) {
    gain[i] = (1.0f - depth) + depth * float(std::sin(phase));
    phase = phase + increment;
  }
}

// Section b of a channel over a block: y = b0·x + b1·x1 + b2·x2 − a1·y1 − a2·y2.
void section(const float (*k)[kEngineLanes], int b, const float* in, float* out, int64_t n, float& x1, float& x2,
             float& y1, float& y2) {
  for (int64_t i = 0; i < n; ++i) {
    const float x = in[i];
    const float y = k[0][b] * x + k[1][b] * x1 + k[2][b] * x2 - k[3][b] * y1 - k[4][b] * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    out[i] = y;
  }
}

// One follower's step towards the magnitude of a sample.
void track(float x, float& envelope, const EnvelopeFollowers& env) {
  const float a = std::fabs(x);
  const float coef = envelope < a ? env.attack : env.decay;
  envelope = envelope + coef * (a - envelope);
}

// The carrier of the grid chunk at `at`, from the followers' levels there.
void makeChunk(CarrierSweep& sweep, const EnvelopeFollowers& env, float* gain) {
  double f = sweep.frequency;
  float d = sweep.depth;
  if (sweep.followsLevel) {
    const float e = (std::min(std::max(env.left, env.right), 1.0f) + 1.0f) * 0.5f;
    f = f * e;
    d = d * e;
  }
  const double inc = kTwoPi * f / sweep.sampleRate;
  carrierGain(gain, sweep.phase, inc, d, kControlGrid);
  sweep.phase = std::fmod(sweep.phase + double(kControlGrid) * inc, kTwoPi);
}

// Follows both unmodulated levels, makes each chunk's gain at its grid point and
// multiplies by it; a non-finite sample is silence.
void modulate(const float* inL, const float* inR, CarrierSweep& sweep, EnvelopeFollowers& env, float* gain, float* outL,
              float* outR, int64_t n) {
  const int64_t end = sweep.first + sweep.chunks * kControlGrid;
  for (int64_t i = 0; i < n; ++i) {
    if (i >= sweep.first && i < end && (i - sweep.first) % kControlGrid == 0) makeChunk(sweep, env, gain + i);
    const float xL = std::clamp(finiteOrZero(inL[i]), -kLargestInput, kLargestInput);
    const float xR = std::clamp(finiteOrZero(inR[i]), -kLargestInput, kLargestInput);
    track(xL, env.left, env);
    track(xR, env.right, env);
    outL[i] = xL * gain[i];
    outR[i] = xR * gain[i];
  }
}

void crossover(CrossoverLanes* channels, EnvelopeFollowers& env, CarrierSweep& sweep, const float* inL,
               const float* inR, float* gain, float* bands, int64_t stride, float*, int64_t n) {
  modulate(inL, inR, sweep, env, gain, bands + 10 * stride, bands + 21 * stride, n);
  for (int c = 0; c < 2; ++c) {
    CrossoverLanes& k = channels[c];
    float* rest = bands + (c * 11 + 10) * stride;
    for (int b = 0; b < 10; ++b) {
      float* band = bands + (c * 11 + b) * stride;
      float x1 = k.x1[b], x2 = k.x2[b];
      section(k.hp, b, rest, band, n, x1, x2, k.hp1[b], k.hp2[b]);
      section(k.lp, b, rest, rest, n, k.x1[b], k.x2[b], k.lp1[b], k.lp2[b]);
      for (float* v : {&k.x1[b], &k.x2[b], &k.hp1[b], &k.hp2[b], &k.lp1[b], &k.lp2[b]}) *v = finiteOrZero(*v);
    }
  }
}

// The smoother's recursion sample by sample; at every grid point the line takes the
// next step's target and feedback.
void delayLine(DelayRun& line, float* block, int64_t n) {
  const int64_t L = line.length;
  double T = std::isfinite(line.target) ? line.target : 0.0;
  double d = std::isfinite(line.delay) ? line.delay : T;
  const double s = line.smoothing;
  int64_t w = line.writePos, step = 0;
  for (int64_t i = 0; i < n; ++i) {
    if (line.phase >= kControlGrid) {
      const int64_t k = std::min(step++, line.stepCount - 1);
      if (k >= 0) {
        T = std::isfinite(line.steps[k].target) ? line.steps[k].target : 0.0;
        line.feedback = line.steps[k].feedback;
      }
      line.offset = d - T;
      line.phase = 0;
    }
    const float x = finiteOrZero(block[i]);
    line.ring[w] = x;
    d = (1.0 - s) * T + d * s;
    const double r = double(w) - d;
    const double fl = std::floor(r);
    const int64_t j0 = ((int64_t(fl) % L) + L) % L;
    const int64_t j1 = (j0 + 1) % L;
    const float frac = float(r - fl);
    const float y = (1.0f - frac) * line.ring[j0] + line.ring[j1] * frac;
    if (line.feedback > 0.0f) line.ring[w] = finiteOrZero(x + line.feedback * y);
    block[i] = y;
    w = (w + 1) % L;
    ++line.phase;
  }
  line.writePos = w;
  line.target = T;
  line.delay = d;
}

void delayBands(DelayRun* left, DelayRun* right, float* bandsL, float* bandsR, int64_t stride, int bands, int64_t n) {
  for (int b = 0; b < bands; ++b) {
    delayLine(left[b], bandsL + b * stride, n);
    delayLine(right[b], bandsR + b * stride, n);
  }
}

void mixSaturate(const float* bands, int64_t stride, const float* weights, float* outL, float* outR, int64_t n) {
  for (int c = 0; c < 2; ++c)
    for (int64_t i = 0; i < n; ++i) {
      float sum = 0.0f;
      for (int b = 0; b < 11; ++b) sum = sum + weights[b] * bands[(c * 11 + b) * stride + i];
      (c == 0 ? outL : outR)[i] = std::tanh(finiteOrZero(sum));
    }
}

}  // namespace

const EngineRoutines& plainEngineRoutines() {
  static const EngineRoutines routines = {"plain", sines, crossover, delayLine, delayBands, mixSaturate};
  return routines;
}

}  // namespace drollicant::test
