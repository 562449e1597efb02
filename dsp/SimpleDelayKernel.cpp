#include "dsp/SimpleDelayKernel.h"

#include <algorithm>
#include <cmath>

namespace drollicant {

void SimpleDelayKernel::size(float rate) {
  sampleRate = rate;
  bufferLength = static_cast<int64_t>(std::ceil(double(rate) * double(maxDelaySec))) + 1;
  buffer.assign(static_cast<size_t>(bufferLength), 0.0f);
  writePos = 0;
  currentDelay = targetDelay = delaySeconds;
}

void SimpleDelayKernel::clear() {
  std::fill(buffer.begin(), buffer.end(), 0.0f);
  writePos = 0;
  currentDelay = targetDelay;
}

void SimpleDelayKernel::process(float* block, int64_t frameCount) {
  const int64_t L = bufferLength;
  if (L < 1 || frameCount < 1) return;

  const double s = smoothing;
  double T = targetDelay * double(sampleRate);
  double d = currentDelay * double(sampleRate);
  // The control law keeps both finite; should anything else have written a
  // non-finite delay, settle at no delay rather than read from nowhere.
  if (!std::isfinite(T)) T = 0.0;
  if (!std::isfinite(d)) d = T;
  const double k = (1.0 - s) * T;
  const float g = feedback;
  float* ring = buffer.data();
  int64_t w = writePos;

  for (int64_t i = 0; i < frameCount; ++i) {
    float x = block[i];
    if (!std::isfinite(x)) x = 0.0f;
    ring[w] = x;
    d = k + d * s;
    const double r = double(w) - d;
    const double fl = std::floor(r);
    const int64_t i0 = static_cast<int64_t>(fl);
    // The read position lies within one ring length behind the write position unless
    // the delay exceeds the ring; only then is a true remainder needed.
    const int64_t j0 = i0 >= 0 ? (i0 < L ? i0 : i0 % L) : (i0 >= -L ? i0 + L : ((i0 % L) + L) % L);
    const int64_t j1 = j0 + 1 == L ? 0 : j0 + 1;
    const float frac = float(r - fl);
    const float y = (1.0f - frac) * ring[j0] + ring[j1] * frac;
    if (g > 0.0f) {
      const float fed = x + g * y;
      ring[w] = std::isfinite(fed) ? fed : 0.0f;
    }
    block[i] = y;
    w = w + 1 == L ? 0 : w + 1;
  }
  writePos = w;
  currentDelay = d / double(sampleRate);
}

}  // namespace drollicant
