#pragma once
#include <memory>

#include "platform/au/AudioTypes.h"

namespace platform {

enum class AVAudioCommonFormat { PCMFormatFloat32 = 1 };

// An audio stream format: sample rate, channel count and layout. Immutable.
class AVAudioFormat {
public:
  static constexpr double kMaximumSampleRate = 768000.0;

  // The standard format: non-interleaved 32-bit float. nullptr unless the sample rate
  // is finite, positive and at most kMaximumSampleRate and there is at least one channel.
  static std::shared_ptr<AVAudioFormat> standardFormat(double sampleRate, AVAudioChannelCount channels);
  // The same with interleaved samples, as some hosts hand them over.
  static std::shared_ptr<AVAudioFormat> interleavedFormat(double sampleRate, AVAudioChannelCount channels);

  double sampleRate() const { return rate; }
  AVAudioChannelCount channelCount() const { return channels; }
  bool isInterleaved() const { return interleaved; }
  bool isStandard() const { return !interleaved; }
  AVAudioCommonFormat commonFormat() const { return AVAudioCommonFormat::PCMFormatFloat32; }

  bool operator==(const AVAudioFormat& other) const {
    return rate == other.rate && channels == other.channels && interleaved == other.interleaved;
  }

  AVAudioFormat(double sampleRate, AVAudioChannelCount channelCount, bool isInterleaved)
      : rate(sampleRate), channels(channelCount), interleaved(isInterleaved) {}

private:
  double rate;
  AVAudioChannelCount channels;
  bool interleaved;
};

}  // namespace platform
