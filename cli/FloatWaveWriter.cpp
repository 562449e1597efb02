#include "cli/FloatWaveWriter.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>

namespace drollicant::cli {
namespace {

static_assert(std::endian::native == std::endian::little, "WAV samples are written as the CPU stores them");

constexpr int kChannels = 2;
constexpr uint16_t kWaveFormatIeeeFloat = 3;
constexpr uint32_t kFormatChunkBytes = 18;
constexpr uint32_t kFactChunkBytes = 4;
constexpr uint32_t kChunkHeaderBytes = 8;
// Everything the RIFF size counts before the samples: "WAVE", the fmt and fact chunks
// and the data chunk's own header.
constexpr uint32_t kHeaderBytesInRiff =
    4 + (kChunkHeaderBytes + kFormatChunkBytes) + (kChunkHeaderBytes + kFactChunkBytes) + kChunkHeaderBytes;
constexpr uint64_t kMaxDataBytes = std::numeric_limits<uint32_t>::max() - kHeaderBytesInRiff;

class HeaderBytes {
public:
  void text(const char (&four)[5]) { bytes.insert(bytes.end(), four, four + 4); }
  void u16(uint16_t v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); }
  void u32(uint32_t v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
  const std::vector<uint8_t>& get() const { return bytes; }

private:
  std::vector<uint8_t> bytes;
};

}  // namespace

std::unique_ptr<FloatWaveWriter> FloatWaveWriter::open(const std::filesystem::path& path, const std::string& shownName,
                                                       int sampleRate, bool doublePrecision, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = shownName + ": cannot write (" + std::strerror(errno) + ")";
    return nullptr;
  }
  std::unique_ptr<FloatWaveWriter> writer(new FloatWaveWriter(file, shownName, sampleRate, doublePrecision));
  if (!writer->writeHeader(0)) {
    error = shownName + ": cannot write (" + std::strerror(errno) + ")";
    return nullptr;
  }
  return writer;
}

FloatWaveWriter::FloatWaveWriter(std::FILE* file, std::string shownName, int sampleRate, bool doublePrecision)
    : AudioFileWriter(std::move(shownName)),
      file(file),
      sampleRate(sampleRate),
      bytesPerSample(doublePrecision ? 8 : 4),
      encoded(size_t(kChunkFrames * kChannels * bytesPerSample)) {}

FloatWaveWriter::~FloatWaveWriter() {
  if (file != nullptr) std::fclose(file);
}

bool FloatWaveWriter::writeHeader(uint32_t frames) {
  const uint32_t blockAlign = uint32_t(kChannels * bytesPerSample);
  const uint32_t dataBytes = frames * blockAlign;
  HeaderBytes h;
  h.text("RIFF");
  h.u32(kHeaderBytesInRiff + dataBytes);
  h.text("WAVE");
  h.text("fmt ");
  h.u32(kFormatChunkBytes);
  h.u16(kWaveFormatIeeeFloat);
  h.u16(kChannels);
  h.u32(uint32_t(sampleRate));
  h.u32(uint32_t(sampleRate) * blockAlign);
  h.u16(uint16_t(blockAlign));
  h.u16(uint16_t(8 * bytesPerSample));
  h.u16(0);  // no extension follows
  h.text("fact");
  h.u32(kFactChunkBytes);
  h.u32(frames);
  h.text("data");
  h.u32(dataBytes);
  return std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(h.get().data(), 1, h.get().size(), file) == h.get().size();
}

bool FloatWaveWriter::writeInterleaved(const float* samples, int64_t frames, std::string& error) {
  const uint64_t bytes = uint64_t(frames) * kChannels * uint64_t(bytesPerSample);
  if (uint64_t(framesWritten + frames) * kChannels * uint64_t(bytesPerSample) > kMaxDataBytes) {
    error = shownName + ": too long for a WAV file (4 GB at most); write a .flac file or a shorter input";
    return false;
  }
  const size_t count = size_t(frames * kChannels);
  if (bytesPerSample == sizeof(float)) {
    std::memcpy(encoded.data(), samples, bytes);
  } else {
    for (size_t i = 0; i < count; ++i) {
      const double wide = samples[i];
      std::memcpy(encoded.data() + i * sizeof wide, &wide, sizeof wide);
    }
  }
  if (std::fwrite(encoded.data(), 1, size_t(bytes), file) != bytes) {
    error = shownName + ": write failed (" + std::strerror(errno) + ")";
    return false;
  }
  framesWritten += frames;
  return true;
}

bool FloatWaveWriter::close(std::string& error) {
  const bool written = writeHeader(uint32_t(framesWritten)) && std::fflush(file) == 0;
  const int savedErrno = errno;
  const bool closed = std::fclose(file) == 0;
  file = nullptr;
  if (!written || !closed) {
    error = shownName + ": write failed (" + std::strerror(written ? errno : savedErrno) + ")";
    return false;
  }
  return true;
}

}  // namespace drollicant::cli
