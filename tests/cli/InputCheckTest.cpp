// Inputs a new user gets wrong, given to `drollicant` as separate processes: each
// gets a clear answer, and a failure is never reported as success.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>

#include "support/AudioFiles.h"
#include "support/DrollicantCommand.h"
#include "support/TemporaryDirectory.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// A saved state in XML with the given "drollicant_params" entry (raw plist XML).
std::string stateXml(const std::string& params, const std::string& name = "Mine") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
         "<key>name</key><string>" +
         name + "</string>" + (params.empty() ? "" : "<key>drollicant_params</key>" + params) + "</dict></plist>\n";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class InputCheckTest : public ::testing::Test {
protected:
  InputCheckTest() { writeAudio(in, testSignal(48000, 2, 0.1)); }

  fs::path state(const std::string& name, const std::string& params) const {
    writeFile(folder / name, stateXml(params));
    return folder / name;
  }

  TemporaryDirectory folder;
  const fs::path in = folder / "in.wav";
  const fs::path out = folder / "out.wav";
};

}  // namespace

// The unit drops every stored value when one is not a number; the command refuses such
// a file in every command that takes it, naming the file and the parameter.
TEST_F(InputCheckTest, StateFilesWithAValueThatIsNoNumberAreRefused) {
  const std::vector<std::tuple<std::string, std::string, std::string>> bad{
      {"string.aupreset", "<dict><key>charisma</key><real>0.3</real><key>whimsy</key><string>0.8</string></dict>",
       "whimsy"},
      {"date.aupreset", "<dict><key>nostalgia</key><date>2020-01-01T00:00:00Z</date></dict>", "nostalgia"},
      {"array.aupreset", "<dict><key>surprise</key><array><real>1</real></array></dict>", "surprise"},
      {"notadict.aupreset", "<array><real>0.2</real></array>", "drollicant_params"},
      {"missing.aupreset", "", "drollicant_params"},
  };
  for (const auto& [name, params, offender] : bad) {
    const std::string file = state(name, params).string();
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"render", in.string(), "-o", out.string()}, {"state", "-o", out.string()}, {"info"}}) {
      auto withState = args;
      withState.insert(withState.end(), {"--state", file});
      const auto result = runDrollicant(withState);
      EXPECT_EQ(result.status, 1) << args[0] << " " << name;
      EXPECT_TRUE(contains(result.err, file) && contains(result.err, offender)) << result.err;
      EXPECT_EQ(result.out, "") << args[0] << " " << name;
      EXPECT_FALSE(fs::exists(out)) << args[0] << " " << name;
    }
  }
}

// What the unit's rule takes stays accepted: some parameters only (the rest take their
// defaults), booleans and integers, and values outside 0 to 1, clamped with a word.
TEST_F(InputCheckTest, StateFilesTheUnitAcceptsStayAccepted) {
  const auto partial = state("partial.aupreset",
                             "<dict><key>charisma</key><real>2.5</real><key>flighty</key><true/>"
                             "<key>naivete</key><integer>0</integer><key>glee</key><real>1</real></dict>");
  const auto result = runDrollicant({"state", "--preset", "3", "--state", partial.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.err, "charisma") && contains(result.err, "clamped")) << result.err;
  EXPECT_TRUE(contains(result.err, "glee")) << "an unknown name is mentioned: " << result.err;
  const std::map<std::string, float> expected{{"charisma", 1.0f}, {"naivete", 0.0f},   {"nostalgia", 0.5f},
                                              {"surprise", 0.5f}, {"sweetness", 0.5f}, {"whimsy", 0.5f},
                                              {"flighty", 1.0f},  {"genteel", 0.0f}};
  EXPECT_EQ(unitValues({"--state", partial.string()}), expected);

  // The state's own name is what info shows and the next saved state carries.
  const auto info = runDrollicant({"info", "--state", partial.string()});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_TRUE(contains(info.out, "preset:     Mine")) << info.out;
  EXPECT_TRUE(contains(result.out, "<string>Mine</string>")) << result.out;

  const auto rendered = runDrollicant({"render", in.string(), "-o", out.string(), "--state", partial.string()});
  EXPECT_EQ(rendered.status, 0) << rendered.err;
  EXPECT_TRUE(fs::exists(out));
}

