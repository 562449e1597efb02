// The kernel's inner loops, written once on GCC vector types and compiled once per
// instruction set (ENGINE_ISA names the copy: baseline, avx2, avx512). Everything but
// the exported table has internal linkage and only builtins are called, so no code
// built for a wide instruction set can be shared with a narrower copy by the linker.
#include <cstdint>

#include "dsp/EngineRoutines.h"

#include <new>
#include <type_traits>
#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#else
#include <emmintrin.h>
#endif

#ifndef ENGINE_ISA
#error "ENGINE_ISA must name the instruction set of this copy"
#endif

namespace drollicant {
namespace {

constexpr int W = kEngineLanes;
typedef float vf __attribute__((vector_size(4 * W)));
typedef int32_t vi __attribute__((vector_size(4 * W)));
typedef float vf8 __attribute__((vector_size(32)));
typedef int32_t vi8 __attribute__((vector_size(32)));
typedef double vd __attribute__((vector_size(64)));  // eight doubles
typedef int64_t vl __attribute__((vector_size(64)));
typedef float vfu __attribute__((vector_size(4 * W), aligned(4), may_alias));

// Each copy uses only some of the helpers; the rest are not worth a warning.
#define INLINE [[maybe_unused]] static inline __attribute__((always_inline))
#define INLINE_MEMBER inline __attribute__((always_inline))

INLINE vf loadf(const float* p) { return *reinterpret_cast<const vfu*>(p); }
INLINE void storef(float* p, vf v) { *reinterpret_cast<vfu*>(p) = v; }
INLINE vf splat(float x) { return vf{} + x; }
INLINE vi isFinite(vf x) { return (__builtin_bit_cast(vi, x) & 0x7f800000) != 0x7f800000; }
INLINE vf finiteOrZero(vf x) { return isFinite(x) ? x : vf{}; }
INLINE bool finite(float x) { return __builtin_isfinite(x); }
INLINE float finiteOr0(float x) { return __builtin_isfinite(x) ? x : 0.0f; }
INLINE vf laneIndex() { return vf{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}; }

// ---- sine in double precision ----------------------------------------------------

// Adding 1.5 · 2^52 rounds a double below 2^51 in magnitude to an integer, which then
// sits in the low bits of the sum: read it from there, since converting doubles to
// 64-bit integers takes one instruction per lane below AVX-512.
constexpr double kRoundingShift = 0x1.8p52;
INLINE vl integerOf(vd shifted) {
  return __builtin_bit_cast(vl, shifted) - __builtin_bit_cast(int64_t, kRoundingShift);
}

// Reduction by π/2 in three parts (each product with the quotient is exact for
// quotients below 2^20), then the classic minimax polynomials on [−π/4, π/4].
INLINE vd sin8(vd x) {
  const vd t = x * 0.63661977236758134308;
  const vd shifted = t + kRoundingShift;
  const vd q = shifted - kRoundingShift;  // nearest integer
  vd r = x - q * 1.57079632673412561417e+00;
  r = r - q * 6.07710050630396597660e-11;
  r = r - q * 2.02226624871116645580e-21;
  const vd z = r * r;
  const vd s = r + r * z *
                       (-1.66666666666666324348e-01 +
                        z * (8.33333333332248946124e-03 +
                             z * (-1.98412698298579493134e-04 +
                                  z * (2.75573137070700676789e-06 +
                                       z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
  const vd c = 1.0 - 0.5 * z +
               z * z *
                   (4.16666666666666019037e-02 +
                    z * (-1.38888888888741095749e-03 +
                         z * (2.48015872894767294178e-05 +
                              z * (-2.75573143513906633035e-07 +
                                   z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
  // Odd quadrants take the cosine, the upper two flip the sign: chosen from the bits of
  // the quadrant with no comparison, which GCC would split lane by lane below AVX-512
  // and on NEON.
  const vl k = integerOf(shifted);
  const vl odd = -(k & 1);
  const vl v = (odd & __builtin_bit_cast(vl, c)) | (~odd & __builtin_bit_cast(vl, s));
  return __builtin_bit_cast(vd, v ^ ((k & 2) << 62));
}

void sines(const double* x, double* out, int count) {
  typedef double vdu __attribute__((vector_size(64), aligned(8), may_alias));
  int i = 0;
  for (; i + 8 <= count; i += 8) *reinterpret_cast<vdu*>(out + i) = sin8(*reinterpret_cast<const vdu*>(x + i));
  if (i < count) {
    const int m = count - i;
    double part[8] = {};
    __builtin_memcpy(part, x + i, sizeof(double) * m);
    vd v;
    __builtin_memcpy(&v, part, sizeof v);
    const vd s = sin8(v);
    __builtin_memcpy(part, &s, sizeof s);
    __builtin_memcpy(out + i, part, sizeof(double) * m);
  }
}

// gain[i] = (1 − depth) + depth · sin(phase + i · increment) over one grid chunk.
INLINE void chunkGain(float* gain, double phase, double increment, float depth) {
  static_assert(kControlGrid % 8 == 0, "a chunk is whole vectors of sines");
  const vd step = vd{0, 1, 2, 3, 4, 5, 6, 7} * increment;
  const float rest = 1.0f - depth;
  for (int i = 0; i < kControlGrid; i += 8) {
    const vd s = sin8((phase + double(i) * increment) + step);
    const vf8 g = rest + depth * __builtin_convertvector(s, vf8);
    __builtin_memcpy(gain + i, &g, sizeof g);
  }
}

// The same from the sines and cosines of the chunk's steps: one sine and one cosine
// for the chunk, where each sample would take a sine.
INLINE void chunkGain(float* gain, double phase, const CarrierSteps& steps, float depth) {
  typedef double vdu __attribute__((vector_size(64), aligned(8), may_alias));
  const vd s = sin8(phase + vd{0, kTwoPi / 4.0});
  const float rest = 1.0f - depth;
  for (int i = 0; i < kControlGrid; i += 8) {
    const vd v =
        s[0] * *reinterpret_cast<const vdu*>(steps.cosines + i) + s[1] * *reinterpret_cast<const vdu*>(steps.sines + i);
    const vf8 g = rest + depth * __builtin_convertvector(v, vf8);
    __builtin_memcpy(gain + i, &g, sizeof g);
  }
}

void makeSteps(CarrierSteps& steps, double increment) {
  for (int i = 0; i < kControlGrid; i += 8) {
    const vd x = (vd{0, 1, 2, 3, 4, 5, 6, 7} + double(i)) * increment;
    const vd s = sin8(x), c = sin8(x + kTwoPi / 4.0);
    __builtin_memcpy(steps.sines + i, &s, sizeof s);
    __builtin_memcpy(steps.cosines + i, &c, sizeof c);
  }
  steps.increment = increment;
}

// Where one sample at write slot `w` and smoothed delay `d` reads a ring of length L:
// between slots j0 and j1, `fraction` past j0.
struct SampleRead {
  int64_t j0, j1;
  float fraction;
};
INLINE SampleRead sampleRead(int64_t L, int64_t w, double d) {
  const double r = double(w) - d;
  const double fl = __builtin_floor(r);
  const int64_t i0 = int64_t(fl);
  const int64_t j0 = i0 >= 0 ? (i0 < L ? i0 : i0 % L) : (i0 >= -L ? i0 + L : ((i0 % L) + L) % L);
  return {j0, j0 + 1 == L ? 0 : j0 + 1, float(r - fl)};
}

// One sample of a line: write, read between two slots, feed back. The arithmetic is
// the chunked path's, term for term.
INLINE float delayAt(float* ring, float g, float x, int64_t w, const SampleRead& at) {
  if (!finite(x)) x = 0.0f;
  ring[w] = x;
  const float a = ring[at.j0], b = ring[at.j1];
  const float y = a + at.fraction * (b - a);
  if (g > 0.0f) ring[w] = finiteOr0(x + g * y);
  return y;
}

// ---- input: level followers and carrier ------------------------------------------

// One input sample made safe: silence for non-finite, limited to ±kLargestInput.
INLINE float limited(float x) {
  if (!finite(x)) x = 0.0f;
  return x < -kLargestInput ? -kLargestInput : (x > kLargestInput ? kLargestInput : x);
}

INLINE void track(float x, float& envelope, float attack, float decay) {
  const float a = __builtin_fabsf(x);
  const float coef = envelope < a ? attack : decay;
  envelope = envelope + coef * (a - envelope);
}

// The carrier's gain, a grid chunk at a time, in the order the sweep describes. What
// the levels do not steer is made at once.
struct CarrierChunks {
  CarrierSweep& sweep;
  float* gain;
  int64_t next;  // grid point of the next chunk to make
  int64_t end;   // past the last grid point

  CarrierChunks(CarrierSweep& s, float* g) : sweep(s), gain(g), next(s.first), end(s.first + s.chunks * kControlGrid) {
    if (!s.followsLevel)
      while (next < end) make(0.0f, 0.0f);
  }

  // A chunk the walk has passed counts as due too: the loops around it then always move on.
  INLINE_MEMBER bool due(int64_t at) const { return next <= at && next < end; }

  // The chunk at `next`, from the followers' levels there. Called once a chunk, and
  // kept out of line so that it does not crowd the loops around it.
  __attribute__((noinline)) void make(float left, float right) {
    double f = sweep.frequency;
    float d = sweep.depth;
    if (sweep.followsLevel) {
      const float level = left > right ? left : right;
      const float e = ((level < 1.0f ? level : 1.0f) + 1.0f) * 0.5f;
      f = f * e;
      d = d * e;
    }
    const double inc = kTwoPi * f / sweep.sampleRate;
    if (sweep.followsLevel || !sweep.steps) {
      chunkGain(gain + next, sweep.phase, inc, d);
    } else {
      if (sweep.steps->increment != inc) makeSteps(*sweep.steps, inc);
      chunkGain(gain + next, sweep.phase, *sweep.steps, d);
    }
    // fmod, without its cost in the usual case: below 4π the subtraction is exact.
    const double phase = sweep.phase + double(kControlGrid) * inc;
    sweep.phase = phase >= kTwoPi && phase < 2.0 * kTwoPi ? phase - kTwoPi : __builtin_fmod(phase, kTwoPi);
    next += kControlGrid;
  }
};

// The level followers walking through the block, making each grid chunk's gain as
// they reach its grid point. They may run ahead of the crossover: a chunk's gain then
// waits ready before the crossover needs it, and their recursion and the carrier's sines
// overlap the sections'. `channels` says whose levels it follows: 1 left, 2 right, 3
// both (needed where the levels steer the carrier), 0 none.
//
// Build it where it walks: as a local whose address stays there, the followers stay in
// registers rather than going through memory that the crossover's float stores might
// touch.
template <int channels>
struct LevelWalk {
  EnvelopeFollowers& env;
  CarrierChunks& carrier;
  const float *inL, *inR;
  int64_t n;
  int64_t at = 0;  // next sample to follow
  float left, right;
  const float attack, decay;

  LevelWalk(EnvelopeFollowers& e, CarrierChunks& c, const float* l, const float* r, int64_t frames)
      : env(e), carrier(c), inL(l), inR(r), n(frames), left(e.left), right(e.right), attack(e.attack), decay(e.decay) {}
  LevelWalk(const LevelWalk&) = delete;
  ~LevelWalk() {
    if (channels & 1) env.left = left;
    if (channels & 2) env.right = right;
  }

  // The next sample, if the block has one.
  INLINE_MEMBER void follow() {
    if (at < n) {
      if (channels & 1) track(limited(inL[at]), left, attack, decay);
      if (channels & 2) track(limited(inR[at]), right, attack, decay);
      ++at;
    }
  }
  // The next sample as the crossover limited it: walking in step, the followers share
  // that work.
  INLINE_MEMBER void take(float xL, float xR) {
    if (channels & 1) track(xL, left, attack, decay);
    if (channels & 2) track(xR, right, attack, decay);
    ++at;
  }
  INLINE_MEMBER void makeDueChunk() {
    if (channels == 3 && carrier.due(at)) carrier.make(left, right);
  }
  INLINE_MEMBER void step() { makeDueChunk(), follow(); }
  // Gets `lead` samples ahead, or as far as the last chunk needs, and makes the chunks
  // that the levels there give.
  INLINE_MEMBER void runAhead(int64_t lead) {
    const int64_t last = carrier.end - kControlGrid;
    while (at < lead && at < last) step();
    makeDueChunk();
  }
  // Samples to follow before the next chunk waits for the levels. The loops around
  // the sections make chunks between their runs, never inside: the sines and fmod's
  // call would push the sections' history out of the registers.
  INLINE_MEMBER int64_t quietSamples() const {
    return channels == 3 && carrier.next < carrier.end ? carrier.next - at : INT64_MAX;
  }
};

// How far the followers run ahead of the crossover where they steer the carrier: the
// sines of a chunk finish in fewer steps of the sections.
constexpr int64_t kFollowerLead = kControlGrid;

// ---- section by section ---------------------------------------------------------

// Without 32 wide registers the packed wavefront spills, and for short blocks it
// costs more than it saves; there the sections run one after another instead, each
// carrying its history in registers through the block. Where a wavefront exists the
// terms are summed in its order, so that a block gives the same samples whichever path
// it takes; elsewhere in their plain order.
INLINE float section1(const float (*k)[W], int b, float x, float x1, float x2, float y1, float y2) {
#if defined(__AVX2__)
  float t = k[2][b] * x2 - k[4][b] * y2;
  t = t + k[1][b] * x1;
  t = t - k[3][b] * y1;
  return t + k[0][b] * x;
#else
  return k[0][b] * x + k[1][b] * x1 + k[2][b] * x2 - k[3][b] * y1 - k[4][b] * y2;
#endif
}

// One stage of one channel: its two sections and their shared input history.
struct Stage1 {
  CrossoverLanes& k;
  int b;
  float x1, x2, h1, h2, l1, l2;

  Stage1(CrossoverLanes& lanes, int stage)
      : k(lanes), b(stage), x1(k.x1[b]), x2(k.x2[b]), h1(k.hp1[b]), h2(k.hp2[b]), l1(k.lp1[b]), l2(k.lp2[b]) {}

  INLINE_MEMBER void step(float x, float& band, float& rest) {
    const float h = section1(k.hp, b, x, x1, x2, h1, h2);
    const float l = section1(k.lp, b, x, x1, x2, l1, l2);
    band = h, rest = l;
    x2 = x1, x1 = x, h2 = h1, h1 = h, l2 = l1, l1 = l;
  }

  void save() {
    k.x1[b] = finiteOr0(x1), k.x2[b] = finiteOr0(x2), k.hp1[b] = finiteOr0(h1), k.hp2[b] = finiteOr0(h2);
    k.lp1[b] = finiteOr0(l1), k.lp2[b] = finiteOr0(l2);
  }
};

// The ten stages of both channels one after another, the remainder entering each in its
// last band's buffer. Kept apart from the followers' loop: merged, the baseline copy runs
// a tenth slower.
void stagesNarrow(CrossoverLanes* channels, float* bands, int64_t stride, int64_t n) {
  float* firstL = bands;
  float* firstR = bands + 11 * stride;
  float* restL = firstL + 10 * stride;
  float* restR = firstR + 10 * stride;
  for (int b = 0; b < 10; ++b) {
    // Both channels in one pass: four independent recursions keep the pipeline busy.
    Stage1 left(channels[0], b), right(channels[1], b);
    float* bandL = firstL + b * stride;
    float* bandR = firstR + b * stride;
    for (int64_t i = 0; i < n; ++i) {
      left.step(restL[i], bandL[i], restL[i]);
      right.step(restR[i], bandR[i], restR[i]);
    }
    left.save();
    right.save();
  }
}

void crossoverNarrow(CrossoverLanes* channels, EnvelopeFollowers& env, CarrierSweep& sweep, const float* inL,
                     const float* inR, float* gain, float* bands, int64_t stride, float* /*skew*/, int64_t n) {
  // The remainder travels down in the last band's buffer of each channel.
  float* restL = bands + 10 * stride;
  float* restR = bands + 21 * stride;
  CarrierChunks carrier(sweep, gain);
  {
    LevelWalk<3> walk(env, carrier, inL, inR, n);
    for (int64_t i = 0; i < n; ++i) {
      walk.makeDueChunk();
      const float xL = limited(inL[i]), xR = limited(inR[i]);
      walk.take(xL, xR);
      restL[i] = xL * gain[i];
      restR[i] = xR * gain[i];
    }
  }
  stagesNarrow(channels, bands, stride, n);
}

#if defined(__AVX512F__)
// ---- wide: all of a channel's sections in one register ------------------------

// One two-pole two-zero step for every lane. The terms known a step ahead are summed
// first, so only the last two operations wait for the previous output.
INLINE vf section(const float (*k)[W], vf x, vf x1, vf x2, vf y1, vf y2) {
  vf t = loadf(k[2]) * x2 - loadf(k[4]) * y2;
  t = t + loadf(k[1]) * x1;
  t = t - loadf(k[3]) * y1;
  return t + loadf(k[0]) * x;
}

// Lane 0 becomes `sample`, lane i the old lane i − 1.
INLINE vf shiftIn(vf v, float sample) {
  return __builtin_shufflevector(v, splat(sample), 16, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14);
}

// One step of a channel's crossover wavefront: lane b takes stage b − 1's last
// low-pass output (lane 0 the new sample), both halves of every stage advance, and
// lane b of the result is band b; lane 10 carries the last remainder.
// The coefficients stay in memory (they fold into the arithmetic as operands); the
// history lives in registers.
struct Channel {
  const CrossoverLanes& c;
  vf x1, x2, h1, h2, l1, l2;

  explicit Channel(const CrossoverLanes& lanes)
      : c(lanes),
        x1(loadf(c.x1)),
        x2(loadf(c.x2)),
        h1(loadf(c.hp1)),
        h2(loadf(c.hp2)),
        l1(loadf(c.lp1)),
        l2(loadf(c.lp2)) {}

  void save(CrossoverLanes& out) const {
    CrossoverLanes& c = out;
    storef(c.x1, finiteOrZero(x1));
    storef(c.x2, finiteOrZero(x2));
    storef(c.hp1, finiteOrZero(h1));
    storef(c.hp2, finiteOrZero(h2));
    storef(c.lp1, finiteOrZero(l1));
    storef(c.lp2, finiteOrZero(l2));
  }

  // Lane 0 takes the new sample, lane b the low-pass output of stage b − 1.
  INLINE_MEMBER vf input(float sample) const { return shiftIn(l1, sample); }

  // Every lane advances.
  INLINE_MEMBER vf step(float sample) {
    const vf x = input(sample);
    const vf h = section(c.hp, x, x1, x2, h1, h2);
    const vf l = section(c.lp, x, x1, x2, l1, l2);
    x2 = x1, x1 = x, h2 = h1, h1 = h, l2 = l1, l1 = l;
    return laneIndex() < 10.0f ? h : x;
  }

  // Only the lanes in `active` advance: the wavefront filling or draining.
  INLINE_MEMBER vf step(float sample, vi active) {
    const vf x = input(sample);
    const vf h = section(c.hp, x, x1, x2, h1, h2);
    const vf l = section(c.lp, x, x1, x2, l1, l2);
    x2 = active ? x1 : x2, x1 = active ? x : x1;
    h2 = active ? h1 : h2, h1 = active ? h : h1;
    l2 = active ? l1 : l2, l1 = active ? l : l1;
    return laneIndex() < 10.0f ? h : x;
  }
};

// Both channels' wavefronts, one register each: row t of a channel's skew rows gets
// band b's sample t − b in lane b, the last remainder in lane 10.
struct StereoStages {
  Channel left, right;
  float *skewL, *skewR;
  const vf index = laneIndex();

  StereoStages(CrossoverLanes* lanes, float* rowsL, float* rowsR)
      : left(lanes[0]), right(lanes[1]), skewL(rowsL), skewR(rowsR) {}
  void finish(CrossoverLanes* lanes, int64_t /*n*/) const { left.save(lanes[0]), right.save(lanes[1]); }

  INLINE_MEMBER void step(int64_t t, float xL, float xR) {
    storef(skewL + t * W, left.step(xL));
    storef(skewR + t * W, right.step(xR));
  }
  // Filling or draining a block of n samples: lane b holds sample t − b, if the block has it.
  INLINE_MEMBER void step(int64_t t, float xL, float xR, int64_t n) {
    const vi active = (index <= float(t)) & (index > float(t - n));
    storef(skewL + t * W, left.step(xL, active));
    storef(skewR + t * W, right.step(xR, active));
  }
};

// Swaps the off-diagonal S×S blocks of rows a and b: one stage of a 16×16 transpose.
template <int S>
INLINE void swapBlocks(vf& a, vf& b) {
  constexpr vi lower = {
      0 & S ? 16 + 0 - S : 0,    1 & S ? 16 + 1 - S : 1,    2 & S ? 16 + 2 - S : 2,    3 & S ? 16 + 3 - S : 3,
      4 & S ? 16 + 4 - S : 4,    5 & S ? 16 + 5 - S : 5,    6 & S ? 16 + 6 - S : 6,    7 & S ? 16 + 7 - S : 7,
      8 & S ? 16 + 8 - S : 8,    9 & S ? 16 + 9 - S : 9,    10 & S ? 16 + 10 - S : 10, 11 & S ? 16 + 11 - S : 11,
      12 & S ? 16 + 12 - S : 12, 13 & S ? 16 + 13 - S : 13, 14 & S ? 16 + 14 - S : 14, 15 & S ? 16 + 15 - S : 15};
  constexpr vi upper = lower + S;
  const vf na = (vf)_mm512_permutex2var_ps((__m512)a, (__m512i)lower, (__m512)b);
  b = (vf)_mm512_permutex2var_ps((__m512)a, (__m512i)upper, (__m512)b);
  a = na;
}

template <int S>
INLINE void transposeStage(vf* rows) {
  for (int i = 0; i < W; ++i)
    if ((i & S) == 0) swapBlocks<S>(rows[i], rows[i + S]);
}

// Row t of a skewed block holds band b's sample t − b in lane b. Sixteen rows at a
// time are transposed, so that each band leaves as sixteen consecutive samples.
void unskew(const float* skew, float* bands, int64_t stride, int64_t n) {
  for (int64_t t0 = 0; t0 < n + 10; t0 += W) {
    vf rows[W];
    for (int j = 0; j < W; ++j) rows[j] = loadf(skew + (t0 + j) * W);
    transposeStage<8>(rows);
    transposeStage<4>(rows);
    transposeStage<2>(rows);
    transposeStage<1>(rows);
    for (int b = 0; b < 11; ++b) {
      const int64_t first = t0 - b;
      float* band = bands + b * stride;
      if (first >= 0 && first + W <= n) {
        storef(band + first, rows[b]);
      } else {
        // The tiles at either end of the block hold samples outside it: the rest moves
        // down to lane 0 and a masked store writes only the block's samples.
        const int64_t from = first > 0 ? first : 0, to = first + W < n ? first + W : n;
        if (from < to) {
          const vi lanes = int(from - first) + vi{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
          const __m512 rest = _mm512_maskz_permutexvar_ps(__mmask16(0xffff), (__m512i)lanes, (__m512)rows[b]);
          _mm512_mask_storeu_ps(band + from, __mmask16((1u << (to - from)) - 1u), rest);
        }
      }
    }
  }
}
#elif defined(__AVX2__)
// ---- AVX2: each channel's first eight stages in a register, the rest of both in a third

INLINE vf8 load8(const float* p) {
  vf8 v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

INLINE void store8(float* p, vf8 v) { __builtin_memcpy(p, &v, sizeof v); }

INLINE vf8 clean8(vf8 v) { return (__builtin_bit_cast(vi8, v) & 0x7f800000) != 0x7f800000 ? v : vf8{}; }

// One two-pole two-zero step for the first eight lanes, the terms known a step ahead
// first.
INLINE vf8 section8(const float (*k)[W], vf8 x, vf8 x1, vf8 x2, vf8 y1, vf8 y2) {
  vf8 t = load8(k[2]) * x2 - load8(k[4]) * y2;
  t = t + load8(k[1]) * x1;
  t = t - load8(k[3]) * y1;
  return t + load8(k[0]) * x;
}

// Eight lanes of a wavefront's history: both sections of eight stages, and the input
// they share.
struct Lanes8 {
  vf8 x1, x2, h1, h2, l1, l2;

  static Lanes8 load(const CrossoverLanes& k) {
    return {load8(k.x1), load8(k.x2), load8(k.hp1), load8(k.hp2), load8(k.lp1), load8(k.lp2)};
  }
  void save(CrossoverLanes& k) const {
    store8(k.x1, clean8(x1)), store8(k.x2, clean8(x2)), store8(k.hp1, clean8(h1));
    store8(k.hp2, clean8(h2)), store8(k.lp1, clean8(l1)), store8(k.lp2, clean8(l2));
  }

  // The stages with coefficients in lanes 0–7 of `k` take input x; the high-pass
  // outputs. Masked, only the lanes in `active` advance.
  template <bool masked>
  INLINE_MEMBER vf8 step(const CrossoverLanes& k, vf8 x, vi8 active) {
    const vf8 h = section8(k.hp, x, x1, x2, h1, h2);
    const vf8 l = section8(k.lp, x, x1, x2, l1, l2);
    if (masked) {
      advance(active, x1, x2, x), advance(active, h1, h2, h), advance(active, l1, l2, l);
    } else {
      x2 = x1, x1 = x, h2 = h1, h1 = h, l2 = l1, l1 = l;
    }
    return h;
  }
  static INLINE_MEMBER void advance(vi8 active, vf8& newest, vf8& older, vf8 value) {
    older = active ? newest : older;
    newest = active ? value : newest;
  }
};

// Lanes 8–11 of both channels side by side, left then right: the last two stages and
// the remainder of a channel fill less than half a register.
void packTail(const CrossoverLanes* channels, CrossoverLanes& tail) {
  auto pack = [&](float* to, const float* left, const float* right) {
    __builtin_memcpy(to, left + 8, 4 * sizeof(float));
    __builtin_memcpy(to + 4, right + 8, 4 * sizeof(float));
  };
  const CrossoverLanes &l = channels[0], &r = channels[1];
  for (int k = 0; k < 5; ++k) pack(tail.hp[k], l.hp[k], r.hp[k]), pack(tail.lp[k], l.lp[k], r.lp[k]);
  pack(tail.x1, l.x1, r.x1), pack(tail.x2, l.x2, r.x2), pack(tail.hp1, l.hp1, r.hp1);
  pack(tail.hp2, l.hp2, r.hp2), pack(tail.lp1, l.lp1, r.lp1), pack(tail.lp2, l.lp2, r.lp2);
}

void unpackTail(const CrossoverLanes& tail, CrossoverLanes* channels) {
  auto unpack = [&](const float* from, float* left, float* right) {
    __builtin_memcpy(left + 8, from, 4 * sizeof(float));
    __builtin_memcpy(right + 8, from + 4, 4 * sizeof(float));
  };
  CrossoverLanes &l = channels[0], &r = channels[1];
  unpack(tail.x1, l.x1, r.x1), unpack(tail.x2, l.x2, r.x2), unpack(tail.hp1, l.hp1, r.hp1);
  unpack(tail.hp2, l.hp2, r.hp2), unpack(tail.lp1, l.lp1, r.lp1), unpack(tail.lp2, l.lp2, r.lp2);
}

// The last two stages and the remainder of both channels, in one register: lanes 0–3
// hold lanes 8–11 of the left channel's wavefront, lanes 4–7 the right's. They run
// after the first eight stages have gone through the block, from stage 7's low-pass
// outputs that the first pass left in lane 15 of each row: apart, each pass keeps its
// history in registers, and the short recursion of this one costs less than spills in
// a pass that holds all three registers' history.
void tailPass(CrossoverLanes* channels, float* skewL, float* skewR, int64_t n) {
  CrossoverLanes tail;
  packTail(channels, tail);
  Lanes8 stages = Lanes8::load(tail);
  const vf8 lanes = {8, 9, 10, 11, 8, 9, 10, 11};
  auto step = [&](int64_t t, auto masked) __attribute__((always_inline)) {
    float* rowL = skewL + t * W + 8;
    float* rowR = skewR + t * W + 8;
    // Lanes 0 and 4 take stage 7 of their channel, the others their neighbour below.
    const __m256 last = _mm256_set_m128(_mm_broadcast_ss(rowR + 7), _mm_broadcast_ss(rowL + 7));
    const vf8 in = (vf8)_mm256_blend_ps(_mm256_permute_ps((__m256)stages.l1, _MM_SHUFFLE(2, 1, 0, 0)), last, 0x11);
    const vi8 active = (lanes <= float(t)) & (lanes > float(t - n));
    const vf8 h = stages.step<decltype(masked)::value>(tail, in, active);
    // Lanes 8 and 9 are bands, lane 10 carries the remainder.
    const __m256 out = _mm256_blend_ps((__m256)h, (__m256)in, 0xcc);
    _mm_storeu_ps(rowL, _mm256_castps256_ps128(out));
    _mm_storeu_ps(rowR, _mm256_extractf128_ps(out, 1));
  };
  // Lane 11 is silent: lanes 8–11 are all in the block from step 11 to step n + 7.
  int64_t t = 0;
  for (; t < 11; ++t) step(t, std::true_type{});
  for (; t < n + 8; ++t) step(t, std::false_type{});
  for (; t < n + 10; ++t) step(t, std::true_type{});
  stages.save(tail);
  unpackTail(tail, channels);
}

// Both channels' first eight stages, one register each; lane b takes stage b − 1's
// last low-pass output (lane 0 the new sample). Row t of a channel's skew rows gets
// band b's sample t − b in lane b, and lanes 8–15 of row t + 1 the low-pass outputs
// after step t, from which the tail pass takes its input. The terms are summed as in
// the AVX-512 copy, so both give the same samples.
struct StereoStages {
  const CrossoverLanes &kL, &kR;
  Lanes8 left, right;
  float *skewL, *skewR;

  StereoStages(CrossoverLanes* lanes, float* rowsL, float* rowsR)
      : kL(lanes[0]), kR(lanes[1]), left(Lanes8::load(kL)), right(Lanes8::load(kR)), skewL(rowsL), skewR(rowsR) {
    store8(skewL + 8, left.l1), store8(skewR + 8, right.l1);
  }
  void finish(CrossoverLanes* lanes, int64_t n) {
    left.save(lanes[0]), right.save(lanes[1]);
    tailPass(lanes, skewL, skewR, n);
  }

  template <bool masked>
  INLINE_MEMBER void advance(int64_t t, float xL, float xR, vi8 active) {
    const __m256i rotate = _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6);
    const vf8 inL = (vf8)_mm256_blend_ps(_mm256_permutevar8x32_ps((__m256)left.l1, rotate), _mm256_set1_ps(xL), 1);
    const vf8 inR = (vf8)_mm256_blend_ps(_mm256_permutevar8x32_ps((__m256)right.l1, rotate), _mm256_set1_ps(xR), 1);
    store8(skewL + t * W, left.step<masked>(kL, inL, active));
    store8(skewR + t * W, right.step<masked>(kR, inR, active));
    store8(skewL + (t + 1) * W + 8, left.l1);
    store8(skewR + (t + 1) * W + 8, right.l1);
  }

  INLINE_MEMBER void step(int64_t t, float xL, float xR) { advance<false>(t, xL, xR, vi8{}); }
  // Filling or draining a block of n samples: lane b holds sample t − b, if the block has it.
  INLINE_MEMBER void step(int64_t t, float xL, float xR, int64_t n) {
    const vf8 lanes = {0, 1, 2, 3, 4, 5, 6, 7};
    advance<true>(t, xL, xR, (lanes <= float(t)) & (lanes > float(t - n)));
  }
};

// Eight rows of eight lanes transposed in three stages of swapped blocks.
INLINE void transpose8(vf8* r) {
  static constexpr int kFirstHalf[] = {0, 1, 2, 3}, kFirstPairs[] = {0, 1, 4, 5}, kEvens[] = {0, 2, 4, 6};
  for (int i : kFirstHalf) {
    const vf8 a = r[i], b = r[i + 4];
    r[i] = __builtin_shufflevector(a, b, 0, 1, 2, 3, 8, 9, 10, 11);
    r[i + 4] = __builtin_shufflevector(a, b, 4, 5, 6, 7, 12, 13, 14, 15);
  }
  for (int i : kFirstPairs) {
    const vf8 a = r[i], b = r[i + 2];
    r[i] = __builtin_shufflevector(a, b, 0, 1, 8, 9, 4, 5, 12, 13);
    r[i + 2] = __builtin_shufflevector(a, b, 2, 3, 10, 11, 6, 7, 14, 15);
  }
  for (int i : kEvens) {
    const vf8 a = r[i], b = r[i + 1];
    r[i] = __builtin_shufflevector(a, b, 0, 8, 2, 10, 4, 12, 6, 14);
    r[i + 1] = __builtin_shufflevector(a, b, 1, 9, 3, 11, 5, 13, 7, 15);
  }
}

// Row t of the skew rows holds band b's sample t − b in lane b. Eight rows of the
// `count` bands from `lane` at a time are transposed, so that each band leaves as
// eight consecutive samples.
void unskew8(const float* rows, float* bands, int64_t stride, int64_t n, int lane, int count) {
  for (int64_t t0 = 0; t0 < n + lane + count - 1; t0 += 8) {
    vf8 r[8];
    for (int j = 0; j < 8; ++j) r[j] = load8(rows + (t0 + j) * W + lane);
    transpose8(r);
    for (int b = 0; b < count; ++b) {
      const int64_t first = t0 - (lane + b);
      float* band = bands + (lane + b) * stride;
      if (first >= 0 && first + 8 <= n) {
        store8(band + first, r[b]);
      } else {
        // The tiles at either end of the block hold samples outside it: the rest moves
        // down to lane 0 and a masked store writes only the block's samples.
        const int64_t from = first > 0 ? first : 0, to = first + 8 < n ? first + 8 : n;
        if (from < to) {
          const vi8 index = {0, 1, 2, 3, 4, 5, 6, 7};
          const __m256 rest = _mm256_permutevar8x32_ps((__m256)r[b], (__m256i)(int(from - first) + index));
          _mm256_maskstore_ps(band + from, (__m256i)(index < int(to - from)), rest);
        }
      }
    }
  }
}

// Both halves of a channel's skew rows.
void unskew(const float* rows, float* bands, int64_t stride, int64_t n) {
  unskew8(rows, bands, stride, n, 0, 8);
  unskew8(rows, bands, stride, n, 8, 3);
}
#endif

#if defined(__AVX2__)
// Runs the wavefront of both channels side by side over the block: steps 0–9 fill it,
// the last ten drain it. The level followers walk beside the sections, `ahead` (where
// the levels steer the carrier) by kFollowerLead samples.
template <bool ahead>
void wavefront(CrossoverLanes* lanes, EnvelopeFollowers& env, CarrierChunks& carrier, const float* inL,
               const float* inR, const float* gain, float* skewL, float* skewR, int64_t n) {
  LevelWalk<3> walk(env, carrier, inL, inR, n);
  if (ahead) walk.runAhead(kFollowerLead);
  StereoStages stages(lanes, skewL, skewR);
  const int64_t steps = n + 10;
  auto step = [&](int64_t t, auto... filling) __attribute__((always_inline)) {
    float xL = 0.0f, xR = 0.0f;
    if (t < n) {
      xL = limited(inL[t]), xR = limited(inR[t]);
      if (!ahead) walk.take(xL, xR);
    }
    if (ahead) walk.follow();
    stages.step(t, xL * gain[t], xR * gain[t], filling...);
  };
  for (int64_t t = 0; t < steps;) {
    walk.makeDueChunk();
    const int64_t quiet = walk.quietSamples();
    const int64_t stop = quiet < steps - t ? t + quiet : steps;
    for (; t < stop && t < 10; ++t) step(t, n);
    for (; t < stop && t < n; ++t) step(t);
    for (; t < stop; ++t) step(t, n);
  }
  stages.finish(lanes, n);
}

// A wavefront takes ten steps to fill and ten to drain: short blocks go section by
// section instead.
void crossover(CrossoverLanes* channels, EnvelopeFollowers& env, CarrierSweep& sweep, const float* inL,
               const float* inR, float* gain, float* bands, int64_t stride, float* skew, int64_t n) {
  if (n < 16) {
    crossoverNarrow(channels, env, sweep, inL, inR, gain, bands, stride, skew, n);
    return;
  }
  float* skews[2] = {skew, skew + W * (n + 32)};
  CarrierChunks carrier(sweep, gain);
  if (sweep.followsLevel)
    wavefront<true>(channels, env, carrier, inL, inR, gain, skews[0], skews[1], n);
  else
    wavefront<false>(channels, env, carrier, inL, inR, gain, skews[0], skews[1], n);
  unskew(skews[0], bands, stride, n);
  unskew(skews[1], bands + 11 * stride, stride, n);
}
#else
constexpr auto crossover = crossoverNarrow;
#endif

// ---- delay line ------------------------------------------------------------------

// A delay line takes eight samples at once where registers hold eight floats (AVX2,
// AVX-512), four elsewhere: GCC splits wider vectors' comparisons lane by lane there.
// Sixteen would fit AVX-512 registers but measure slower: the double-precision read
// positions then take four registers.
#if defined(__AVX2__)
constexpr int CW = 8;
#else
constexpr int CW = 4;
#endif
constexpr int G = kControlGrid;
typedef float cf __attribute__((vector_size(4 * CW)));
typedef int32_t ci __attribute__((vector_size(4 * CW)));
typedef uint32_t cu __attribute__((vector_size(4 * CW)));
typedef float cfu __attribute__((vector_size(4 * CW), aligned(4), may_alias));
typedef double cd __attribute__((vector_size(8 * CW)));
INLINE cf loadc(const float* p) { return *reinterpret_cast<const cfu*>(p); }
INLINE void storec(float* p, cf v) { *reinterpret_cast<cfu*>(p) = v; }
INLINE ci laneSlots() {
  ci iota;
  for (int j = 0; j < CW; ++j) iota[j] = j;
  return iota;
}
// Lanes chosen through masks rather than `?:`, which GCC may split lane by lane.
INLINE cf choose(ci mask, cf yes, cf no) {
  return __builtin_bit_cast(cf, (mask & __builtin_bit_cast(ci, yes)) | (~mask & __builtin_bit_cast(ci, no)));
}
INLINE cf finiteOrZeroc(cf x) {
  const ci bits = __builtin_bit_cast(ci, x);
  return __builtin_bit_cast(cf, bits & ((bits & 0x7f800000) != 0x7f800000));
}
INLINE bool anyLane(ci m) {
#if defined(__AVX2__)
  return _mm256_movemask_ps((__m256)m) != 0;
#elif defined(__aarch64__)
  return vmaxvq_u32(__builtin_bit_cast(uint32x4_t, m)) != 0;
#else
  return _mm_movemask_ps(__builtin_bit_cast(__m128, m)) != 0;
#endif
}
// Gathers are slow on some CPUs that have them; plain loads are never slow.
INLINE cf gather(const float* base, ci index) {
  float v[CW];
  for (int j = 0; j < CW; ++j) v[j] = base[index[j]];
  cf r;
  __builtin_memcpy(&r, v, sizeof r);
  return r;
}
#if defined(__AVX512F__)
// Lane j of the result is lane index[j] of the sixteen lanes of w0 then w1.
INLINE cf pick(cf w0, cf w1, ci index) { return (cf)_mm256_permutex2var_ps((__m256)w0, (__m256i)index, (__m256)w1); }
#endif

// Where a chunk of CW samples reads: the slot before each read position and the
// fraction past it, for delays d_j = target + c · powers[j] of samples w + j.
struct ChunkReads {
  ci slot;
  cf fraction;
};

#if defined(__AVX512F__)
INLINE ChunkReads chunkReads(const double* powers, double target, double c, int64_t w) {
  typedef double vdu __attribute__((vector_size(64), aligned(8), may_alias));
  const vd iota = {0, 1, 2, 3, 4, 5, 6, 7};
  const vd p = *reinterpret_cast<const vdu*>(powers);
  const vd r = (double(w) + iota) - (target + c * p);
  const vd fl = (vd)_mm512_floor_pd((__m512d)r);
  return {__builtin_convertvector(fl, ci), __builtin_convertvector(r - fl, cf)};
}
#elif defined(__AVX2__)
// Four doubles at a time, the width of the registers. The powers are loaded as
// vectors: copied into vector variables they go through the stack in halves, and
// reading them back whole waits for the halves to reach the cache.
INLINE ChunkReads chunkReads(const double* powers, double target, double c, int64_t w) {
  typedef double vd4 __attribute__((vector_size(32)));
  typedef double vd4u __attribute__((vector_size(32), aligned(8), may_alias));
  typedef int32_t vi4 __attribute__((vector_size(16)));
  typedef float vf4 __attribute__((vector_size(16)));
  const vd4 p[2] = {*reinterpret_cast<const vd4u*>(powers), *reinterpret_cast<const vd4u*>(powers + 4)};
  const vd4 r0 = (double(w) + vd4{0, 1, 2, 3}) - (target + c * p[0]);
  const vd4 r1 = (double(w) + vd4{4, 5, 6, 7}) - (target + c * p[1]);
  const vd4 f0 = (vd4)_mm256_floor_pd((__m256d)r0), f1 = (vd4)_mm256_floor_pd((__m256d)r1);
  const vi4 s0 = __builtin_convertvector(f0, vi4), s1 = __builtin_convertvector(f1, vi4);
  const vf4 a0 = __builtin_convertvector(r0 - f0, vf4), a1 = __builtin_convertvector(r1 - f1, vf4);
  return {__builtin_shufflevector(s0, s1, 0, 1, 2, 3, 4, 5, 6, 7),
          __builtin_shufflevector(a0, a1, 0, 1, 2, 3, 4, 5, 6, 7)};
}
#else
typedef double vd2 __attribute__((vector_size(16)));
typedef int64_t vl2 __attribute__((vector_size(16)));

INLINE vd2 floor2(vd2 x) {
#if defined(__aarch64__)
  return __builtin_bit_cast(vd2, vrndmq_f64(__builtin_bit_cast(float64x2_t, x)));
#else
  // SSE2 has no floor: round to nearest through the shift, then step down the lanes
  // that went up. Exact below 2^51, far beyond the read positions the loops allow.
  const vd2 nearest = (x + kRoundingShift) - kRoundingShift;
  const vl2 up = nearest > x;
  return nearest - __builtin_bit_cast(vd2, up & __builtin_bit_cast(int64_t, 1.0));
#endif
}

// Two doubles at a time, the width of the registers, loaded as in the AVX2 copy. A floor below 2^31 in magnitude
// sits in the low half of its sum with the rounding shift.
INLINE ChunkReads chunkReads(const double* powers, double target, double c, int64_t w) {
  typedef double vd2u __attribute__((vector_size(16), aligned(8), may_alias));
  const vd2 p[2] = {*reinterpret_cast<const vd2u*>(powers), *reinterpret_cast<const vd2u*>(powers + 2)};
  const vd2 r0 = (double(w) + vd2{0, 1}) - (target + c * p[0]);
  const vd2 r1 = (double(w) + vd2{2, 3}) - (target + c * p[1]);
  const vd2 f0 = floor2(r0), f1 = floor2(r1);
  const ci s0 = __builtin_bit_cast(ci, f0 + kRoundingShift), s1 = __builtin_bit_cast(ci, f1 + kRoundingShift);
  const cd fraction = __builtin_shufflevector(r0 - f0, r1 - f1, 0, 1, 2, 3);
  return {__builtin_shufflevector(s0, s1, 0, 2, 4, 6), __builtin_convertvector(fraction, cf)};
}
#endif

// How a chunk finds its two taps in the rings. Reads must come from slots the chunk
// does not write, [w + CW − L, w − 1]; they usually lie within a few samples of each
// other, so a few plain loads of neighbouring slots hold them all:
//  - with a permute across two registers (AVX-512), a window of 2·CW slots that
//    begins just before the first read, from which two permutes pick the taps;
//  - without one, the runs of CW slots beginning one before, at and one after the
//    first read: while the delay moves by less than a sample per sample, each read is
//    one of those three, chosen lane by lane. AVX2 could permute within each of two
//    registers and blend, but the extra loads of the runs cost less than that.
// The loads may reach into the slots the chunk writes, before it writes them: no read
// is chosen from there. Reads that lie elsewhere are gathered one by one; reads into
// the slots the chunk writes go sample by sample, unless there is no delay at all.
struct ChunkTaps {
  ChunkReads reads;
  bool near;      // the taps come from neighbouring slots
  bool within;    // otherwise: every read lies in the slots the chunk does not write
  int32_t start;  // ring slot of the neighbouring slots
  ci choice;      // window lanes (permutes), or the shift of each read −1, 0, 1
};

INLINE ChunkTaps planTaps(const double* powers, double target, double c, int64_t w, int32_t length) {
  ChunkTaps plan;
  plan.reads = chunkReads(powers, target, c, w);
  const ci i0 = plan.reads.slot;
  const int32_t first = int32_t(w) + CW - length, last = int32_t(w) - 1;
#if defined(__AVX512F__)
  const int32_t lo = i0[0] - 4, reach = 2 * CW - 1;
  plan.choice = i0 - lo;
  const ci stray = __builtin_bit_cast(cu, plan.choice) > 2u * CW - 2;
#else
  const int32_t lo = i0[0] - 1, reach = CW + 2;
  plan.choice = i0 - (i0[0] + laneSlots());
  const ci stray = __builtin_bit_cast(cu, plan.choice + 1) > 2u;
#endif
  plan.start = lo < 0 ? lo + length : lo;
  plan.within = !anyLane((i0 < first) | (i0 + 1 > last));
  plan.near = plan.within && plan.start + reach < length && !anyLane(stray);
  return plan;
}

// The taps a and b around each read of one ring, from neighbouring slots.
INLINE void nearTaps(const float* ring, const ChunkTaps& plan, cf& a, cf& b) {
  const float* at = ring + plan.start;
#if defined(__AVX512F__)
  const cf w0 = loadc(at), w1 = loadc(at + CW);
  a = pick(w0, w1, plan.choice), b = pick(w0, w1, plan.choice + 1);
#else
  const cf before = loadc(at), on = loadc(at + 1), after = loadc(at + 2), beyond = loadc(at + 3);
  const ci stays = plan.choice == 0, back = plan.choice < 0;
  a = choose(stays, on, choose(back, before, after));
  b = choose(stays, after, choose(back, on, beyond));
#endif
}

// The same wherever the reads lie.
INLINE void fetchTaps(const float* ring, const ChunkTaps& plan, int32_t length, cf& a, cf& b) {
  if (plan.near) {
    nearTaps(ring, plan, a, b);
    return;
  }
  const ci i0 = plan.reads.slot;
  const ci j0 = i0 + ((i0 < 0) & length);
  const ci next = j0 + 1;
  a = gather(ring, j0), b = gather(ring, next & ~(next == length));
}

// One chunk of one line from its taps: the delayed samples replace the block's input;
// returned is what the ring takes, the input plus the feedback `g` if any. Samples the
// caller vouches for (`trusted`) enter unchecked.
template <bool feedback, bool trusted = false>
INLINE cf delayFromTaps(float* block, float g, const ChunkReads& reads, cf a, cf b) {
  const cf y = a + reads.fraction * (b - a);
  cf fed = loadc(block);
  if (!trusted) fed = finiteOrZeroc(fed);
  if (feedback) fed = trusted ? fed + g * y : finiteOrZeroc(fed + g * y);
  storec(block, y);
  return fed;
}

INLINE void delayTaps(float* ring, float* block, int64_t w, int64_t L, float g, const ChunkReads& reads, cf a, cf b) {
  const cf fed = g > 0.0f ? delayFromTaps<true>(block, g, reads, a, b) : delayFromTaps<false>(block, g, reads, a, b);
  if (w + CW <= L) {
    storec(ring + w, fed);
  } else {
    for (int k = 0; k < CW; ++k) ring[(w + k) % L] = fed[k];
  }
}

// Powers s^0 … s^G of a smoothing coefficient, for a line that brings none.
// A chunk of samples p + 1 … p + 8 with p a multiple of 8 (the usual case) reads its
// powers from one aligned vector, not across two cache lines.
struct Smoothing {
  double s = -1.0;
  alignas(64) double table[G + 8];
  double* const powers = table + 7;
  explicit Smoothing(double coefficient) : s(coefficient) {
    powers[0] = 1.0;
    for (int j = 1; j <= G; ++j) powers[j] = powers[j - 1] * coefficient;
  }
  Smoothing(const Smoothing&) = delete;
  Smoothing& operator=(const Smoothing&) = delete;
};

INLINE double finiteOr(double x, double fallback) { return __builtin_isfinite(x) ? x : fallback; }

// Samples `from` … `to` − 1 one by one, every line from the same write position and
// reading where the first does; the first is sample `p` of its grid chunk.
template <int count>
INLINE void delaySamples(float* const* rings, float* const* blocks, const float* g, int64_t L, int64_t from, int64_t to,
                         int32_t p, int64_t& w, double T, double c, const double* powers) {
  for (int64_t j = from, q = p + 1; j < to; ++j, ++q) {
    const SampleRead at = sampleRead(L, w, T + c * powers[q]);
    for (int l = 0; l < count; ++l) blocks[l][j] = delayAt(rings[l], g[l], blocks[l][j], w, at);
    w = w + 1 == L ? 0 : w + 1;
  }
}

// Samples j … j + CW − 1 of `count` lines whose reads reach into the slots the chunk
// writes (delays below a chunk), sample q of the grid chunk first, at write slot w.
// Where every sample reads its own slot and no fraction past it (no delay at all, as at
// the neutral modulation depth), each returns its input: vector by vector, the slot
// after each from the ring as the chunk found it. Otherwise a sample may read what the
// one before it fed back: one after another.
template <int count>
INLINE void delayOverlapping(float* const* rings, float* const* blocks, const float* g, int64_t L, int64_t j, int32_t q,
                             int64_t w, double T, double c, const double* powers, const ChunkReads& reads) {
  const ci own = reads.slot - (int32_t(w) + laneSlots());
  if (w + CW < L && !anyLane(own != 0) && !anyLane(__builtin_bit_cast(ci, reads.fraction) != 0)) {
    for (int l = 0; l < count; ++l) {
      const cf x = finiteOrZeroc(loadc(blocks[l] + j)), after = loadc(rings[l] + w + 1);
      delayTaps(rings[l], blocks[l] + j, w, L, g[l], reads, x, after);
    }
    return;
  }
  delaySamples<count>(rings, blocks, g, L, j, j + CW, q, w, T, c, powers);
}

// Samples j … j + CW − 1 of `count` lines that share their reads, sample q of the grid
// chunk first; the new write position.
template <int count>
INLINE int64_t delayChunk(float* const* rings, float* const* blocks, const float* g, int64_t L, int64_t j, int32_t q,
                          int64_t w, double T, double c, const double* powers) {
  const ChunkTaps plan = planTaps(powers + q + 1, T, c, w, int32_t(L));
  if (!plan.within) {
    delayOverlapping<count>(rings, blocks, g, L, j, q, w, T, c, powers, plan.reads);
    return w + CW >= L ? w + CW - L : w + CW;
  }
  for (int l = 0; l < count; ++l) {
    cf a, b;
    fetchTaps(rings[l], plan, int32_t(L), a, b);
    delayTaps(rings[l], blocks[l] + j, w, L, g[l], plan.reads, a, b);
  }
  return w + CW >= L ? w + CW - L : w + CW;
}

// One line through a grid chunk whose taps all lie in neighbouring slots and whose
// writes do not wrap: no decision is left inside.
template <bool feedback, bool trusted>
INLINE void nearGrid(float* ring, float* block, int64_t w, float g, const ChunkTaps* plans) {
  for (int k = 0; k < G / CW; ++k) {
    cf a, b;
    nearTaps(ring, plans[k], a, b);
    storec(ring + w + CW * k, delayFromTaps<feedback, trusted>(block + CW * k, g, plans[k].reads, a, b));
  }
}

// A whole grid chunk from sample j: its reads are planned first, and while all of
// them take their taps from neighbouring slots and the writes do not wrap, each line
// runs through the chunk on its own. Lines share no slots, so the order does not
// change a sample. The new write position.
template <int count, bool trusted>
INLINE int64_t delayGrid(float* const* rings, float* const* blocks, const float* g, int64_t L, int64_t j, int64_t w,
                         double T, double c, const double* powers) {
  constexpr int parts = G / CW;
  ChunkTaps plans[parts];
  bool near = w + G <= L;
  for (int k = 0; k < parts; ++k) {
    plans[k] = planTaps(powers + CW * k + 1, T, c, w + CW * k, int32_t(L));
    near = near && plans[k].near;
  }
  if (!near) {
    // Planned again part by part: handing the plans above down made the usual, near
    // chunks a tenth slower, for a few percent where there is no delay.
    for (int k = 0; k < parts; ++k) w = delayChunk<count>(rings, blocks, g, L, j + CW * k, CW * k, w, T, c, powers);
    return w;
  }
  for (int l = 0; l < count; ++l) {
    if (g[l] > 0.0f)
      nearGrid<true, trusted>(rings[l], blocks[l] + j, w, g[l], plans);
    else
      nearGrid<false, trusted>(rings[l], blocks[l] + j, w, g[l], plans);
  }
  return w + G == L ? 0 : w + G;
}

// A grid point of `count` lines that share their delays: the delay reached carries over
// to the next target (T, with c the offset from it), and each line takes the point's
// feedback. `step` counts the grid points met; past the last entry the last repeats.
// False where the lines have no steps and keep what they had.
template <int count>
INLINE bool takeStep(DelayRun* const* lines, int64_t& step, const double* powers, double& T, double& c, float* g) {
  const DelayRun& line = *lines[0];
  const int64_t k = step < line.stepCount ? step : line.stepCount - 1;
  ++step;
  if (k < 0) return false;
  const double next = finiteOr(line.steps[k].target, 0.0);
  c = finiteOr((T + c * powers[G]) - next, 0.0);
  T = next;
  for (int l = 0; l < count; ++l) g[l] = lines[l]->steps[k].feedback;
  return true;
}

// `count` lines (one, or both channels' lines of a band) whose delays, rings, write
// positions and steps agree, so that they share every read position. The caller has
// checked. `trusted`: the blocks hold finite samples far below overflow and the
// feedback is below 1, so nothing non-finite can arise.
template <int count, bool trusted>
void delayLines(DelayRun* const* lines, float* const* blocks, int64_t n) {
  DelayRun& line = *lines[0];
  const int64_t L = line.length;
  if (L < 1 || n < 1) return;
  const double s = line.smoothing;
  alignas(Smoothing) unsigned char ownStorage[sizeof(Smoothing)];
  const double* powers = line.powers ? line.powers : (new (ownStorage) Smoothing(s))->powers;
  double T = finiteOr(line.target, 0.0);
  double c = finiteOr(line.offset, 0.0);
  int32_t p = line.phase < 0 ? 0 : (line.phase > G ? G : line.phase);
  float g[count];
  // Local copies: the vector stores may alias anything, and pointers behind the
  // caller's arrays would be loaded again after each of them.
  float* rings[count];
  float* out[count];
  for (int l = 0; l < count; ++l) {
    g[l] = lines[l]->feedback, rings[l] = lines[l]->ring, out[l] = blocks[l];
    // One by one: GCC otherwise packs the two block pointers into a vector register
    // through the stack, and reading them back whole waits for both halves' stores.
    asm("" : "+r"(out[l]));
  }
  int64_t w = line.writePos;
  // Chunks of CW samples at once need a smoother with a fixed point and delays the
  // read positions can hold.
  constexpr double kFar = double(1 << 30);
  const bool steady = s >= 0.0 && s < 1.0 && L > 2 * CW && L < (int64_t(1) << 30);
  bool chunked = steady && T > -kFar && T < kFar && c > -kFar && c < kFar;
  int64_t step = 0;
  for (int64_t i = 0; i < n;) {
    if (p == G) {
      if (takeStep<count>(lines, step, powers, T, c, g))
        chunked = steady && T > -kFar && T < kFar && c > -kFar && c < kFar;
      p = 0;
    }
    const int64_t end = i + (n - i < G - p ? n - i : G - p);
    if (chunked && p == 0 && end - i == G) {
      // A whole grid chunk, the usual case.
      w = delayGrid<count, trusted>(rings, out, g, L, i, w, T, c, powers);
      i += G, p = G;
      continue;
    }
    for (; chunked && i + CW <= end; i += CW, p += CW) w = delayChunk<count>(rings, out, g, L, i, p, w, T, c, powers);
    if (i < end) {
      delaySamples<count>(rings, out, g, L, i, end, p, w, T, c, powers);
      p += int32_t(end - i);
      i = end;
    }
  }
  for (int l = 0; l < count; ++l) {
    DelayRun& run = *lines[l];
    run.writePos = w, run.target = T, run.offset = c, run.phase = p, run.feedback = g[l];
    run.delay = T + c * powers[p];
  }
}

void delayLine(DelayRun& line, float* block, int64_t n) {
  DelayRun* lines[1] = {&line};
  float* blocks[1] = {block};
  delayLines<1, false>(lines, blocks, n);
}

// Whether a band's two lines agree in everything that decides where they read.
INLINE bool sharesReads(const DelayRun& left, const DelayRun& right) {
  return left.length == right.length && left.writePos == right.writePos && left.target == right.target &&
         left.offset == right.offset && left.phase == right.phase && left.smoothing == right.smoothing &&
         left.steps == right.steps && left.stepCount == right.stepCount;
}

void delayPair(DelayRun& left, DelayRun& right, float* blockL, float* blockR, int64_t n) {
  if (!sharesReads(left, right)) {
    DelayRun* one[1] = {&left};
    float* block[1] = {blockL};
    delayLines<1, true>(one, block, n);
    one[0] = &right, block[0] = blockR;
    delayLines<1, true>(one, block, n);
    return;
  }
  DelayRun* lines[2] = {&left, &right};
  float* blocks[2] = {blockL, blockR};
  delayLines<2, true>(lines, blocks, n);
}

// Fewer samples than a chunk of `count` lines whose delays agree (as for delayLines),
// as hosts that call frame by frame ask: through delaySamples, as delayLines' own short
// runs go, but without the chunked path's set-up.
template <int count>
INLINE void delayFew(DelayRun* const* lines, float* const* blocks, int64_t n) {
  const DelayRun& line = *lines[0];
  const int64_t L = line.length;
  const double* powers = line.powers;
  double T = finiteOr(line.target, 0.0);
  double c = finiteOr(line.offset, 0.0);
  int32_t p = line.phase < 0 ? 0 : (line.phase > G ? G : line.phase);
  float g[count];
  float* rings[count];
  for (int l = 0; l < count; ++l) g[l] = lines[l]->feedback, rings[l] = lines[l]->ring;
  int64_t w = line.writePos;
  int64_t step = 0;
  for (int64_t i = 0; i < n; ++i, ++p) {
    if (p == G) {
      takeStep<count>(lines, step, powers, T, c, g);
      p = 0;
    }
    delaySamples<count>(rings, blocks, g, L, i, i + 1, p, w, T, c, powers);
  }
  for (int l = 0; l < count; ++l) {
    DelayRun& run = *lines[l];
    run.writePos = w, run.target = T, run.offset = c, run.phase = p, run.feedback = g[l];
    run.delay = T + c * powers[p];
  }
}

// Everything the bands call is inlined into one frame: called per band, each line's
// loop saved and restored its registers and realigned the stack, a tenth of a short
// block's delay time.
__attribute__((flatten)) void delayBands(DelayRun* left, DelayRun* right, float* bandsL, float* bandsR, int64_t stride,
                                         int bands, int64_t n) {
  bool few = n < CW;
  for (int b = 0; b < bands; ++b)
    few = few && left[b].length > 0 && left[b].powers && right[b].length > 0 && right[b].powers;
  if (few) {
    for (int b = 0; b < bands; ++b) {
      DelayRun* lines[2] = {&left[b], &right[b]};
      float* blocks[2] = {bandsL + b * stride, bandsR + b * stride};
      if (sharesReads(left[b], right[b])) {
        delayFew<2>(lines, blocks, n);
      } else {
        delayFew<1>(lines, blocks, n);
        delayFew<1>(lines + 1, blocks + 1, n);
      }
    }
    return;
  }
  for (int b = 0; b < bands; ++b) delayPair(left[b], right[b], bandsL + b * stride, bandsR + b * stride, n);
}

// ---- mix and saturation ----------------------------------------------------------

// tanh in single precision through e^2|x| − 1, which is worked out without the
// cancellation near 0: tanh x = m / (m + 2), within 3.3 ulps of the exact value and
// 1e-7 of it everywhere. Beyond 9.1 the float result is exactly ±1. Written for any
// width of float vector F (with integer vector I of the same width).
template <class F, class I>
INLINE F tanhOf(F x) {
  constexpr float kShift = 0x1.8p23f;  // adding it rounds a float below 2^22 to an integer
  const F ax = x < 0.0f ? -x : x;
  const F y = (ax < 9.1f ? ax : 9.1f) * 2.0f;
  // e^y − 1 = 2^k · (e^r − 1) + 2^k − 1, |r| ≤ ln2 / 2
  const F shifted = y * 1.44269504f + kShift;
  const F k = shifted - kShift;
  const F r = (y - k * 0.693145751953125f) - k * 1.428606765330187e-6f;
  F p = F{} + 1.0f / 40320.0f;
  p = p * r + 1.0f / 5040.0f;
  p = p * r + 1.0f / 720.0f;
  p = p * r + 1.0f / 120.0f;
  p = p * r + 1.0f / 24.0f;
  p = p * r + 1.0f / 6.0f;
  p = p * r + 0.5f;
  p = p * r + 1.0f;
  p = p * r;
  const F scale =
      __builtin_bit_cast(F, (__builtin_bit_cast(I, shifted) - __builtin_bit_cast(int32_t, kShift) + 127) << 23);
  const F m = scale * p + (scale - 1.0f);
  const F t = m / (m + 2.0f);
  return x < 0.0f ? -t : t;
}

INLINE vf8 saturate8(vf8 sum) {
#if defined(__aarch64__)
  // NEON registers hold four floats, and GCC splits comparisons on wider vectors lane
  // by lane: the tanh runs on halves.
  typedef float vf4 __attribute__((vector_size(16)));
  typedef int32_t vi4 __attribute__((vector_size(16)));
  vf4 half[2];
  __builtin_memcpy(half, &sum, sizeof sum);
  for (vf4& h : half) h = tanhOf<vf4, vi4>((__builtin_bit_cast(vi4, h) & 0x7f800000) != 0x7f800000 ? h : vf4{});
  vf8 result;
  __builtin_memcpy(&result, half, sizeof result);
  return result;
#else
  const vi8 finiteLanes = (__builtin_bit_cast(vi8, sum) & 0x7f800000) != 0x7f800000;
  return tanhOf<vf8, vi8>(finiteLanes ? sum : vf8{});
#endif
}

// The weighted sum of eleven bands over eight samples from i.
INLINE vf8 mix8(const float* bands, int64_t stride, const float* weights, int64_t i) {
  vf8 sum{};
  for (int b = 0; b < 11; ++b) {
    vf8 band;
    __builtin_memcpy(&band, bands + b * stride + i, sizeof band);
    sum = sum + weights[b] * band;
  }
  return sum;
}

// The sums of samples i … n − 1 of one channel, fewer than eight, into `sums` term by
// term as the vectors form them: a fused multiply-add rounds alike in a lane and alone.
INLINE void mixFew(const float* bands, int64_t stride, const float* weights, int64_t i, int64_t n, float* sums) {
  for (int64_t j = 0; j < n - i; ++j) {
    float sum = 0.0f;
    for (int b = 0; b < 11; ++b) sum = sum + weights[b] * bands[b * stride + i + j];
    sums[j] = sum;
  }
}

// The last samples of both channels, fewer than eight each, through the same vector
// tanh, so that every sample comes out the same whatever the length of its block; up
// to four of each share one vector, as single frames do.
INLINE void mixRest(const float* bandsL, const float* bandsR, int64_t stride, const float* weights, float* outL,
                    float* outR, int64_t i, int64_t n) {
  if (i >= n) return;
  const int64_t count = n - i;
  const int64_t right = count <= 4 ? 4 : 8;
  float sums[16] = {};
  mixFew(bandsL, stride, weights, i, n, sums);
  mixFew(bandsR, stride, weights, i, n, sums + right);
  float y[16];
  for (int64_t v = 0; v < right + count; v += 8) {
    vf8 sum;
    __builtin_memcpy(&sum, sums + v, sizeof sum);
    const vf8 t = saturate8(sum);
    __builtin_memcpy(y + v, &t, sizeof t);
  }
  for (int64_t j = 0; j < count; ++j) outL[i + j] = y[j], outR[i + j] = y[right + j];
}

void mixSaturate(const float* bands, int64_t stride, const float* weights, float* outL, float* outR, int64_t n) {
  const float* bandsR = bands + 11 * stride;
  int64_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const vf8 y = saturate8(mix8(bands, stride, weights, i));
    __builtin_memcpy(outL + i, &y, sizeof y);
  }
  for (int64_t j = 0; j + 8 <= n; j += 8) {
    const vf8 y = saturate8(mix8(bandsR, stride, weights, j));
    __builtin_memcpy(outR + j, &y, sizeof y);
  }
  mixRest(bands, bandsR, stride, weights, outL, outR, i, n);
}

}  // namespace

#define ENGINE_NAME_(isa) #isa
#define ENGINE_NAME(isa) ENGINE_NAME_(isa)
#define ENGINE_TABLE_(isa) engineRoutines_##isa
#define ENGINE_TABLE(isa) ENGINE_TABLE_(isa)

extern const EngineRoutines ENGINE_TABLE(ENGINE_ISA);
const EngineRoutines ENGINE_TABLE(ENGINE_ISA) = {
    ENGINE_NAME(ENGINE_ISA), sines, crossover, delayLine, delayBands, mixSaturate};

}  // namespace drollicant
