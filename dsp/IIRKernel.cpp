#include "dsp/IIRKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/accelerate/vDSP.h"

namespace drollicant {

IIRKernel::IIRKernel(int64_t capacity)
    : inBuf(new float[capacity + 2]()), outBuf(new float[capacity + 2]()), maxFrames(capacity + 2) {}

void IIRKernel::designLowPass(double frequency, double q) { design(frequency, q, false); }

void IIRKernel::designHighPass(double frequency, double q) { design(frequency, q, true); }

void IIRKernel::design(double frequency, double q, bool highPass) {
  const double limit = 0.45 * sampleRate;
  const double f = limit < frequency ? limit : frequency;
  const double w0 = f * 2.0 * std::numbers::pi / sampleRate;
  const double s = std::sin(w0);
  const double c = std::cos(w0);
  const double alpha = s / (2.0 * q);
  const double a0 = 1.0 + alpha;
  double b0, b1;
  if (highPass) {
    b0 = (1.0 + c) * 0.5 / a0;
    b1 = -(1.0 + c) / a0;
  } else {
    b0 = (1.0 - c) * 0.5 / a0;
    b1 = (1.0 - c) / a0;
  }
  const double a1 = (c * -2.0) / a0;
  const double a2 = (1.0 - alpha) / a0;
  coefficients = {float(b0), float(b1), float(b0), float(a1), float(a2)};
}

static inline float finiteOrZero(float v) { return std::isfinite(v) ? v : 0.0f; }

void IIRKernel::process(float* buffer, int64_t frameCount) {
  const int64_t m = std::min(maxFrames - 2, frameCount);
  if (m < 1) return;
  float* in = inBuf.get();
  float* out = outBuf.get();
  in[0] = carryIn[0];
  in[1] = carryIn[1];
  std::copy_n(buffer, m, in + 2);
  out[0] = carryOut[0];
  out[1] = carryOut[1];
  platform::vDSP_deq22(in, 1, coefficients.data(), out, 1, static_cast<platform::vDSP_Length>(m));
  // A non-finite carry would poison every later block; drop it here.
  carryIn = {finiteOrZero(in[m]), finiteOrZero(in[m + 1])};
  carryOut = {finiteOrZero(out[m]), finiteOrZero(out[m + 1])};
  std::copy_n(out + 2, m, buffer);
}

}  // namespace drollicant
