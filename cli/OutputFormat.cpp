#include "cli/OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace drollicant::cli {
namespace {

struct Named {
  std::string_view name;
  int code;
};

constexpr std::array kContainers{Named{".wav", SF_FORMAT_WAV}, Named{".aiff", SF_FORMAT_AIFF},
                                 Named{".aif", SF_FORMAT_AIFF}, Named{".flac", SF_FORMAT_FLAC}};

constexpr std::array kEncodings{Named{"float", SF_FORMAT_FLOAT}, Named{"double", SF_FORMAT_DOUBLE},
                                Named{"pcm16", SF_FORMAT_PCM_16}, Named{"pcm24", SF_FORMAT_PCM_24},
                                Named{"pcm32", SF_FORMAT_PCM_32}};

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

}  // namespace

bool OutputFormat::isInteger() const { return encoding != SF_FORMAT_FLOAT && encoding != SF_FORMAT_DOUBLE; }

std::optional<OutputFormat> OutputFormat::choose(const std::filesystem::path& output, std::string_view encodingName,
                                                 std::string& error) {
  OutputFormat format{SF_FORMAT_WAV, SF_FORMAT_FLOAT};
  const std::string extension = lowerCase(output.extension().string());
  for (const auto& c : kContainers)
    if (c.name == extension) format.container = c.code;
  if (format.container == SF_FORMAT_FLAC) format.encoding = SF_FORMAT_PCM_24;

  if (!encodingName.empty()) {
    const auto found =
        std::find_if(kEncodings.begin(), kEncodings.end(), [&](const Named& e) { return e.name == encodingName; });
    if (found == kEncodings.end()) {
      error = "unknown sample format '" + std::string(encodingName) + "' (choose " + std::string(kEncodingNames) + ")";
      return std::nullopt;
    }
    format.encoding = found->code;
  }
  SF_INFO probe{};
  probe.samplerate = 48000;
  probe.channels = 2;
  probe.format = format.sndfileFormat();
  if (!sf_format_check(&probe)) {
    error = output.string() + ": sample format '" + std::string(encodingName) + "' cannot be stored in a " +
            (extension.empty() ? std::string("WAV") : extension) + " file";
    return std::nullopt;
  }
  return format;
}

}  // namespace drollicant::cli
