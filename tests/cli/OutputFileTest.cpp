// What `drollicant render` writes: the format its name asks for, headers that other
// readers take without complaint, and refusals before anything is created.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "support/AudioFiles.h"
#include "support/DrollicantCommand.h"
#include "support/TemporaryDirectory.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

bool libsndfileWrites(int format) {
  SF_INFO probe{};
  probe.samplerate = 48000;
  probe.channels = 2;
  probe.format = format;
  return sf_format_check(&probe) != 0;
}

class OutputFileTest : public ::testing::Test {
protected:
  OutputFileTest() { writeAudio(in, testSignal(48000, 2, 0.25)); }

  ProcessResult render(const fs::path& out, std::vector<std::string> options = {}) const {
    std::vector<std::string> args{"render", in.string(), "-o", out.string()};
    args.insert(args.end(), options.begin(), options.end());
    return runDrollicant(args);
  }

  TemporaryDirectory folder;
  const fs::path in = folder / "in.wav";
};

}  // namespace

TEST_F(OutputFileTest, TheExtensionChoosesTheFormat) {
  struct Case {
    std::string name;
    int format;
    bool lossless;
  };
  std::vector<Case> cases{{"a.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, true},
                          {"b.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, true},
                          {"c.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, false},
                          {"d.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, false},
                          {"e.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, false}};
  if (libsndfileWrites(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III))
    cases.push_back({"f.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, false});
  AudioData wav;
  for (const auto& c : cases) {
    const auto result = render(folder / c.name);
    ASSERT_EQ(result.status, 0) << c.name << ": " << result.err;
    const AudioData out = readAudio(folder / c.name);
    EXPECT_EQ(out.format, c.format) << c.name;
    EXPECT_EQ(out.sampleRate, 48000) << c.name;
    if (c.name == "a.wav") wav = out;
    if (c.lossless) {
      EXPECT_EQ(out.samples, wav.samples) << c.name << " holds other samples than the WAV file";
    }
    // Lossy codecs pad and delay a little; the length stays within a few codec frames.
    EXPECT_NEAR(double(out.frames()), double(wav.frames()), 2048.0) << c.name;
  }
}

TEST_F(OutputFileTest, RefusesNamesAndSubtypesItCannotWriteAndCreatesNothing) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> refused{
      {"x.mp4", {}},
      {"x.txt", {}},
      {"noextension", {}},
      {"x.ogg", {"--subtype", "pcm24"}},
      {"x.opus", {"--subtype", "float"}},
      {"x.flac", {"--subtype", "float"}},
      {"x.flac", {"--subtype", "pcm32"}},
      {"x.wav", {"--subtype", "pcm8"}},
  };
  for (const auto& [name, options] : refused) {
    const auto result = render(folder / name, options);
    EXPECT_EQ(result.status, 2) << name << ": " << result.err;
    const std::string& named = options.empty() ? name : options.back();
    EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(folder / name)) << name;
  }

  // Several inputs need a folder.
  writeAudio(folder / "second.wav", testSignal(44100, 1, 0.1));
  const std::string two[] = {in.string(), (folder / "second.wav").string()};
  const auto intoFile = runDrollicant({"render", two[0], two[1], "-o", (folder / "both.wav").string()});
  EXPECT_EQ(intoFile.status, 2) << intoFile.err;
  EXPECT_NE(intoFile.err.find("folder"), std::string::npos) << intoFile.err;
  EXPECT_FALSE(fs::exists(folder / "both.wav"));

  std::error_code ec;
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder.get(), ec)) left.push_back(entry.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"in.wav", "second.wav"}));
}

// The 32-bit float header is WAVE_FORMAT_IEEE_FLOAT with an 18-byte fmt chunk (sox warns
// about a 16-byte one); integers wider than 16 bits use WAVE_FORMAT_EXTENSIBLE. sox and
// libsndfile must read every encoding without a warning and agree on the samples.
TEST_F(OutputFileTest, WavHeadersReadCleanlyBySoxAndLibsndfile) {
  const std::vector<std::tuple<std::string, int, int>> encodings{
      {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32},    {"double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 64},
      {"pcm16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16},   {"pcm24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 24},
      {"pcm32", SF_FORMAT_WAVEX | SF_FORMAT_PCM_32, 32},
  };
  AudioData floats;
  for (const auto& [subtype, format, bits] : encodings) {
    const fs::path out = folder / (subtype + ".wav");
    ASSERT_EQ(render(out, {"--subtype", subtype}).status, 0) << subtype;
    const AudioData read = readAudio(out);
    EXPECT_EQ(std::tuple(read.format, read.channels, read.sampleRate), std::tuple(format, 2, 48000)) << subtype;
    if (subtype == "float") floats = read;
    ASSERT_EQ(read.samples.size(), floats.samples.size()) << subtype;
    const float step = bits >= 24 ? 1e-6f : 1e-4f;
    for (size_t i = 0; i < read.samples.size(); ++i)
      ASSERT_NEAR(read.samples[i], floats.samples[i], step) << subtype << " sample " << i;

    const auto info = runProcess({"soxi", out.string()});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.err, "") << subtype << ": sox complains about the header";
    EXPECT_NE(info.out.find(std::to_string(bits) + "-bit"), std::string::npos) << info.out;
    // sox's own reading of the samples, as raw 32-bit floats.
    const fs::path raw = folder / (subtype + ".f32");
    const auto converted = runProcess({"sox", out.string(), "-t", "f32", raw.string()});
    EXPECT_EQ(converted.err, "") << subtype;
    std::ifstream rawFile(raw, std::ios::binary);
    std::vector<float> soxSamples(read.samples.size() + 1);
    rawFile.read(reinterpret_cast<char*>(soxSamples.data()), std::streamsize(soxSamples.size() * sizeof(float)));
    ASSERT_EQ(size_t(rawFile.gcount()), read.samples.size() * sizeof(float)) << subtype;
    for (size_t i = 0; i < read.samples.size(); ++i)
      ASSERT_NEAR(soxSamples[i], read.samples[i], 1e-7f) << subtype << " sample " << i;
  }
}
