#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "cli/Arguments.h"
#include "cli/AtomicOutputFile.h"
#include "cli/AudioFileReader.h"
#include "cli/AudioFileWriter.h"
#include "cli/DemoClip.h"
#include "cli/OutputFormat.h"

namespace fs = std::filesystem;
using namespace drollicant::cli;

namespace {

class TemporaryFolder {
public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "drollicant-cli-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TemporaryFolder() { fs::remove_all(path); }
  fs::path path;
};

std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

void writeFile(const fs::path& path, int channels, int format, const std::vector<float>& interleaved) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  sf_writef_float(f, interleaved.data(), sf_count_t(interleaved.size() / size_t(channels)));
  sf_close(f);
}

constexpr std::array kOptionTable{
    Option{"output", 'o', "FILE", "where to write"},
    Option{"set", 0, "NAME=VALUE", "set a parameter"},
    Option{"bypass", 0, "", "leave the audio untouched"},
};

std::optional<Arguments> parse(std::vector<std::string> words, std::string& error) {
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  return Arguments::parse(kOptionTable, argv, error);
}

}  // namespace

TEST(Arguments, AcceptsEveryWayOfGivingAnOption) {
  std::string error;
  auto args = parse({"a.wav", "-o", "x.wav", "--set", "charisma=1", "--set=whimsy=0", "-oy.wav", "--bypass", "--",
                     "--not-an-option"},
                    error);
  ASSERT_TRUE(args) << error;
  EXPECT_EQ(args->value("output"), "y.wav");
  EXPECT_EQ(args->values("set"), (std::vector<std::string>{"charisma=1", "whimsy=0"}));
  EXPECT_TRUE(args->has("bypass"));
  EXPECT_EQ(args->operands(), (std::vector<std::string>{"a.wav", "--not-an-option"}));
}

TEST(Arguments, RefusesWhatItDoesNotKnow) {
  std::string error;
  EXPECT_FALSE(parse({"--colour"}, error));
  EXPECT_NE(error.find("--colour"), std::string::npos);
  EXPECT_FALSE(parse({"-x"}, error));
  EXPECT_FALSE(parse({"-o"}, error));
  EXPECT_NE(error.find("needs a value"), std::string::npos);
  EXPECT_FALSE(parse({"--bypass=yes"}, error));
}

TEST(Arguments, NumbersMustBeWholeAndFinite) {
  EXPECT_EQ(parseNumber("0.25"), 0.25);
  EXPECT_EQ(parseNumber("1e-1"), 0.1);
  for (const char* bad : {"", " 1", "1x", "abc", "nan", "inf", "1e999"}) EXPECT_FALSE(parseNumber(bad)) << bad;
  EXPECT_EQ(parseInteger("512"), 512);
  for (const char* bad : {"", "5.5", "12a", "99999999999999999999999"}) EXPECT_FALSE(parseInteger(bad)) << bad;
}

TEST(AtomicOutputFile, AppearsOnlyWhenCommitted) {
  TemporaryFolder folder;
  const fs::path target = folder.path / "out.txt";
  std::string error;
  {
    auto file = AtomicOutputFile::create(target, error);
    ASSERT_TRUE(file) << error;
    ASSERT_TRUE(file->writeText("abandoned", error));
    EXPECT_FALSE(fs::exists(target));
  }
  EXPECT_TRUE(filesIn(folder.path).empty()) << "an abandoned temporary file must be removed";

  std::ofstream(target) << "old";
  {
    auto file = AtomicOutputFile::create(target, error);
    ASSERT_TRUE(file->writeText("new", error));
    std::string before;
    std::ifstream(target) >> before;
    EXPECT_EQ(before, "old") << "the old file stays until the new one is complete";
    ASSERT_TRUE(file->commit(error)) << error;
  }
  std::string content;
  std::ifstream(target) >> content;
  EXPECT_EQ(content, "new");
  EXPECT_EQ(filesIn(folder.path), std::vector<std::string>{"out.txt"});
  EXPECT_NE(fs::status(target).permissions() & fs::perms::owner_read, fs::perms::none);

  EXPECT_FALSE(AtomicOutputFile::create(folder.path / "missing" / "x.wav", error));
  EXPECT_NE(error.find("missing/x.wav"), std::string::npos);
  EXPECT_FALSE(AtomicOutputFile::create(folder.path, error));
}

