#pragma once
#include <cstdint>
#include <string>

namespace drollicant::cli {

// Stereo audio to render, read block by block as two channel arrays.
class AudioSource {
public:
  virtual ~AudioSource() = default;
  virtual double sampleRate() const = 0;
  // Total frames, used for progress.
  virtual int64_t frameCount() const = 0;
  // Fills up to `frames` frames of both channels; returns the number filled, 0 at the
  // end and -1 when reading failed (then `error()` says why).
  virtual int64_t read(float* left, float* right, int64_t frames) = 0;
  virtual std::string error() const { return {}; }
  // After the whole source is read: what was wrong with it but could be rendered (it
  // ended early, it held samples that are not finite), or empty.
  virtual std::string damage() const { return {}; }
};

}  // namespace drollicant::cli
