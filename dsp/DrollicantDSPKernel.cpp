#include "dsp/DrollicantDSPKernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "dsp/DenormalGuard.h"

namespace drollicant {

namespace {

constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kLn1000th = -6.907755278982137;  // ln(0.001): 60 dB down
constexpr double kCrossoverQ = 0.5;
constexpr double kEnvAttackSeconds = 0.005;
constexpr double kEnvDecaySeconds = 0.2;
constexpr double kLongDelayScale = 0.25;   // seconds of delay swing
constexpr float kShortDelayScale = 0.05f;  // with `genteel`
constexpr float kMaxFeedback = 0.9f;

// 0 at or below 0 (and for NaN), 1 above 1, the value otherwise.
inline float clamp01(float x) {
  if (!(x > 0.0f)) return 0.0f;
  return x > 1.0f ? 1.0f : x;
}

using Delays = std::array<std::shared_ptr<SimpleDelayKernel>, DrollicantDSPKernel::kBandCount>;

Delays makeDelayLines() {
  Delays lines;
  for (auto& line : lines) line = std::make_shared<SimpleDelayKernel>();
  return lines;
}

std::vector<std::shared_ptr<IIRKernel>> makeSections(int64_t capacity, double sampleRate, bool highPass) {
  const auto& tables = DrollicantDSPKernel::bandTables();
  std::vector<std::shared_ptr<IIRKernel>> sections;
  sections.reserve(tables.crossoverFrequencies.size());
  for (double frequency : tables.crossoverFrequencies) {
    auto section = std::make_shared<IIRKernel>(capacity);
    section->sampleRate = sampleRate;
    if (highPass)
      section->designHighPass(frequency, kCrossoverQ);
    else
      section->designLowPass(frequency, kCrossoverQ);
    sections.push_back(std::move(section));
  }
  return sections;
}

// Each block lays its bands out as tightly as it can: a host that allocates for long
// blocks and calls with short ones would otherwise spread a short block's 22 bands a
// whole allocation apart, where they share cache sets. The stride is whole vectors and
// one more, so that no two bands lie a multiple of 4 KiB apart either.
int64_t bandStride(int64_t frames) { return (frames + kEngineLanes - 1) / kEngineLanes * kEngineLanes + kEngineLanes; }

std::unique_ptr<float[]> zeroedFloats(int64_t count, float value = 0.0f) {
  std::unique_ptr<float[]> memory(new float[static_cast<size_t>(count)]);
  std::fill_n(memory.get(), count, value);
  return memory;
}

}  // namespace

const DrollicantDSPKernel::BandTables& DrollicantDSPKernel::bandTables() {
  static const BandTables tables = [] {
    BandTables t{};
    for (int i = 0; i < kCrossoverCount; ++i) t.crossoverFrequencies[i] = std::ldexp(27.5, kCrossoverCount - 1 - i);
    t.bandCount = kCrossoverCount + 1;
    for (int b = 0; b < t.bandCount; ++b) {
      t.bandPhaseOffsets[b] = double(t.bandCount - 1 - b) * kTwoPi / double(t.bandCount);
      t.bandPositions[b] = (double(t.bandCount - 1 - b) + 0.5) / double(t.bandCount);
      t.offsetSines[b] = std::sin(t.bandPhaseOffsets[b]);
      t.offsetCosines[b] = std::cos(t.bandPhaseOffsets[b]);
    }
    return t;
  }();
  return tables;
}

DrollicantDSPKernel::DrollicantDSPKernel() : bandDelaysL(makeDelayLines()), bandDelaysR(makeDelayLines()) {
  bandWeights.fill(1.0f);
}

void DrollicantDSPKernel::allocate(int64_t frames, double rate) {
  frames = std::max<int64_t>(frames, 0);
  sampleRate = rate;
  maxFrames = frames;
  bandBase = zeroedFloats(2 * kBandCount * bandStride(frames));
  skewBase = zeroedFloats(2 * kEngineLanes * (frames + 32));
  ringBase = zeroedFloats(frames + kControlGrid, 1.0f);  // the last chunk is made whole
  envAttackCoef = float(1.0 - std::exp(-1.0 / (rate * kEnvAttackSeconds)));
  envDecayCoef = float(1.0 - std::exp(-1.0 / (rate * kEnvDecaySeconds)));
  deinterleaveBase = zeroedFloats(2 * frames);
  // A block of n frames meets at most n / kControlGrid + 1 grid points; whole vectors
  // of the LFO's sines fit a row.
  stepsPerLine = (frames / kControlGrid + 2 + kSinesAtOnce - 1) / kSinesAtOnce * kSinesAtOnce;
  delaySteps.reset(new DelayStep[size_t(2 * kBandCount * stepsPerLine)]());

  auto newHpL = makeSections(frames, rate, true);
  auto newLpL = makeSections(frames, rate, false);
  auto newHpR = makeSections(frames, rate, true);
  auto newLpR = makeSections(frames, rate, false);
  hpL = std::move(newHpL);
  lpL = std::move(newLpL);
  hpR = std::move(newHpR);
  lpR = std::move(newLpR);
  crossoverLanes.reset(new CrossoverLanes[2]);
  packCrossover();

  lfoPhase = 0.0;
  lfoSines = std::make_unique<double[]>(size_t(2 * stepsPerLine));
  // Sets every line's delaySeconds from the controls; the rings are sized with them below.
  aimFromLFOStart();
  for (auto* lines : {&bandDelaysL, &bandDelaysR})
    for (auto& line : *lines) line->size(float(rate));
  reset();
}

// Lane b of each channel takes stage b's two sections; the other lanes stay zero.
void DrollicantDSPKernel::packCrossover() {
  const std::vector<std::shared_ptr<IIRKernel>>* sections[2][2] = {{&hpL, &lpL}, {&hpR, &lpR}};
  for (int c = 0; c < 2; ++c) {
    CrossoverLanes& lanes = crossoverLanes[c];
    lanes = CrossoverLanes{};
    for (size_t b = 0; b < hpL.size(); ++b)
      for (int k = 0; k < 5; ++k) {
        lanes.hp[k][b] = (*sections[c][0])[b]->coefficients[k];
        lanes.lp[k][b] = (*sections[c][1])[b]->coefficients[k];
      }
  }
}

void DrollicantDSPKernel::reset() {
  if (crossoverLanes) packCrossover();
  lfoPhase = 0.0;
  // The delays start where the controls aim them now, from the LFO's start, as after
  // allocation: not where the last block before the reset left them.
  if (lfoSines) aimFromLFOStart();
  for (auto* lines : {&bandDelaysL, &bandDelaysR})
    for (auto& line : *lines) line->clear();
  startDelayRuns();
  envL = envR = 0.0f;
  carrierPhase = 0.0;
  gridPosition = 0;
}

DrollicantDSPKernel::Controls DrollicantDSPKernel::readControls() const {
  constexpr auto relaxed = std::memory_order_relaxed;
  return {charisma.load(relaxed),  naivete.load(relaxed), nostalgia.load(relaxed), surprise.load(relaxed),
          sweetness.load(relaxed), whimsy.load(relaxed),  flighty.load(relaxed),   genteel.load(relaxed)};
}

// The carrier's law for the block: the crossover scales frequency and depth by the
// level at each grid point where flighty lets the level steer.
CarrierSweep DrollicantDSPKernel::carrierSweep(const Controls& controls, int64_t first, int64_t chunks) {
  const double f = carrierPower.of(clamp01(controls.surprise)) * 30.0;
  const float d = clamp01(controls.whimsy);
  return {
      controls.flighty ? f : f / kSqrt2, d, controls.flighty, sampleRate, carrierPhase, first, chunks, &carrierSteps};
}

// Where the LFO stands at grid point `chunk` of the `chunks` in the block, and a chunk later.
void DrollicantDSPKernel::startChunk(const Controls& controls, int64_t chunk, int64_t chunks) {
  lfoSines[chunk] = lfoPhase;
  lfoSines[chunks + chunk] = lfoPhase + std::numbers::pi / 2.0;
  advanceLFO(controls, kControlGrid);
}

void DrollicantDSPKernel::advanceLFO(const Controls& controls, int64_t frames) {
  const double rate = lfoPower.of(clamp01(controls.naivete)) * 0.01;
  lfoPhase = lfoPhase + rate * kTwoPi * double(frames) / sampleRate;
  if (lfoPhase >= kTwoPi) lfoPhase -= kTwoPi;
}

// Every band's phase is the LFO's plus a fixed offset, so the sine and cosine of the
// LFO at each grid point give all eleven sines by the angle-sum identity; the right
// channel's anti-phase sines are their negatives. `lfoSines` holds the sines of the
// block's `chunks` grid points, then their cosines.
void DrollicantDSPKernel::aimDelays(const Controls& controls, int64_t chunks) {
  const float c = clamp01(controls.charisma);
  const double scale = controls.genteel ? double(kShortDelayScale) : kLongDelayScale;
  const float fb = clamp01(controls.nostalgia) * kMaxFeedback;
  const float depth = 1.0f - 2.0f * c;
  const double D = scale * (double(depth) * double(depth)) * 0.5;
  const bool antiPhase = c > 0.5f;
  const auto& tables = bandTables();
  // Every line is sized alike: one limit for all.
  const SimpleDelayKernel& any = *bandDelaysL[0];
  const float rate = any.sampleRate;
  const float limit = float(any.bufferLength - 1) / rate;
  DelayStep* stepsL = delaySteps.get();
  DelayStep* stepsR = stepsL + kBandCount * stepsPerLine;
  const double* sines = lfoSines.get();
  const double* cosines = sines + chunks;
  std::array<float, kBandCount> lastL{}, lastR{};
  for (int b = 0; b < kBandCount; ++b) {
    const double cosOffset = tables.offsetCosines[b], sinOffset = tables.offsetSines[b];
    DelayStep* left = stepsL + b * stepsPerLine;
    DelayStep* right = stepsR + b * stepsPerLine;
    for (int64_t k = 0; k < chunks; ++k) {
      const double sine = sines[k] * cosOffset + cosines[k] * sinOffset;
      const float dL = float(D * (sine + 1.0));
      const float dR = antiPhase ? float(D * (1.0 - sine)) : dL;
      left[k] = {double(std::min(limit, dL)) * double(rate), fb};
      right[k] = {double(std::min(limit, dR)) * double(rate), fb};
      lastL[b] = dL, lastR[b] = dR;
    }
  }
  // The lines show what the last grid point asked of them.
  for (int b = 0; b < kBandCount; ++b)
    for (auto [line, delay] : {std::pair{bandDelaysL[b].get(), lastL[b]}, std::pair{bandDelaysR[b].get(), lastR[b]}}) {
      line->delaySeconds = delay;
      line->targetDelay = double(std::min(limit, delay));
      line->feedback = fb;
    }
}

// The delays as the controls aim them at the LFO's start: one grid point, sine 0 and
// cosine 1.
void DrollicantDSPKernel::aimFromLFOStart() {
  lfoSines[0] = 0.0, lfoSines[1] = 1.0;
  aimDelays(readControls(), 1);
}

void DrollicantDSPKernel::updateBandWeights(const Controls& controls) {
  const float v = controls.sweetness;
  const float t = v > 0.0f ? 2.0f * clamp01(v) - 1.0f : -1.0f;  // never NaN
  if (t == weightsTilt) return;
  weightsTilt = t;
  const double a = (1.0 - double(t)) * 0.5;
  const double k = std::fabs(double(t)) * 4.0;
  const auto& positions = bandTables().bandPositions;
  double sum = 0.0;
  for (int b = 0; b < kBandCount; ++b) {
    const double p = positions[b];
    const double w = std::pow(p, k * a) * std::pow(1.0 - p, k * (1.0 - a));
    bandWeights[b] = float(w);
    sum += w;
  }
  const float g = float(double(kBandCount) / sum);
  for (float& w : bandWeights) w *= g;
  // Bands alternate in polarity, the last remainder keeps its own.
  for (int b = 0; b < kBandCount; ++b)
    mixWeights[b] = (b & 1) && b < kCrossoverCount ? -bandWeights[b] : bandWeights[b];
}

double DrollicantDSPKernel::tailTime() const {
  const double c = clamp01(charisma.load(std::memory_order_relaxed));
  const double scale = genteel.load(std::memory_order_relaxed) ? double(kShortDelayScale) : kLongDelayScale;
  const double depth = 1.0 - 2.0 * c;
  const double longest = depth * depth * scale;
  if (!(longest > 0.0)) return 0.0;
  const double fb = double(clamp01(nostalgia.load(std::memory_order_relaxed))) * double(kMaxFeedback);
  if (!(fb > 0.0)) return longest;
  return longest * kLn1000th / std::log(fb);
}

// From the lines as reset or allocation leave them.
void DrollicantDSPKernel::startDelayRuns() {
  for (int b = 0; b < kBandCount; ++b) {
    delayRunsL[b] = bandDelaysL[b]->beginRun(nullptr, 0);
    delayRunsR[b] = bandDelaysR[b]->beginRun(nullptr, 0);
  }
}

void DrollicantDSPKernel::delayBands(float* bandsL, float* bandsR, int64_t stride, int64_t steps, bool antiPhase,
                                     int64_t n) {
  for (int b = 0; b < kBandCount; ++b) {
    const DelayStep* stepsL = delaySteps.get() + b * stepsPerLine;
    delayRunsL[b].steps = stepsL, delayRunsL[b].stepCount = steps;
    delayRunsR[b].steps = antiPhase ? stepsL + kBandCount * stepsPerLine : stepsL, delayRunsR[b].stepCount = steps;
  }
  routines->delayBands(delayRunsL.data(), delayRunsR.data(), bandsL, bandsR, stride, kBandCount, n);
  for (int b = 0; b < kBandCount; ++b) bandDelaysL[b]->endRun(delayRunsL[b]), bandDelaysR[b]->endRun(delayRunsR[b]);
}

void DrollicantDSPKernel::process(const float* inL, const float* inR, float* outL, float* outR, int64_t frameCount) {
  const int64_t n = std::min(maxFrames, frameCount);
  if (n < 1 || !bandBase || !ringBase || !crossoverLanes) {
    if (frameCount > 0) {
      if (inL != outL) std::memmove(outL, inL, sizeof(float) * size_t(frameCount));
      if (inR != outR) std::memmove(outR, inR, sizeof(float) * size_t(frameCount));
    }
    return;
  }
  if (bypass.load(std::memory_order_relaxed)) {
    if (inL != outL) std::memmove(outL, inL, sizeof(float) * size_t(n));
    if (inR != outR) std::memmove(outR, inR, sizeof(float) * size_t(n));
    return;
  }
  // Decaying feedback must not fall into denormal numbers, whoever calls.
  DenormalGuard denormals;

  // The block finishes the current grid chunk, then runs the laws at each grid point
  // it holds.
  const Controls controls = readControls();
  const int64_t first = gridPosition == 0 ? 0 : kControlGrid - gridPosition;
  const int64_t lead = std::min(first, n);
  const int64_t chunks = n > first ? (n - first + kControlGrid - 1) / kControlGrid : 0;
  float* gain = ringBase.get();
  std::copy_n(chunkGain.data() + gridPosition, lead, gain);
  for (int64_t k = 0; k < chunks; ++k) startChunk(controls, k, chunks);
  if (chunks > 0) {
    // Whole vectors of sines, the cosines beside them: the row is padded for them.
    const int count = int((2 * chunks + kSinesAtOnce - 1) / kSinesAtOnce * kSinesAtOnce);
    routines->sines(lfoSines.get(), lfoSines.get(), count);
    aimDelays(controls, chunks);
  }

  float* bandsL = bandBase.get();
  const int64_t stride = bandStride(n);
  float* bandsR = bandsL + kBandCount * stride;
  // The level followers see the unmodulated input; the bands get it with the carrier.
  EnvelopeFollowers envelopes{envL, envR, envAttackCoef, envDecayCoef};
  CarrierSweep carrier = carrierSweep(controls, first, chunks);
  routines->crossover(crossoverLanes.get(), envelopes, carrier, inL, inR, gain, bandsL, stride, skewBase.get(), n);
  envL = envelopes.left, envR = envelopes.right;
  carrierPhase = carrier.phase;
  // A chunk that the block ends inside goes on in the next block.
  const int64_t last = first + (chunks - 1) * kControlGrid;
  if (chunks > 0 && n - last < kControlGrid) std::copy_n(gain + last, kControlGrid, chunkGain.data());
  delayBands(bandsL, bandsR, stride, chunks, clamp01(controls.charisma) > 0.5f, n);
  if (lead > 0) routines->mixSaturate(bandsL, stride, mixWeights.data(), outL, outR, lead);
  if (chunks > 0) {
    updateBandWeights(controls);
    routines->mixSaturate(bandsL + lead, stride, mixWeights.data(), outL + lead, outR + lead, n - lead);
  }
  gridPosition = (gridPosition + n) % kControlGrid;
}

void DrollicantDSPKernel::processInterleaved(float* buffer, int64_t frameCount) {
  const int64_t n = std::min(maxFrames, frameCount);
  if (n < 1 || !deinterleaveBase) return;
  const int64_t M = maxFrames;
  float* left = deinterleaveBase.get();
  float* right = left + M;
  for (int64_t i = 0; i < n; ++i) {
    left[i] = buffer[2 * i];
    right[i] = buffer[2 * i + 1];
  }
  process(left, right, left, right, n);
  for (int64_t i = 0; i < n; ++i) {
    buffer[2 * i] = left[i];
    buffer[2 * i + 1] = right[i];
  }
}

}  // namespace drollicant