TEST_F(InputCheckTest, DamagedInputIsNamedAndCounted) {
  // Cut off: the header announces more frames than the file holds.
  const fs::path cut = folder / "cut.wav";
  ASSERT_TRUE(writeAudio(cut, testSignal(48000, 2, 0.5)));
  const auto fullFrames = readAudio(cut).frames();
  fs::resize_file(cut, fs::file_size(cut) - 8 * 10000);
  auto result = runDrollicant({"render", cut.string(), "-o", out.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.err, "cut.wav") && contains(result.err, "ended early") &&
              contains(result.err, std::to_string(fullFrames)) &&
              contains(result.err, std::to_string(fullFrames - 10000)))
      << result.err;
  EXPECT_EQ(readAudio(out).frames(), fullFrames - 10000);

  // Samples that are no numbers are rendered as silence, and counted.
  AudioData poisoned = testSignal(48000, 2, 0.1);
  for (size_t i = 0; i < 300; ++i) poisoned.samples[i * 7] = i % 2 ? std::numeric_limits<float>::quiet_NaN() : INFINITY;
  ASSERT_TRUE(writeAudio(folder / "nan.wav", poisoned));
  result = runDrollicant({"render", (folder / "nan.wav").string(), "-o", out.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.err, "nan.wav") && contains(result.err, "300 samples")) << result.err;
  for (float s : readAudio(out).samples) ASSERT_TRUE(std::isfinite(s));
  AudioData allNan = testSignal(48000, 1, 0.1);
  for (auto& s : allNan.samples) s = std::numeric_limits<float>::quiet_NaN();
  ASSERT_TRUE(writeAudio(folder / "allnan.wav", allNan));
  result = runDrollicant({"render", (folder / "allnan.wav").string(), "-o", out.string()});
  EXPECT_TRUE(contains(result.err, std::to_string(allNan.samples.size()) + " samples")) << result.err;

  // Nothing to read at all is an error, and leaves no output behind.
  fs::remove(out);
  writeFile(folder / "empty.wav", "");
  writeFile(folder / "text.flac", "fLaC but not really");
  for (const char* name : {"empty.wav", "text.flac"}) {
    result = runDrollicant({"render", (folder / name).string(), "-o", out.string()});
    EXPECT_EQ(result.status, 1) << name;
    EXPECT_TRUE(contains(result.err, name)) << result.err;
    EXPECT_FALSE(fs::exists(out)) << name;
  }
}

// A copy of the command far from any bundle cannot start at factory preset 0: it says
// so and where it looked, unless a saved state sets every parameter. A bundle given by
// name is taken as it is.
TEST_F(InputCheckTest, WithoutFactoryPresetsItSaysWhereItLookedAndRefuses) {
  for (const char* system : {"/usr/lib/lv2/drollicant.lv2", "/usr/local/lib/lv2/drollicant.lv2"})
    if (fs::exists(system)) GTEST_SKIP() << "a bundle is installed at " << system;
  const fs::path copy = folder / "bin" / "drollicant";
  fs::create_directories(copy.parent_path());
  fs::copy_file(DROLLICANT_COMMAND, copy);
  const std::vector<std::string> environment{"HOME=" + folder.get().string(), "LV2_PATH="};
  auto run = [&](std::vector<std::string> args) {
    const auto program = buildProgram(copy.string());
    args.insert(args.begin(), program.begin(), program.end());
    return runProcess(args, environment);
  };
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"render", in.string(), "-o", out.string()}, {"render", "-o", out.string()}, {"state"}, {"presets"}}) {
    const auto result = run(args);
    EXPECT_EQ(result.status, 1) << args[0];
    EXPECT_TRUE(contains(result.err, "looked in") && contains(result.err, (folder / ".lv2").string())) << result.err;
    EXPECT_FALSE(fs::exists(out));
  }
  const auto info = run({"info"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_TRUE(contains(info.out, "no factory presets")) << info.out;

  const auto full = state("full.aupreset", "<dict><key>whimsy</key><real>0.9</real></dict>");
  const auto withState = run({"render", in.string(), "-o", out.string(), "--state", full.string()});
  EXPECT_EQ(withState.status, 0) << withState.err;

  const fs::path emptyBundle = folder / "empty.lv2";
  fs::create_directories(emptyBundle / "Resources" / "presets");
  fs::copy_file(fs::path(DROLLICANT_BUNDLE) / "Info.plist", emptyBundle / "Info.plist");
  const std::function<ProcessResult(std::vector<std::string>)> commands[] = {run, runDrollicant};
  for (const auto& command : commands) {
    const auto result =
        command({"render", in.string(), "-o", (folder / "b.wav").string(), "--bundle", emptyBundle.string()});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_TRUE(contains(result.err, emptyBundle.string())) << result.err;
    EXPECT_FALSE(fs::exists(folder / "b.wav"));
  }
}

TEST_F(InputCheckTest, AnUnknownInstructionSetIsNamedWithTheAcceptedOnes) {
  auto info = buildProgram(DROLLICANT_COMMAND);
  info.push_back("info");
  const auto unknown = runProcess(info, {"DROLLICANT_ISA=avx9000"});
  EXPECT_EQ(unknown.status, 0);
#if defined(__x86_64__)
  EXPECT_TRUE(contains(unknown.err, "avx9000") && contains(unknown.err, "baseline, avx2, avx512")) << unknown.err;
#else
  EXPECT_TRUE(contains(unknown.err, "avx9000") && contains(unknown.err, "baseline")) << unknown.err;
#endif
  const auto known = runProcess(info, {"DROLLICANT_ISA=baseline"});
  EXPECT_EQ(known.err, "");
}
