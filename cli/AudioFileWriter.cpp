#include "cli/AudioFileWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "cli/FloatWaveWriter.h"

namespace drollicant::cli {
namespace {

class SndfileWriter final : public AudioFileWriter {
public:
  SndfileWriter(SNDFILE* file, std::string shownName) : AudioFileWriter(std::move(shownName)), file(file) {}
  ~SndfileWriter() override {
    if (file != nullptr) sf_close(file);
  }

  bool close(std::string& error) override {
    sf_write_sync(file);
    const int status = sf_error(file);
    const std::string message = sf_strerror(file);
    const int closed = sf_close(file);
    file = nullptr;
    if (status != SF_ERR_NO_ERROR || closed != 0) {
      error = shownName + ": write failed (" + message + ")";
      return false;
    }
    return true;
  }

private:
  bool writeInterleaved(const float* samples, int64_t frames, std::string& error) override {
    if (sf_writef_float(file, samples, frames) == frames) return true;
    error = shownName + ": write failed (" + sf_strerror(file) + ")";
    return false;
  }

  SNDFILE* file;
};

}  // namespace

std::unique_ptr<AudioFileWriter> AudioFileWriter::open(const std::filesystem::path& path, const std::string& shownName,
                                                       OutputFormat format, double sampleRate, std::string& error) {
  const int rate = int(std::lround(sampleRate));
  if (format.isFloatWave())
    return FloatWaveWriter::open(path, shownName, rate, format.encoding == SF_FORMAT_DOUBLE, error);
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = format.sndfileFormat();
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    error = shownName + ": cannot write (" + sf_strerror(nullptr) + ")";
    return nullptr;
  }
  if (format.isInteger()) sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return std::make_unique<SndfileWriter>(file, shownName);
}

AudioFileWriter::AudioFileWriter(std::string shownName)
    : shownName(std::move(shownName)), interleaved(size_t(2 * kChunkFrames)) {}

bool AudioFileWriter::write(const float* left, const float* right, int64_t frames, std::string& error) {
  for (int64_t done = 0; done < frames;) {
    const int64_t n = std::min(frames - done, kChunkFrames);
    for (int64_t i = 0; i < n; ++i) {
      interleaved[size_t(2 * i)] = left[done + i];
      interleaved[size_t(2 * i + 1)] = right[done + i];
    }
    if (!writeInterleaved(interleaved.data(), n, error)) return false;
    done += n;
  }
  return true;
}

}  // namespace drollicant::cli
