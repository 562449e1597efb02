#pragma once
// The inner loops of the kernel, behind one table of plain functions so that the
// build can carry one copy per instruction set and pick the widest the CPU runs.
// Everything here is plain data: the instruction-set copies include nothing that the
// linker could merge between them.
#include <cstdint>

namespace drollicant {

// Lanes of one packed vector. Lane b of a channel's crossover holds stage b; the ten
// stages and the last remainder fit one 16-wide vector.
inline constexpr int kEngineLanes = 16;

// Sines the routines work out at once.
inline constexpr int kSinesAtOnce = 8;

// The controls take effect on a fixed grid of frames counted from the kernel's reset:
// the control laws run at every grid point whatever the sizes of the calls, so the
// sound does not depend on how a host slices its blocks.
inline constexpr int kControlGrid = 32;

inline constexpr double kTwoPi = 6.283185307179586;

// The ten crossover stages of one channel, packed so that all twenty sections advance
// together: lane b carries the high- and low-pass halves of stage b. Both halves of a
// stage see the same input, so they share its history. Unused lanes have zero
// coefficients and stay silent.
struct alignas(64) CrossoverLanes {
  float hp[5][kEngineLanes];                   // b0, b1, b2, a1, a2 of the high-pass halves
  float lp[5][kEngineLanes];                   // the same for the low-pass halves
  float x1[kEngineLanes], x2[kEngineLanes];    // last two inputs, newest first
  float hp1[kEngineLanes], hp2[kEngineLanes];  // last two high-pass outputs
  float lp1[kEngineLanes], lp2[kEngineLanes];  // last two low-pass outputs
};

// What a delay line takes at a grid point: the delay to head for (samples) and the
// share fed back, both held until the next grid point.
struct DelayStep {
  double target;
  float feedback;
};

// One delay line for one block: its ring and the state carried between blocks.
// Delays are in samples. Within a grid chunk the smoothed delay follows its closed
// form: after p samples of the chunk it is `target + offset · smoothing^p`, so a block
// cut anywhere gives the same delays as one uncut.
struct DelayRun {
  float* ring;
  int64_t length;    // ring length, at least 1
  int64_t writePos;  // slot written by the next sample; updated
  double target;     // delay the current chunk heads for; updated
  double offset;     // smoothed delay minus `target` at the chunk's start; updated
  int32_t
      phase;  // samples of the chunk done, 0 … kControlGrid; at kControlGrid the next sample starts a chunk; updated
  double delay;      // smoothed delay after the last sample; updated
  double smoothing;  // per-sample smoothing coefficient
  // smoothing^0 … smoothing^kControlGrid, powers[1] on a 64-byte boundary; null: the
  // loops work them out.
  const double* powers;
  float feedback;  // of the current chunk; updated
  // What the line takes at each grid point the block meets, in order; past the last
  // entry the last repeats, and with none the line keeps its target and feedback.
  const DelayStep* steps;
  int64_t stepCount;
};

// Input samples are limited to ±1000 (+60 dBFS): far above any real signal, far below
// overflow. Larger finite samples (a host's garbage, 1e30) would charge the filters and
// feedback delays with values that take minutes to decay or overflow to infinity,
// leaving the output pinned at full scale long after the bad block.
inline constexpr float kLargestInput = 1000.0f;

// The level followers of both channels: each moves towards the magnitude of its
// unmodulated input, by `attack` when the input is above it and `decay` otherwise.
struct EnvelopeFollowers {
  float left, right;
  float attack, decay;
};

// The sines and cosines of i · increment across a grid chunk. While the carrier's
// frequency stays, every chunk's sines follow from them and the sine and cosine of the
// chunk's phase by the angle sum, so the table is kept from block to block.
struct CarrierSteps {
  double increment = -1.0;  // radians per sample the table is for; never one until made
  alignas(64) double sines[kControlGrid];
  alignas(64) double cosines[kControlGrid];
};

// The carrier of one block, made a grid chunk at a time: sample i of the chunk from
// grid point `at` gets the gain (1 − d) + d · sin(phase + i · 2π · f / sampleRate), the
// sine rounded to float, and the phase then moves on by the chunk. Where the carrier
// follows the level, f and d are `frequency` and `depth` scaled by
// e = (min(max(left, right), 1) + 1) / 2 of the followers after the block's samples
// before `at`; elsewhere they are as given.
struct CarrierSweep {
  double frequency;  // Hz
  float depth;
  bool followsLevel;
  double sampleRate;
  double phase;    // radians at the first grid point, in [0, 2π); updated to the one after the last
  int64_t first;   // the block's first grid point
  int64_t chunks;  // grid points in the block
  // Kept by the caller where the carrier does not follow the level; remade when the
  // increment changes. Null: every sine is worked out.
  CarrierSteps* steps;
};

struct EngineRoutines {
  const char* name;
  // out[i] = sin(x[i]) in double precision. Fastest for multiples of kSinesAtOnce.
  void (*sines)(const double* x, double* out, int count);
  // Follows the level of both inputs, makes the carrier's gain of every grid chunk the
  // block holds (`gain` from `sweep.first` on, whole chunks, so up to n + kControlGrid
  // floats; the samples before it are given), multiplies the inputs by it and splits
  // them into eleven bands: band b of channel c, sample i, lands at
  // bands[(c · 11 + b) · stride + i]; band 10 is the last low-pass remainder. A
  // non-finite input sample counts as silence, finite ones are limited to
  // ±kLargestInput. `skew` is scratch of 2 · 16 · (n + 32) floats. Non-finite history
  // left at the end of the block is cleared.
  void (*crossover)(CrossoverLanes* channels, EnvelopeFollowers& envelopes, CarrierSweep& sweep, const float* inL,
                    const float* inR, float* gain, float* bands, int64_t stride, float* skew, int64_t n);
  // Delays a block in place: a non-finite sample enters the ring as silence and
  // nothing non-finite is ever stored. Every sample gives the same result however the
  // blocks are cut.
  void (*delayLine)(DelayRun& line, float* block, int64_t n);
  // The same for the left and right lines of `bands` bands, band b of each channel at
  // bands·[b · stride]. While a band's two delays agree they share the work of finding
  // where to read. The bands must be finite and far below overflow (as the crossover
  // leaves them) and the feedback below 1: the samples then enter the rings unchecked.
  void (*delayBands)(DelayRun* left, DelayRun* right, float* bandsL, float* bandsR, int64_t stride, int bands,
                     int64_t n);
  // out_c[i] = tanh(Σ_b weights[b] · bands[(c · 11 + b) · stride + i]) over the eleven
  // bands of each channel c (left, then right), a non-finite sum taken as 0.
  void (*mixSaturate)(const float* bands, int64_t stride, const float* weights, float* outL, float* outR, int64_t n);
};

// The names DROLLICANT_ISA may give, narrowest first: the copies this build carries.
#if defined(__x86_64__)
inline constexpr const char* kEngineRoutinesNames[] = {"baseline", "avx2", "avx512"};
#else
inline constexpr const char* kEngineRoutinesNames[] = {"baseline"};
#endif

// The widest copy this CPU runs, or the one named by DROLLICANT_ISA (one of
// kEngineRoutinesNames) if this CPU runs it. Chosen once, on first use.
const EngineRoutines& bestEngineRoutines();
// The copy for one instruction set, or null if this CPU lacks it (or the build has none).
const EngineRoutines* engineRoutinesFor(const char* name);

}  // namespace drollicant
