#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/AudioSource.h"

typedef struct sf_private_tag SNDFILE;

namespace drollicant::cli {

// An audio file read through libsndfile. Mono files are read as two identical
// channels; files with more than two channels are refused.
class AudioFileReader final : public AudioSource {
public:
  // Returns nothing and sets `error` (naming the file) when the file cannot be opened
  // as audio or has a channel count the effect cannot take.
  static std::unique_ptr<AudioFileReader> open(const std::filesystem::path& path, std::string& error);
  ~AudioFileReader() override;

  double sampleRate() const override { return rate; }
  int64_t frameCount() const override { return frames; }
  int64_t read(float* left, float* right, int64_t count) override;
  std::string error() const override { return readError; }
  int channelCount() const { return channels; }

private:
  AudioFileReader(SNDFILE* file, std::filesystem::path path, double rate, int64_t frames, int channels);

  static constexpr int64_t kChunkFrames = 4096;
  SNDFILE* file;
  std::filesystem::path path;
  double rate;
  int64_t frames;
  int channels;
  std::vector<float> interleaved;
  std::string readError;
};

}  // namespace drollicant::cli
