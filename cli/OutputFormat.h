#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace drollicant::cli {

// The container and sample encoding of a rendered file, as libsndfile format codes.
// The container follows the output file's extension; an extension the command does not
// write is refused. The encoding is 32-bit float unless asked otherwise (FLAC holds
// integers only, so it defaults to 24 bits; the lossy formats have their own codec and
// take no --subtype).
struct OutputFormat {
  int container = 0;
  int encoding = 0;

  int sndfileFormat() const { return container | encoding; }
  bool isInteger() const;
  // Float samples in a WAV file: written by our own header writer, since libsndfile leaves
  // out the size field of the format extension that readers expect for non-PCM WAV.
  bool isFloatWave() const;

  // `encodingName` is one of float, double, pcm16, pcm24, pcm32, or empty for the default.
  static std::optional<OutputFormat> choose(const std::filesystem::path& output, std::string_view encodingName,
                                            std::string& error);
  // The formats this build writes, for help texts: "WAV (.wav), FLAC (.flac), ...".
  static std::string writtenFormats();
  static constexpr std::string_view kEncodingNames = "float, double, pcm16, pcm24, pcm32";
};

}  // namespace drollicant::cli
