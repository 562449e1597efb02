#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace drollicant::cli {

// The container and sample encoding of a rendered file, as libsndfile format codes.
// The container follows the output file's extension (.wav unless .aiff/.aif/.flac);
// the encoding is 32-bit float unless asked otherwise (FLAC holds integers only, so
// it defaults to 24 bits).
struct OutputFormat {
  int container = 0;
  int encoding = 0;

  int sndfileFormat() const { return container | encoding; }
  bool isInteger() const;

  // `encodingName` is one of float, double, pcm16, pcm24, pcm32, or empty for the default.
  static std::optional<OutputFormat> choose(const std::filesystem::path& output, std::string_view encodingName,
                                            std::string& error);
  static constexpr std::string_view kEncodingNames = "float, double, pcm16, pcm24, pcm32";
};

}  // namespace drollicant::cli