TEST(AudioFiles, MonoReadsAsTwoEqualChannelsAndWideFilesAreRefused) {
  TemporaryFolder folder;
  std::vector<float> mono(10000);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = float(std::sin(0.01 * double(i)));
  writeFile(folder.path / "mono.wav", 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, mono);
  std::string error;
  auto reader = AudioFileReader::open(folder.path / "mono.wav", error);
  ASSERT_TRUE(reader) << error;
  EXPECT_EQ(reader->frameCount(), 10000);
  std::vector<float> l(12000), r(12000);
  ASSERT_EQ(reader->read(l.data(), r.data(), 12000), 10000);
  for (size_t i = 0; i < mono.size(); ++i) {
    ASSERT_EQ(l[i], mono[i]);
    ASSERT_EQ(r[i], mono[i]);
  }
  EXPECT_EQ(reader->read(l.data(), r.data(), 100), 0);

  writeFile(folder.path / "six.wav", 6, SF_FORMAT_WAV | SF_FORMAT_PCM_16, std::vector<float>(600));
  EXPECT_FALSE(AudioFileReader::open(folder.path / "six.wav", error));
  EXPECT_NE(error.find("6 channels"), std::string::npos);
  std::ofstream(folder.path / "text.wav") << "not audio at all";
  EXPECT_FALSE(AudioFileReader::open(folder.path / "text.wav", error));
  EXPECT_NE(error.find("text.wav"), std::string::npos);
  EXPECT_FALSE(AudioFileReader::open(folder.path / "absent.wav", error));
  EXPECT_NE(error.find("no such file"), std::string::npos);
}

TEST(AudioFiles, IntegerOutputClipsInsteadOfWrapping) {
  TemporaryFolder folder;
  std::string error;
  const fs::path path = folder.path / "loud.wav";
  auto writer = AudioFileWriter::open(path, "loud.wav", *OutputFormat::choose(path, "pcm16", error), 48000, error);
  ASSERT_TRUE(writer) << error;
  const std::array<float, 3> l{1.5f, -1.5f, 0.5f}, r{0.0f, 2.0f, -0.25f};
  ASSERT_TRUE(writer->write(l.data(), r.data(), 3, error));
  ASSERT_TRUE(writer->close(error)) << error;
  auto reader = AudioFileReader::open(path, error);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->sampleRate(), 48000.0);
  std::array<float, 3> rl{}, rr{};
  ASSERT_EQ(reader->read(rl.data(), rr.data(), 3), 3);
  EXPECT_GT(rl[0], 0.99f);
  EXPECT_LT(rl[1], -0.99f);
  EXPECT_GT(rr[1], 0.99f);
  EXPECT_NEAR(rr[2], -0.25f, 1e-4f);
}

TEST(DemoClip, IsAFewSecondsOfWideMusicAtAFixedLevel) {
  DemoClip clip;
  const int64_t n = clip.frameCount();
  EXPECT_EQ(n, int64_t(DemoClip::kSeconds * DemoClip::kDefaultSampleRate));
  std::vector<float> l(static_cast<size_t>(n)), r(static_cast<size_t>(n));
  ASSERT_EQ(clip.read(l.data(), r.data(), n + 10), n);
  float peak = 0.0f;
  double difference = 0.0, energy = 0.0;
  for (size_t i = 0; i < size_t(n); ++i) {
    ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i]));
    peak = std::max({peak, std::fabs(l[i]), std::fabs(r[i])});
    difference += std::fabs(l[i] - r[i]);
    energy += double(l[i]) * l[i];
  }
  EXPECT_FLOAT_EQ(peak, 0.5f);
  EXPECT_GT(difference / double(n), 1e-3) << "the two channels should differ";
  EXPECT_GT(std::sqrt(energy / double(n)), 0.03) << "the clip should not be mostly silence";
  EXPECT_EQ(l.front(), 0.0f);
  EXPECT_LT(std::fabs(l.back()), 1e-3f) << "fades out without a click";

  DemoClip again;
  std::vector<float> l2(static_cast<size_t>(n)), r2(static_cast<size_t>(n));
  again.read(l2.data(), r2.data(), n);
  EXPECT_EQ(l, l2);
}
