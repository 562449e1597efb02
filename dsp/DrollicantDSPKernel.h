#pragma once
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/EngineRoutines.h"
#include "dsp/IIRKernel.h"
#include "dsp/SimpleDelayKernel.h"

namespace drollicant {

// The whole stereo effect: carrier modulation with envelope followers, an 11-band
// crossover, a modulated delay line with feedback per band, a tilted sum with
// alternating polarity and tanh saturation.
//
// The controls are written from any thread (relaxed atomics, lock-free) and each is
// read once per block. They take effect on a fixed grid: every kControlGrid frames
// counted from reset the control laws run (carrier, delay sweep, feedback, weights)
// with the controls read by the block that holds the grid point, so the output equals
// that of blocks of exactly kControlGrid frames whatever sizes a host calls with. Non-finite controls: NaN and −∞ act
// as 0, +∞ acts as 1, so nothing that reaches a delay line or an oscillator is ever non-finite. Non-finite input
// samples act as silence and finite ones are limited to ±1000 (+60 dBFS), so no bad block can leave the output pinned.
class DrollicantDSPKernel {
public:
  static constexpr int kBandCount = 11;
  static constexpr int kCrossoverCount = kBandCount - 1;

  // Shared by every kernel; built once on first use.
  struct BandTables {
    std::array<double, kCrossoverCount> crossoverFrequencies;  // Hz, highest first
    int bandCount;
    std::array<double, kBandCount> bandPhaseOffsets;            // radians
    std::array<double, kBandCount> bandPositions;               // normalised frequency axis, high bands near 1
    std::array<double, kBandCount> offsetSines, offsetCosines;  // of the phase offsets
  };
  static const BandTables& bandTables();

  DrollicantDSPKernel();
  DrollicantDSPKernel(const DrollicantDSPKernel&) = delete;
  DrollicantDSPKernel& operator=(const DrollicantDSPKernel&) = delete;

  // Setup thread, never during process: obtain all memory for blocks of up to
  // `maxFrames` at `sampleRate`, rebuild the filters and delay rings, then reset.
  void allocate(int64_t maxFrames, double sampleRate);
  // Setup thread, never during process: silence the delays, restart oscillators and envelopes.
  void reset();

  // Audio thread: no allocation, no lock. Processes min(frameCount, maxFrames) frames;
  // in place is fine. Unallocated, copies every frame through.
  void process(const float* inL, const float* inR, float* outL, float* outR, int64_t frameCount);
  // Audio thread: the same on one interleaved stereo buffer, in place.
  void processInterleaved(float* buffer, int64_t frameCount);

  // Any thread: seconds for the feedback at the longest delay to fall by 60 dB.
  double tailTime() const;

  // Controls, meant to lie in [0, 1]; stored unchanged and clamped where used.
  std::atomic<float> charisma{0.5f};   // delay modulation depth; right channel anti-phase above 0.5
  std::atomic<float> naivete{0.5f};    // LFO rate
  std::atomic<float> nostalgia{0.5f};  // delay feedback
  std::atomic<float> surprise{0.5f};   // carrier frequency
  std::atomic<float> sweetness{0.5f};  // tilt of the band weights
  std::atomic<float> whimsy{0.5f};     // carrier depth
  std::atomic<bool> flighty{false};    // the envelope drives carrier frequency and depth
  std::atomic<bool> genteel{false};    // shallow delay modulation
  std::atomic<bool> bypass{false};     // copy input to output untouched

  // The inner loops; the widest copy the CPU runs unless the setup thread picks another.
  const EngineRoutines* routines = &bestEngineRoutines();

  // The designed crossover sections, highest stage first. They run packed in
  // `crossoverLanes`, which `allocate` builds from their coefficients.
  std::vector<std::shared_ptr<IIRKernel>> hpL, lpL, hpR, lpR;
  std::unique_ptr<CrossoverLanes[]> crossoverLanes;  // left, right
  const std::array<std::shared_ptr<SimpleDelayKernel>, kBandCount> bandDelaysL;
  const std::array<std::shared_ptr<SimpleDelayKernel>, kBandCount> bandDelaysR;

  double lfoPhase = 0.0;  // radians, kept in [0, 2π)
  float envAttackCoef = 0.0f;
  float envDecayCoef = 0.0f;
  float envL = 0.0f;
  float envR = 0.0f;
  double carrierPhase = 0.0;  // at the next grid point
  std::array<float, kBandCount> bandWeights;
  int64_t gridPosition = 0;                   // frames since the last grid point, below kControlGrid
  std::array<float, kControlGrid> chunkGain;  // carrier gain across the current grid chunk
  double sampleRate = 44100.0;
  int64_t maxFrames = 0;

  // Scratch memory, each region maxFrames floats (a little more for the bands).
  std::unique_ptr<float[]> bandBase;          // a block's eleven bands of the left channel, then of the right
  std::unique_ptr<float[]> skewBase;          // the crossover's output as it leaves the packed sections
  std::unique_ptr<float[]> ringBase;          // carrier gain of the current block
  std::unique_ptr<float[]> deinterleaveBase;  // left channel, right channel
  // What each delay line takes at the grid points of a block: the left lines' steps,
  // then the right's, `stepsPerLine` to a line.
  std::unique_ptr<DelayStep[]> delaySteps;
  int64_t stepsPerLine = 0;
  // The lines' running state as the inner loops take it, kept side by side from block
  // to block rather than gathered from the 22 lines for every block (a short block
  // spent a fifth of its delay time on that). Taken from the lines, smoothing included,
  // at reset; each block gives back their write slot and delay.
  std::array<DelayRun, kBandCount> delayRunsL{}, delayRunsR{};
  // The LFO's phases at a block's grid points and a quarter cycle on, then their sines.
  std::unique_ptr<double[]> lfoSines;

private:
  // The controls as one block reads them.
  struct Controls {
    float charisma, naivete, nostalgia, surprise, sweetness, whimsy;
    bool flighty, genteel;
  };
  Controls readControls() const;
  CarrierSweep carrierSweep(const Controls& controls, int64_t first, int64_t chunks);
  void startChunk(const Controls& controls, int64_t chunk, int64_t chunks);
  void advanceLFO(const Controls& controls, int64_t frames);
  void aimDelays(const Controls& controls, int64_t chunks);
  void aimFromLFOStart();
  void updateBandWeights(const Controls& controls);
  void packCrossover();
  void startDelayRuns();
  void delayBands(float* bandsL, float* bandsR, int64_t stride, int64_t steps, bool antiPhase, int64_t n);

  // 100^x for the last x asked, so that a steady control costs no pow per block.
  struct PowerOf100 {
    float input = -1.0f;
    double value = 0.01;
    double of(float x) {
      if (x != input) input = x, value = std::pow(100.0, double(x));
      return value;
    }
  };
  PowerOf100 carrierPower;
  CarrierSteps carrierSteps;
  PowerOf100 lfoPower;

  // Band weights with the alternating polarity of the sum, for the tilt they were made
  // for (outside [−1, 1] until the first block).
  std::array<float, kBandCount> mixWeights{};
  float weightsTilt = 2.0f;
};

}  // namespace drollicant
