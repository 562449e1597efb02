#pragma once
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace testing_support {

// A whole audio file in memory, samples interleaved as float.
struct AudioData {
  int sampleRate = 0;
  int channels = 0;
  int format = 0;
  std::vector<float> samples;

  int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
  float at(int64_t frame, int channel) const { return samples[size_t(frame * channels + channel)]; }
};

inline AudioData readAudio(const std::filesystem::path& path) {
  AudioData data;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return data;
  data.sampleRate = info.samplerate;
  data.channels = info.channels;
  data.format = info.format;
  data.samples.resize(size_t(info.frames * info.channels));
  sf_readf_float(file, data.samples.data(), info.frames);
  sf_close(file);
  return data;
}

inline bool writeAudio(const std::filesystem::path& path, const AudioData& data) {
  SF_INFO info{};
  info.samplerate = data.sampleRate;
  info.channels = data.channels;
  info.format = data.format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const bool ok = sf_writef_float(file, data.samples.data(), data.frames()) == data.frames();
  return sf_close(file) == 0 && ok;
}

// A musical test signal: two partials with a slow tremolo and a little noise, so
// every stage of the effect has something to work on. Channel c is offset in phase.
inline AudioData testSignal(int sampleRate, int channels, double seconds,
                            int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
  AudioData data{sampleRate, channels, format, {}};
  const auto frames = int64_t(seconds * sampleRate);
  data.samples.resize(size_t(frames * channels));
  uint32_t noise = 12345;
  for (int64_t i = 0; i < frames; ++i) {
    const double t = double(i) / sampleRate;
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1664525u + 1013904223u;
      const double n = double(int32_t(noise)) / 2147483648.0;
      const double v = 0.3 * std::sin(2 * M_PI * 220.0 * t + c) + 0.15 * std::sin(2 * M_PI * 1375.0 * t) + 0.02 * n;
      data.samples[size_t(i * channels + c)] = float(v * (0.7 + 0.3 * std::sin(2 * M_PI * 3.0 * t)));
    }
  }
  return data;
}

}  // namespace testing_support
