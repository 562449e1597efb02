#pragma once
#include <cstdint>

namespace drollicant::hosts {

// The share of processed sound in the output: 1 is all processed (wet), 0 all input
// (dry). It moves one sample at a time in a straight line, over a fixed number of
// frames from one end to the other, so a crossfade is the same at every block size.
class WetDryFade {
public:
  // Setup thread: frames from one end to the other (at least 1); stands at the end it heads for.
  void setLength(uint32_t frames);
  // Stands at wet or dry at once.
  void settle(bool wet);
  // From now on moves towards wet or dry.
  void head(bool wet) { towardsWet = wet; }

  bool headingWet() const { return towardsWet; }
  bool settled() const { return position == (towardsWet ? length : 0); }
  bool settledWet() const { return towardsWet && position == length; }
  bool settledDry() const { return !towardsWet && position == 0; }
  // Frames until it reaches the end it heads for.
  uint32_t framesToGo() const { return towardsWet ? length - position : position; }

  // Audio thread: out = dry + share · (out − dry) on both channels, moving the share
  // one step before each frame.
  void mix(const float* dryL, const float* dryR, float* outL, float* outR, uint32_t frames);
  // Audio thread: multiplies both channels by the shares the next `frames` frames of
  // `mix` will use, without moving.
  void ramp(float* left, float* right, uint32_t frames) const;

private:
  uint32_t stepFrom(uint32_t at) const {
    if (towardsWet) return at < length ? at + 1 : at;
    return at > 0 ? at - 1 : at;
  }

  uint32_t length = 1;
  uint32_t position = 1;  // the wet share is position / length
  bool towardsWet = true;
};

}  // namespace drollicant::hosts
