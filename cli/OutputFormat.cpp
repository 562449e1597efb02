#include "cli/OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>

namespace drollicant::cli {
namespace {

struct Named {
  std::string_view name;
  int code;
};

constexpr std::array kEncodings{Named{"float", SF_FORMAT_FLOAT}, Named{"double", SF_FORMAT_DOUBLE},
                                Named{"pcm16", SF_FORMAT_PCM_16}, Named{"pcm24", SF_FORMAT_PCM_24},
                                Named{"pcm32", SF_FORMAT_PCM_32}};

// A file type the command writes. `encodings` lists the --subtype values it takes; a
// type without any has a single codec, `defaultEncoding`.
struct Container {
  std::string_view name;
  std::initializer_list<std::string_view> extensions;
  int code;
  int defaultEncoding;
  std::initializer_list<std::string_view> encodings;
};

const std::array kContainers{
    Container{"WAV", {".wav", ".wave"}, SF_FORMAT_WAV, SF_FORMAT_FLOAT, {"float", "double", "pcm16", "pcm24", "pcm32"}},
    Container{
        "AIFF", {".aiff", ".aif"}, SF_FORMAT_AIFF, SF_FORMAT_FLOAT, {"float", "double", "pcm16", "pcm24", "pcm32"}},
    Container{"FLAC", {".flac"}, SF_FORMAT_FLAC, SF_FORMAT_PCM_24, {"pcm16", "pcm24"}},
    Container{"Ogg Vorbis", {".ogg", ".oga"}, SF_FORMAT_OGG, SF_FORMAT_VORBIS, {}},
    Container{"Opus", {".opus"}, SF_FORMAT_OGG, SF_FORMAT_OPUS, {}},
    Container{"MP3", {".mp3"}, SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, {}},
};

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

// Whether the installed libsndfile writes this format (MP3 needs a libsndfile built with LAME).
bool writable(int format) {
  SF_INFO probe{};
  probe.samplerate = 48000;
  probe.channels = 2;
  probe.format = format;
  return sf_format_check(&probe) != 0;
}

std::string joined(std::initializer_list<std::string_view> words, std::string_view separator) {
  std::string text;
  for (const auto word : words) text += (text.empty() ? "" : std::string(separator)) + std::string(word);
  return text;
}

std::string writtenExtensions() {
  std::string list;
  for (const auto& c : kContainers)
    if (writable(c.code | c.defaultEncoding)) list += (list.empty() ? "" : ", ") + joined(c.extensions, ", ");
  return list;
}

}  // namespace

bool OutputFormat::isInteger() const {
  return encoding == SF_FORMAT_PCM_16 || encoding == SF_FORMAT_PCM_24 || encoding == SF_FORMAT_PCM_32;
}

bool OutputFormat::isFloatWave() const {
  return container == SF_FORMAT_WAV && (encoding == SF_FORMAT_FLOAT || encoding == SF_FORMAT_DOUBLE);
}

std::string OutputFormat::writtenFormats() {
  std::string list;
  for (const auto& c : kContainers)
    if (writable(c.code | c.defaultEncoding))
      list += (list.empty() ? "" : ", ") + std::string(c.name) + " (" + joined(c.extensions, ", ") + ")";
  return list;
}

std::optional<OutputFormat> OutputFormat::choose(const std::filesystem::path& output, std::string_view encodingName,
                                                 std::string& error) {
  const std::string extension = lowerCase(output.extension().string());
  const auto container = std::find_if(kContainers.begin(), kContainers.end(), [&](const Container& c) {
    return std::find(c.extensions.begin(), c.extensions.end(), extension) != c.extensions.end();
  });
  if (container == kContainers.end() || !writable(container->code | container->defaultEncoding)) {
    error = output.string() + ": " +
            (extension.empty() ? std::string("the name has no extension to choose the format by")
                               : "'" + extension + "' is not a format this command writes") +
            " (it writes " + writtenExtensions() + ")";
    return std::nullopt;
  }
  OutputFormat format{container->code, container->defaultEncoding};
  if (!encodingName.empty()) {
    const auto found =
        std::find_if(kEncodings.begin(), kEncodings.end(), [&](const Named& e) { return e.name == encodingName; });
    if (found == kEncodings.end()) {
      error = "unknown sample format '" + std::string(encodingName) + "' (choose " + std::string(kEncodingNames) + ")";
      return std::nullopt;
    }
    if (std::find(container->encodings.begin(), container->encodings.end(), encodingName) ==
        container->encodings.end()) {
      error = output.string() + ": a " + std::string(container->name) + " file cannot hold '" +
              std::string(encodingName) + "' samples" +
              (container->encodings.size() == 0 ? std::string(" (it has its own codec; leave out --subtype)")
                                                : " (choose " + joined(container->encodings, ", ") + ")");
      return std::nullopt;
    }
    format.encoding = found->code;
  }
  // Integers wider than 16 bits are stored as WAVE_FORMAT_EXTENSIBLE, as the format asks.
  if (format.container == SF_FORMAT_WAV && format.isInteger() && format.encoding != SF_FORMAT_PCM_16)
    format.container = SF_FORMAT_WAVEX;
  return format;
}

}  // namespace drollicant::cli
