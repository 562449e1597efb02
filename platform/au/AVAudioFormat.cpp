#include "platform/au/AVAudioFormat.h"

#include <cmath>

namespace platform {

namespace {
bool acceptable(double sampleRate, AVAudioChannelCount channels) {
  return std::isfinite(sampleRate) && sampleRate > 0.0 && sampleRate <= AVAudioFormat::kMaximumSampleRate &&
         channels > 0;
}
}  // namespace

std::shared_ptr<AVAudioFormat> AVAudioFormat::standardFormat(double sampleRate, AVAudioChannelCount channels) {
  if (!acceptable(sampleRate, channels)) return nullptr;
  return std::make_shared<AVAudioFormat>(sampleRate, channels, false);
}

std::shared_ptr<AVAudioFormat> AVAudioFormat::interleavedFormat(double sampleRate, AVAudioChannelCount channels) {
  if (!acceptable(sampleRate, channels)) return nullptr;
  return std::make_shared<AVAudioFormat>(sampleRate, channels, true);
}

}  // namespace platform
