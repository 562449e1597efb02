#include "cli/AudioFileReader.h"

#include <sndfile.h>

#include <algorithm>

namespace drollicant::cli {

std::unique_ptr<AudioFileReader> AudioFileReader::open(const std::filesystem::path& path, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    error = path.string() + ": no such file";
    return nullptr;
  }
  if (std::filesystem::is_directory(path, ec)) {
    error = path.string() + ": is a folder, not an audio file";
    return nullptr;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    error = path.string() + ": cannot read as audio (" + sf_strerror(nullptr) + ")";
    return nullptr;
  }
  if (info.channels < 1 || info.channels > 2) {
    sf_close(file);
    error = path.string() + ": has " + std::to_string(info.channels) +
            " channels; only mono and stereo files can be rendered";
    return nullptr;
  }
  if (info.samplerate <= 0) {
    sf_close(file);
    error = path.string() + ": has no valid sample rate";
    return nullptr;
  }
  return std::unique_ptr<AudioFileReader>(
      new AudioFileReader(file, path, double(info.samplerate), int64_t(info.frames), info.channels));
}

AudioFileReader::AudioFileReader(SNDFILE* file, std::filesystem::path path, double rate, int64_t frames, int channels)
    : file(file),
      path(std::move(path)),
      rate(rate),
      frames(frames),
      channels(channels),
      interleaved(size_t(kChunkFrames * channels)) {}

AudioFileReader::~AudioFileReader() { sf_close(file); }

int64_t AudioFileReader::read(float* left, float* right, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const int64_t want = std::min(count - done, kChunkFrames);
    const sf_count_t got = sf_readf_float(file, interleaved.data(), want);
    if (got < 0 || sf_error(file) != SF_ERR_NO_ERROR) {
      readError = path.string() + ": read failed (" + sf_strerror(file) + ")";
      return -1;
    }
    for (sf_count_t i = 0; i < got; ++i) {
      left[done + i] = interleaved[size_t(i * channels)];
      right[done + i] = interleaved[size_t(i * channels + channels - 1)];
    }
    done += got;
    if (got < want) break;
  }
  return done;
}

}  // namespace drollicant::cli
