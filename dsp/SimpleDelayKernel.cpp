#include "dsp/SimpleDelayKernel.h"

#include <algorithm>
#include <cmath>

namespace drollicant {

void SimpleDelayKernel::size(float rate) {
  sampleRate = rate;
  secondsPerSample = 1.0 / double(rate);
  bufferLength = static_cast<int64_t>(std::ceil(double(rate) * double(maxDelaySec))) + 1;
  buffer.assign(static_cast<size_t>(bufferLength), 0.0f);
  currentDelay = targetDelay = delaySeconds;
  clear();
}

void SimpleDelayKernel::clear() {
  std::fill(buffer.begin(), buffer.end(), 0.0f);
  writePos = 0;
  currentDelay = targetDelay;
  chunkTarget = smoothedDelay = targetDelay * double(sampleRate);
  chunkOffset = 0.0;
  chunkPhase = kControlGrid;
}

void SimpleDelayKernel::worksOutPowers() {
  poweredSmoothing = double(smoothing);
  double* p = powerTable.data() + 7;
  p[0] = 1.0;
  for (int j = 1; j <= kControlGrid; ++j) p[j] = p[j - 1] * poweredSmoothing;
}

void SimpleDelayKernel::process(float* block, int64_t frameCount, const EngineRoutines& routines) {
  if (bufferLength < 1 || frameCount < 1) return;
  const DelayStep step = {targetDelay * double(sampleRate), feedback};
  DelayRun run = beginRun(&step, 1);
  routines.delayLine(run, block, frameCount);
  endRun(run);
}

}  // namespace drollicant
