#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/AudioSource.h"

typedef struct sf_private_tag SNDFILE;

namespace drollicant::cli {

// An audio file read through libsndfile. Mono files are read as two identical
// channels; files with more than two channels are refused. Samples that are not finite
// are read as silence and counted, and a file shorter than its header says is noticed,
// so `damage` can tell the user.
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
  std::string damage() const override;
  int channelCount() const { return channels; }

private:
  AudioFileReader(SNDFILE* file, std::filesystem::path path, double rate, int64_t frames, int64_t announcedFrames,
                  int channels);

  static constexpr int64_t kChunkFrames = 4096;
  SNDFILE* file;
  std::filesystem::path path;
  double rate;
  int64_t frames;
  int64_t announcedFrames;  // what the header promises; more than `frames` when the file was cut off
  int channels;
  int64_t framesRead = 0;
  int64_t nonFiniteSamples = 0;
  std::vector<float> interleaved;
  std::string readError;
};

}  // namespace drollicant::cli
