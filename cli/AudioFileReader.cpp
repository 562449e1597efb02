#include "cli/AudioFileReader.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "cli/WaveHeader.h"

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
  const int64_t frames = int64_t(info.frames);
  const int64_t announced = std::max(frames, declaredWaveFrames(path).value_or(frames));
  return std::unique_ptr<AudioFileReader>(
      new AudioFileReader(file, path, double(info.samplerate), frames, announced, info.channels));
}

AudioFileReader::AudioFileReader(SNDFILE* file, std::filesystem::path path, double rate, int64_t frames,
                                 int64_t announcedFrames, int channels)
    : file(file),
      path(std::move(path)),
      rate(rate),
      frames(frames),
      announcedFrames(announcedFrames),
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
    for (sf_count_t i = 0; i < got * channels; ++i) {
      if (!std::isfinite(interleaved[size_t(i)])) {
        interleaved[size_t(i)] = 0.0f;
        ++nonFiniteSamples;
      }
    }
    for (sf_count_t i = 0; i < got; ++i) {
      left[done + i] = interleaved[size_t(i * channels)];
      right[done + i] = interleaved[size_t(i * channels + channels - 1)];
    }
    done += got;
    framesRead += got;
    if (got < want) break;
  }
  return done;
}

}  // namespace drollicant::cli

namespace drollicant::cli {

std::string AudioFileReader::damage() const {
  std::string found;
  if (framesRead < announcedFrames)
    found = "ended early: its header announces " + std::to_string(announcedFrames) + " frames, it holds " +
            std::to_string(framesRead) + " (rendered as far as it goes)";
  if (nonFiniteSamples > 0)
    found += (found.empty() ? "" : "; ") + std::string("held ") + std::to_string(nonFiniteSamples) +
             " samples that are not finite numbers (NaN or infinity), rendered as silence";
  return found.empty() ? found : path.string() + ": " + found;
}

}  // namespace drollicant::cli
