#include <gtest/gtest.h>
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
#include "support/TemporaryDirectory.h"

namespace fs = std::filesystem;
using namespace drollicant::cli;
using testing_support::TemporaryDirectory;

namespace {

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
  auto args = parse(
      {"a.wav", "-o", "x.wav", "--set", "charisma=1", "--set=whimsy=0", "-oy.wav", "--bypass", "--", "--not-an-option"},
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
  TemporaryDirectory folder;
  const fs::path target = folder / "out.txt";
  std::string error;
  {
    auto file = AtomicOutputFile::create(target, error);
    ASSERT_TRUE(file) << error;
    ASSERT_TRUE(file->writeText("abandoned", error));
    EXPECT_FALSE(fs::exists(target));
  }
  EXPECT_TRUE(fs::is_empty(folder.get())) << "an abandoned temporary file must be removed";

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
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.get()), fs::directory_iterator()), 1);
  EXPECT_NE(fs::status(target).permissions() & fs::perms::owner_read, fs::perms::none);
  EXPECT_FALSE(AtomicOutputFile::create(folder.get(), error));
}

TEST(AudioFiles, IntegerOutputClipsInsteadOfWrapping) {
  TemporaryDirectory folder;
  std::string error;
  const fs::path path = folder / "loud.wav";
  auto writer = AudioFileWriter::open(path, "loud.wav", *OutputFormat::choose(path, "pcm16", error), 48000, error);
  ASSERT_TRUE(writer) << error;
  const std::array<float, 3> l{1.5f, -1.5f, 0.5f}, r{0.0f, 2.0f, -0.25f};
  ASSERT_TRUE(writer->write(l.data(), r.data(), 3, error));
  ASSERT_TRUE(writer->close(error)) << error;
  auto reader = AudioFileReader::open(path, error);
  ASSERT_TRUE(reader);
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
  std::vector<float> l(static_cast<size_t>(n)), r(static_cast<size_t>(n));
  ASSERT_EQ(clip.read(l.data(), r.data(), n + 10), n);
  float peak = 0.0f;
  double difference = 0.0, energy = 0.0;
  for (size_t i = 0; i < size_t(n); ++i) {
    peak = std::max({peak, std::fabs(l[i]), std::fabs(r[i])});
    difference += std::fabs(l[i] - r[i]);
    energy += double(l[i]) * l[i];
  }
  EXPECT_FLOAT_EQ(peak, 0.5f);
  EXPECT_GT(difference / double(n), 1e-3) << "the two channels should differ";
  EXPECT_GT(std::sqrt(energy / double(n)), 0.03) << "the clip should not be mostly silence";
  EXPECT_EQ(l.front(), 0.0f);
  EXPECT_LT(std::fabs(l.back()), 1e-3f) << "fades out without a click";
}
