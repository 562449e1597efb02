#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "dsp/EngineRoutines.h"

namespace drollicant {

// Fractional delay line with feedback for one band of one channel. The delay glides
// from `currentDelay` towards `targetDelay` with a one-pole smoother; the ring is read
// with linear interpolation. A new target takes effect at the next grid point
// (every kControlGrid samples counted from `clear`), wherever a block ends.
class SimpleDelayKernel {
public:
  static constexpr float maxDelaySec = 0.25f;  // the ring is sized for this

  float delaySeconds = 0.25f;  // last delay asked for by the control law, before limiting
  float smoothing = 0.9999f;   // per-sample smoothing coefficient of the delay
  float feedback = 0.0f;       // share of the delayed output written back into the ring
  float sampleRate = 48000.0f;
  double secondsPerSample = 1.0 / 48000.0;  // set with the rate: no division per block
  int64_t bufferLength = 0;                 // ring length in samples; 0 until sized
  std::vector<float> buffer;                // the ring
  int64_t writePos = 0;                     // slot written by the next sample
  double currentDelay = 0.0;                // smoothed delay, seconds
  double targetDelay = 0.0;                 // delay the smoothing heads for, seconds

  // Where the smoother stands on the grid, in samples (see DelayRun).
  double chunkTarget = 0.0;
  double chunkOffset = 0.0;
  int32_t chunkPhase = kControlGrid;
  double smoothedDelay = 0.0;
  // Powers of the smoothing coefficient the loops read for every grid chunk, kept
  // rather than worked out for every block.
  alignas(64) std::array<double, kControlGrid + 8> powerTable{};
  double poweredSmoothing = -1.0;
  void worksOutPowers();

  // Setup thread: size the ring for `rate` and settle the delay at `delaySeconds`.
  void size(float rate);
  // Setup thread: silence the ring and jump to the target delay.
  void clear();

  // Audio thread: no allocation, no lock. Delays the block in place.
  // A non-finite sample enters the ring as 0 and nothing non-finite is ever stored,
  // so one bad sample cannot poison the line through its feedback.
  void process(float* block, int64_t frameCount, const EngineRoutines& routines = bestEngineRoutines());

  // Audio thread: the line's state for one block of the inner loops (delays in
  // samples), taking `steps` at the grid points the block meets, and taking back what
  // the block left.
  DelayRun beginRun(const DelayStep* steps, int64_t stepCount) {
    if (double(smoothing) != poweredSmoothing) worksOutPowers();
    return {buffer.data(), bufferLength, writePos, chunkTarget, chunkOffset, chunkPhase,
            smoothedDelay, smoothing,    powers(), feedback,    steps,       stepCount};
  }
  const double* powers() const { return powerTable.data() + 7; }
  void endRun(const DelayRun& run) {
    writePos = run.writePos;
    chunkTarget = run.target, chunkOffset = run.offset, chunkPhase = run.phase;
    smoothedDelay = run.delay;
    currentDelay = run.delay * secondsPerSample;
  }
};

}  // namespace drollicant
