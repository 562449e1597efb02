// The drollicant command used as a user would: run as a separate process on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <tuple>

#include "cli/DemoClip.h"
#include "support/AudioFiles.h"
#include "support/DrollicantCommand.h"
#include "support/TemporaryDirectory.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class CommandTest : public ::testing::Test {
protected:
  fs::path file(const std::string& name) const { return folder / name; }

  // A short stereo float file at 48 kHz, the usual input of these tests.
  fs::path input(const std::string& name = "in.wav", int rate = 48000, int channels = 2,
                 int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT, double seconds = 0.25) const {
    const fs::path path = file(name);
    EXPECT_TRUE(writeAudio(path, testSignal(rate, channels, seconds, format)));
    return path;
  }

  // Renders `in` with `options`, expecting success; returns the output.
  AudioData render(const fs::path& in, std::vector<std::string> options, const std::string& outName) const {
    std::vector<std::string> args{"render", in.string(), "-o", file(outName).string()};
    args.insert(args.end(), options.begin(), options.end());
    const auto result = runDrollicant(args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "") << "quiet when standard error is not a terminal";
    return readAudio(file(outName));
  }

  TemporaryDirectory folder;
};

}  // namespace

TEST_F(CommandTest, RendersTheDemoClipWithNothingElseAtHand) {
  drollicant::cli::DemoClip clip;
  std::vector<float> l(size_t(clip.frameCount())), r(l.size()), dry;
  clip.read(l.data(), r.data(), clip.frameCount());
  for (size_t i = 0; i < l.size(); ++i) dry.insert(dry.end(), {l[i], r[i]});

  const auto result = runDrollicant({"render", "-o", file("demo.wav").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const AudioData wet = readAudio(file("demo.wav"));
  EXPECT_EQ(wet.sampleRate, 48000);
  ASSERT_EQ(wet.samples.size(), dry.size());
  double difference = 0.0;
  for (size_t i = 0; i < dry.size(); ++i) {
    ASSERT_TRUE(std::isfinite(wet.samples[i]));
    difference += std::fabs(wet.samples[i] - dry[i]);
  }
  EXPECT_GT(difference / double(dry.size()), 1e-3) << "the effect should be audible";

  // Bypassed, the unit hands the clip back untouched.
  ASSERT_EQ(runDrollicant({"render", "--bypass", "-o", file("dry.wav").string()}).status, 0);
  EXPECT_EQ(readAudio(file("dry.wav")).samples, dry);

  // A folder as output gets the demo under its usual name.
  fs::create_directory(file("out"));
  ASSERT_EQ(runDrollicant({"render", "-o", file("out").string()}).status, 0);
  EXPECT_TRUE(fs::exists(file("out") / "drollicant-demo.wav"));
}

TEST_F(CommandTest, MonoIsRenderedAsTwoEqualChannels) {
  const AudioData mono = testSignal(48000, 1, 0.2);
  AudioData doubled{48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, {}};
  for (float s : mono.samples) doubled.samples.insert(doubled.samples.end(), {s, s});
  writeAudio(file("mono.wav"), mono);
  writeAudio(file("doubled.wav"), doubled);
  EXPECT_EQ(render(file("mono.wav"), {}, "mono-out.wav").samples,
            render(file("doubled.wav"), {}, "doubled-out.wav").samples);
}

// An offline bounce sounds like the live mix: neither the block size nor the buffer
// layout changes a sample, even for a deep, fast sweep and blocks far longer than it.
TEST_F(CommandTest, EveryBlockSizeAndLayoutRendersTheSame) {
  // Longer than the stretch the command reads and writes at a time, with and without
  // the tail, so that the stretches' seams fall inside blocks of odd sizes.
  const fs::path in = input("in.wav", 48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.75);
  const std::vector<std::string> sweep = {"--set", "charisma=0", "--set", "naivete=1"};
  auto with = [&](std::vector<std::string> more) {
    more.insert(more.end(), sweep.begin(), sweep.end());
    return more;
  };
  const auto reference = render(in, with({"--block", "256"}), "n.wav").samples;
  EXPECT_EQ(render(in, with({"--interleaved", "--block", "256"}), "i.wav").samples, reference);
  for (const char* block : {"1", "37", "262144"})
    EXPECT_EQ(render(in, with({"--block", block}), std::string("b") + block + ".wav").samples, reference)
        << "--block " << block;
  const auto ringing = render(in, with({"--tail", "--block", "256"}), "t.wav").samples;
  EXPECT_GT(ringing.size(), reference.size());
  EXPECT_EQ(render(in, with({"--tail", "--block", "37"}), "t37.wav").samples, ringing);
}

TEST_F(CommandTest, SelectsPresetsByNumberOrName) {
  const auto listed = runDrollicant({"presets"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const auto names = presetNames();
  ASSERT_GE(names.size(), 3u);
  std::string numbered;
  for (size_t i = 0; i < names.size(); ++i) numbered += std::to_string(i) + "\t" + names[i] + "\n";
  EXPECT_EQ(listed.out, numbered);
  EXPECT_EQ(runDrollicant({"presets", "--bundle", DROLLICANT_BUNDLE}).out, listed.out);

  const fs::path in = input();
  const std::string& name = names[2];
  const AudioData byNumber = render(in, {"--preset", "2"}, "n.wav");
  EXPECT_EQ(render(in, {"--preset", name}, "name.wav").samples, byNumber.samples);
  std::string shouted = name;
  for (auto& ch : shouted) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  EXPECT_EQ(render(in, {"--preset", shouted}, "shouted.wav").samples, byNumber.samples);
  EXPECT_NE(render(in, {}, "default.wav").samples, byNumber.samples);
  EXPECT_EQ(render(in, {"--preset", "0"}, "zero.wav").samples, render(in, {}, "none.wav").samples)
      << "a new unit starts at preset 0";
}

TEST_F(CommandTest, EveryParameterCanBeSetAndTheStateShowsIt) {
  const fs::path in = input("in.wav", 48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.15);
  const auto base = unitValues({});
  ASSERT_EQ(base.size(), kParameterSymbols.size());
  const AudioData plain = render(in, {}, "plain.wav");
  for (const auto& id : kParameterSymbols) {
    // A value far from the current one: switches flip, knobs move by at least 0.4.
    const bool isSwitch = id == "flighty" || id == "genteel";
    const float value = base.at(id) < 0.5f ? (isSwitch ? 1.0f : 0.95f) : (isSwitch ? 0.0f : 0.05f);
    const std::string setting = id + "=" + std::to_string(value);
    EXPECT_FLOAT_EQ(unitValues({"--set", setting}).at(id), value) << id;
    EXPECT_NE(render(in, {"--set", setting}, id + ".wav").samples, plain.samples) << id << " had no audible effect";
  }

  // A saved state restores exactly what was saved.
  ASSERT_EQ(
      runDrollicant({"state", "--preset", "3", "--set", "whimsy=0.2", "-o", file("mine.aupreset").string()}).status, 0);
  EXPECT_EQ(render(in, {"--state", file("mine.aupreset").string()}, "restored.wav").samples,
            render(in, {"--preset", "3", "--set", "whimsy=0.2"}, "direct.wav").samples);

  // --set wins over --state, which wins over --preset.
  EXPECT_FLOAT_EQ(
      unitValues({"--preset", "1", "--state", file("mine.aupreset").string(), "--set", "whimsy=0.7"}).at("whimsy"),
      0.7f);
}

TEST_F(CommandTest, RefusesBadInputClearlyAndLeavesNothingHalfWritten) {
  const fs::path good = input();
  const fs::path out = file("out.wav");
  std::ofstream(out) << "precious";
  auto expectFailure = [&](std::vector<std::string> args, int status, const std::string& mentioned) {
    const auto result = runDrollicant(args);
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_NE(result.err.find(mentioned), std::string::npos) << "'" << result.err << "' should mention " << mentioned;
  };
  expectFailure({"render", file("missing.wav").string(), "-o", out.string()}, 1, "missing.wav");
  std::ofstream(file("notes.wav")) << "these are not samples";
  expectFailure({"render", file("notes.wav").string(), "-o", out.string()}, 1, "notes.wav");
  writeAudio(file("six.wav"), testSignal(48000, 6, 0.05, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
  expectFailure({"render", file("six.wav").string(), "-o", out.string()}, 1, "6 channels");
  expectFailure({"render", good.string(), "-o", out.string(), "--set", "glee=0.5"}, 2, "glee");
  expectFailure({"render", good.string(), "-o", out.string(), "--set", "whimsy=lots"}, 2, "lots");
  expectFailure({"render", good.string(), "-o", out.string(), "--set", "whimsy=1.5"}, 2, "whimsy");
  expectFailure({"render", good.string(), "-o", out.string(), "--block", "0"}, 2, "--block");
  expectFailure({"render", good.string(), "-o", out.string(), "--preset", "99"}, 2, "99");
  expectFailure({"render", good.string()}, 2, "-o");
  expectFailure({"render", good.string(), "-o", out.string(), "--volume"}, 2, "--volume");
  expectFailure({"render", good.string(), "-o", file("no/such/folder/x.wav").string()}, 1, "no/such/folder/x.wav");
  expectFailure({"render", good.string(), "-o", out.string(), "--state", file("missing.aupreset").string()}, 1,
                "missing.aupreset");
  expectFailure({"render", good.string(), "-o", out.string(), "--state", file("notes.wav").string()}, 1, "notes.wav");
  expectFailure({"frobnicate"}, 2, "frobnicate");

  fs::create_directory(file("locked"));
  chmod(file("locked").c_str(), 0555);
  if (access(file("locked").c_str(), W_OK) != 0)  // root may write anywhere
    expectFailure({"render", good.string(), "-o", (file("locked") / "x.wav").string()}, 1, "locked/x.wav");
  chmod(file("locked").c_str(), 0755);

  std::string content;
  std::ifstream(out) >> content;
  EXPECT_EQ(content, "precious") << "a failed render must not touch an existing output";
  for (const auto& entry : fs::recursive_directory_iterator(folder.get()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

// Each output keeps its input's rate and length, whatever the input's encoding, and
// equals the file rendered on its own.
TEST_F(CommandTest, RendersManyFilesIntoAFolder) {
  const std::map<std::string, int> rates{{"a", 44100}, {"b", 48000}, {"c", 96000}};
  const fs::path a = input("a.wav", 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.2);
  const fs::path b = input("b.wav", 48000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.2);
  const fs::path c = input("c.wav", 96000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.2);
  const auto result =
      runDrollicant({"render", a.string(), b.string(), c.string(), "-j", "2", "-o", file("wet").string() + "/"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const auto& [name, rate] : rates) {
    const AudioData batch = readAudio(file("wet") / (name + ".wav"));
    EXPECT_EQ(std::tuple(batch.sampleRate, batch.channels, batch.format, batch.frames()),
              std::tuple(rate, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, int64_t(rate / 5)))
        << name;
    EXPECT_EQ(batch.samples, render(file(name + ".wav"), {}, name + "-single.wav").samples) << name;
  }
}

TEST_F(CommandTest, TailAddsTheEffectsRingOut) {
  const fs::path in = input();
  std::vector<std::string> ringing{"--set", "charisma=1", "--set", "nostalgia=0.95"};
  const auto info = runDrollicant({"info", "--set", "charisma=1", "--set", "nostalgia=0.95"});
  ASSERT_EQ(info.status, 0);
  const auto at = info.out.find("tail time:");
  ASSERT_NE(at, std::string::npos) << info.out;
  const double tail = std::stod(info.out.substr(at + 10));
  ASSERT_GT(tail, 0.1);

  ringing.push_back("--tail");
  const int64_t expected = readAudio(in).frames() + int64_t(std::ceil(std::min(tail, 30.0) * 48000));
  EXPECT_NEAR(double(render(in, ringing, "tail.wav").frames()), double(expected), 48.0)
      << "info rounds the tail to milliseconds";
  EXPECT_EQ(render(in, {"--tail", "--bypass"}, "bypass-tail.wav").frames(), readAudio(in).frames());
}

TEST_F(CommandTest, HelpSucceedsAndNoCommandIsAnError) {
  for (const char* command : {"render", "presets", "state", "info"})
    EXPECT_EQ(runDrollicant({command, "--help"}).status, 0) << command;
  EXPECT_EQ(runDrollicant({"--help"}).status, 0);
  EXPECT_EQ(runDrollicant({}).status, 2);
}
