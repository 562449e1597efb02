#include "hosts/common/WetDryFade.h"

#include <algorithm>

namespace drollicant::hosts {

void WetDryFade::setLength(uint32_t frames) {
  length = std::max<uint32_t>(frames, 1);
  settle(towardsWet);
}

void WetDryFade::settle(bool wet) {
  towardsWet = wet;
  position = wet ? length : 0;
}

void WetDryFade::mix(const float* dryL, const float* dryR, float* outL, float* outR, uint32_t frames) {
  const float perStep = 1.0f / float(length);
  for (uint32_t i = 0; i < frames; ++i) {
    position = stepFrom(position);
    if (position == 0) {
      outL[i] = dryL[i];
      outR[i] = dryR[i];
    } else if (position < length) {
      const float share = float(position) * perStep;
      outL[i] = dryL[i] + share * (outL[i] - dryL[i]);
      outR[i] = dryR[i] + share * (outR[i] - dryR[i]);
    }
  }
}

void WetDryFade::ramp(float* left, float* right, uint32_t frames) const {
  const float perStep = 1.0f / float(length);
  uint32_t at = position;
  for (uint32_t i = 0; i < frames; ++i) {
    at = stepFrom(at);
    const float share = at == length ? 1.0f : float(at) * perStep;
    left[i] *= share;
    right[i] *= share;
  }
}

}  // namespace drollicant::hosts
