#pragma once
#include <array>
#include <cstdint>
#include <memory>

namespace drollicant {

// One biquad section, the high- or low-pass half of a crossover stage. Filters a
// block in place and carries two input and two output samples to the next block,
// so the result does not depend on how the signal is cut into blocks.
class IIRKernel {
public:
  // Setup thread: obtains both work arrays (capacity + 2 floats each, zeroed).
  explicit IIRKernel(int64_t capacity);

  // Setup thread: rewrite `coefficients` for `sampleRate`. A frequency above
  // 0.45 × sampleRate is designed at 0.45 × sampleRate.
  void designLowPass(double frequency, double q);
  void designHighPass(double frequency, double q);

  // Audio thread: no allocation, no lock. Filters up to maxFrames − 2 samples.
  void process(float* buffer, int64_t frameCount);

  std::array<float, 5> coefficients{};  // b0, b1, b2, a1, a2
  std::array<float, 2> carryIn{};       // last two inputs of the previous block, older first
  std::array<float, 2> carryOut{};      // last two outputs of the previous block, older first
  std::unique_ptr<float[]> inBuf;       // work arrays: two history slots, then the block
  std::unique_ptr<float[]> outBuf;
  const int64_t maxFrames;  // length of each work array
  double sampleRate = 44100.0;

private:
  void design(double frequency, double q, bool highPass);
};

}  // namespace drollicant
