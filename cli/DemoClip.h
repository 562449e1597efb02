#pragma once
#include <vector>

#include "cli/AudioSource.h"

namespace drollicant::cli {

// A short stereo piece synthesised in code, so the effect can be heard with nothing
// else at hand: four bars at 120 BPM over A minor, F, C and G, with a pad, a plucked
// arpeggio moving between the speakers, a bass line, kick and hi-hat. The same
// samples every time.
class DemoClip final : public AudioSource {
public:
  static constexpr double kDefaultSampleRate = 48000.0;
  static constexpr double kSeconds = 8.0;

  explicit DemoClip(double sampleRate = kDefaultSampleRate);
  static int64_t frameCountAt(double sampleRate);

  double sampleRate() const override { return rate; }
  int64_t frameCount() const override { return int64_t(left.size()); }
  int64_t read(float* outLeft, float* outRight, int64_t frames) override;

private:
  void addPad();
  void addArpeggio();
  void addBass();
  void addDrums();
  void shapeAndNormalise();

  double rate;
  std::vector<float> left, right;
  int64_t position = 0;
};

}  // namespace drollicant::cli
