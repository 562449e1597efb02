#include "cli/AudioFileWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace drollicant::cli {

std::unique_ptr<AudioFileWriter> AudioFileWriter::open(const std::filesystem::path& path, const std::string& shownName,
                                                       OutputFormat format, double sampleRate, std::string& error) {
  SF_INFO info{};
  info.samplerate = int(std::lround(sampleRate));
  info.channels = 2;
  info.format = format.sndfileFormat();
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    error = shownName + ": cannot write (" + sf_strerror(nullptr) + ")";
    return nullptr;
  }
  if (format.isInteger()) sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return std::unique_ptr<AudioFileWriter>(new AudioFileWriter(file, shownName));
}

AudioFileWriter::AudioFileWriter(SNDFILE* file, std::string shownName)
    : file(file), shownName(std::move(shownName)), interleaved(size_t(2 * kChunkFrames)) {}

AudioFileWriter::~AudioFileWriter() {
  if (file != nullptr) sf_close(file);
}

bool AudioFileWriter::write(const float* left, const float* right, int64_t frames, std::string& error) {
  for (int64_t done = 0; done < frames;) {
    const int64_t n = std::min(frames - done, kChunkFrames);
    for (int64_t i = 0; i < n; ++i) {
      interleaved[size_t(2 * i)] = left[done + i];
      interleaved[size_t(2 * i + 1)] = right[done + i];
    }
    if (sf_writef_float(file, interleaved.data(), n) != n) {
      error = shownName + ": write failed (" + sf_strerror(file) + ")";
      return false;
    }
    done += n;
  }
  return true;
}

bool AudioFileWriter::close(std::string& error) {
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

}  // namespace drollicant::cli
