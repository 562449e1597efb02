#include "cli/WaveHeader.h"

#include <cstring>
#include <fstream>

namespace drollicant::cli {
namespace {

constexpr uint32_t kOpenLength = 0xFFFFFFFF;
constexpr uint32_t kFormatBlockAlignOffset = 12;
// Headers are small; a data chunk that is not found this far in is not looked for.
constexpr int kMaxChunksBeforeData = 64;

uint32_t littleEndian32(const unsigned char* b) {
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

}  // namespace

std::optional<int64_t> declaredWaveFrames(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char riff[12];
  if (!file.read(reinterpret_cast<char*>(riff), sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0)
    return std::nullopt;
  uint32_t blockAlign = 0;
  for (int i = 0; i < kMaxChunksBeforeData; ++i) {
    unsigned char chunk[8];
    if (!file.read(reinterpret_cast<char*>(chunk), sizeof chunk)) return std::nullopt;
    const uint32_t size = littleEndian32(chunk + 4);
    if (std::memcmp(chunk, "data", 4) == 0) {
      if (blockAlign == 0 || size == 0 || size == kOpenLength) return std::nullopt;
      return int64_t(size / blockAlign);
    }
    const std::streamoff start = file.tellg();
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= kFormatBlockAlignOffset + 2) {
      unsigned char format[kFormatBlockAlignOffset + 2];
      if (!file.read(reinterpret_cast<char*>(format), sizeof format)) return std::nullopt;
      blockAlign = uint32_t(format[kFormatBlockAlignOffset]) | uint32_t(format[kFormatBlockAlignOffset + 1]) << 8;
    }
    // Chunks are padded to an even length.
    file.seekg(start + std::streamoff(size) + std::streamoff(size & 1));
  }
  return std::nullopt;
}

}  // namespace drollicant::cli
