#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/OutputFormat.h"

typedef struct sf_private_tag SNDFILE;

namespace drollicant::cli {

// A stereo audio file written through libsndfile from two channel arrays. Integer
// encodings clip rather than wrap.
class AudioFileWriter {
public:
  // `shownName` is the name errors mention (the final destination, not a temporary file).
  static std::unique_ptr<AudioFileWriter> open(const std::filesystem::path& path, const std::string& shownName,
                                               OutputFormat format, double sampleRate, std::string& error);
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  bool write(const float* left, const float* right, int64_t frames, std::string& error);
  // Finishes the file (headers, buffered data); false when that failed.
  bool close(std::string& error);

private:
  AudioFileWriter(SNDFILE* file, std::string shownName);

  static constexpr int64_t kChunkFrames = 4096;
  SNDFILE* file;
  std::string shownName;
  std::vector<float> interleaved;
};

}  // namespace drollicant::cli
