#pragma once
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/AudioFileWriter.h"

namespace drollicant::cli {

// A stereo WAV file of 32- or 64-bit IEEE float samples with the header that readers
// expect for a non-PCM format: a "fmt " chunk of 18 bytes (its extension size field
// present and 0) and a "fact" chunk with the frame count.
class FloatWaveWriter final : public AudioFileWriter {
public:
  static std::unique_ptr<FloatWaveWriter> open(const std::filesystem::path& path, const std::string& shownName,
                                               int sampleRate, bool doublePrecision, std::string& error);
  ~FloatWaveWriter() override;

  bool close(std::string& error) override;

private:
  FloatWaveWriter(std::FILE* file, std::string shownName, int sampleRate, bool doublePrecision);
  bool writeInterleaved(const float* samples, int64_t frames, std::string& error) override;
  // The header for `frames` frames; written first with 0 and again when closing.
  bool writeHeader(uint32_t frames);

  std::FILE* file;
  int sampleRate;
  int bytesPerSample;
  int64_t framesWritten = 0;
  std::vector<unsigned char> encoded;
};

}  // namespace drollicant::cli
