#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/OutputFormat.h"

namespace drollicant::cli {

// A stereo audio file written from two channel arrays, in the format `OutputFormat`
// chose. Integer encodings clip rather than wrap.
class AudioFileWriter {
public:
  // `shownName` is the name errors mention (the final destination, not a temporary file).
  static std::unique_ptr<AudioFileWriter> open(const std::filesystem::path& path, const std::string& shownName,
                                               OutputFormat format, double sampleRate, std::string& error);
  virtual ~AudioFileWriter() = default;
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  bool write(const float* left, const float* right, int64_t frames, std::string& error);
  // Finishes the file (headers, buffered data); false when that failed.
  virtual bool close(std::string& error) = 0;

protected:
  explicit AudioFileWriter(std::string shownName);
  // Writes `frames` interleaved stereo frames.
  virtual bool writeInterleaved(const float* samples, int64_t frames, std::string& error) = 0;

  static constexpr int64_t kChunkFrames = 4096;
  std::string shownName;

private:
  std::vector<float> interleaved;
};

}  // namespace drollicant::cli
