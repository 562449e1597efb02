// The LV2 plug-in in Ardour 7, run headless by ardour7-lua on its dummy backend: a
// session is made, saved, reopened and exported, and the export is compared with the
// command's render of the same audio. Built a second time for the VST3 plug-in
// (DROLLICANT_ARDOUR_VST3): the same session, the same expectations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "LV2Bundle.h"
#include "support/AudioFiles.h"
#include "support/DrollicantCommand.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

#ifdef DROLLICANT_ARDOUR_VST3
constexpr const char* kPluginType = "VST3";
constexpr const char* kPluginId = "Drollicant";
// The host's switch after the parameters: VST3's bypass, off.
constexpr float kHostSwitchValue = 0.0f;
#else
constexpr const char* kPluginType = "LV2";
constexpr const char* kPluginId = kPluginURI;
// The host's switch after the parameters: LV2's enable, on.
constexpr float kHostSwitchValue = 1.0f;
#endif
constexpr int kSampleRate = 48000;
constexpr const char* kPreset = "Wide Flanger";
// Control inputs as Ardour counts them: the parameters, then the enable switch.
constexpr int kControls = 9;
constexpr int kEnabledControl = 8;
// A float WAV export, so the file holds the plug-in's output unrounded.
constexpr const char* kExportPresetId = "5f2b4d62-9a1e-4c4e-8a52-64726f6c6c69";
constexpr const char* kExportPreset = R"(<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="5f2b4d62-9a1e-4c4e-8a52-64726f6c6c69" name="Float WAV">
  <ExportFormat id="20b4ab09-6452-4cb3-bd66-b921cdbd2942"/>
  <ExportFilename>
    <Folder relative="1" path="export"/>
    <Field name="label" enabled="1"/>
    <Field name="session" enabled="0"/>
    <Field name="snapshot" enabled="0"/>
    <Field name="timespan" enabled="0"/>
    <Field name="revision" enabled="0"/>
    <Field name="time" enabled="0" value="T_None"/>
    <Field name="date" enabled="0" value="D_None"/>
  </ExportFilename>
</ExportPreset>
)";
// The export of a session starts after Ardour has run its plug-ins on silence for a
// while (its export pre-roll, rounded up to whole engine cycles and then some): the
// search for that stops here.
constexpr int kMostPrerollCycles = 200;

// "KEY rest of line" lines of a script's output.
std::multimap<std::string, std::string> reported(const std::string& out) {
  std::multimap<std::string, std::string> lines;
  std::istringstream text(out);
  for (std::string line; std::getline(text, line);)
    if (const auto space = line.find(' '); space != std::string::npos)
      lines.emplace(line.substr(0, space), line.substr(space + 1));
  return lines;
}

AudioData channel(const AudioData& stereo, int c) {
  AudioData mono{stereo.sampleRate, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, {}};
  for (int64_t i = 0; i < stereo.frames(); ++i) mono.samples.push_back(stereo.at(i, c));
  return mono;
}

AudioData withSilenceBefore(const AudioData& audio, int64_t frames) {
  AudioData padded = audio;
  padded.samples.insert(padded.samples.begin(), size_t(frames * audio.channels), 0.0f);
  return padded;
}

// The largest difference between `a` and the frames of `b` from `offset` on.
float largestDifference(const AudioData& a, const AudioData& b, int64_t offset) {
  if (b.frames() < offset + a.frames()) return INFINITY;
  float largest = 0.0f;
  for (size_t i = 0; i < a.samples.size(); ++i)
    largest = std::max(largest, std::abs(a.samples[i] - b.samples[size_t(offset * b.channels) + i]));
  return largest;
}

class ArdourSession : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(home / ".config/ardour7/export");
    std::ofstream(home / ".config/ardour7/export/float.preset") << kExportPreset;
    fs::create_directories(plugins);
#ifdef DROLLICANT_ARDOUR_VST3
    // Headless Ardour takes VST3 plug-ins from its scanner's cache only, and drops one
    // whose module is newer than its entry: scan first.
    fs::create_directories(home / ".vst3");
    fs::create_directory_symlink(DROLLICANT_VST3_BUNDLE, home / ".vst3" / "Drollicant.vst3");
    auto scan = environment();
    scan.push_back("LD_LIBRARY_PATH=/usr/lib/ardour7");
    const auto scanned =
        runProcess({"/usr/lib/ardour7/ardour-vst3-scanner", "-f", (home / ".vst3" / "Drollicant.vst3").string()}, scan);
    ASSERT_EQ(scanned.status, 0) << scanned.out << scanned.err;
#else
    fs::create_directory_symlink(DROLLICANT_BUNDLE, plugins / "drollicant.lv2");
#endif
  }

  std::vector<std::string> environment() const {
    return {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
            "XDG_CACHE_HOME=" + (home / ".cache").string(), "LV2_PATH=" + plugins.string(),
            std::string("DROLLICANT_PLUGIN_TYPE=") + kPluginType};
  }

  // Ardour 7.3's Lua session now and then dies in glibc (with or without any plug-in):
  // a run that does not end cleanly is tried again, after removing what it left in
  // `fresh` (Ardour refuses to create a session over an existing one).
  ProcessResult ardour(const char* script, const std::vector<std::string>& args, const fs::path& fresh = {}) {
    std::vector<std::string> command{"ardour7-lua", std::string(DROLLICANT_ARDOUR_SCRIPTS) + "/" + script};
    command.insert(command.end(), args.begin(), args.end());
    ProcessResult result;
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!fresh.empty()) fs::remove_all(fresh);
      result = runProcess(command, environment());
      if (result.status == 0) break;
    }
    return result;
  }

  AudioData render(const AudioData& input, int block, const std::vector<std::string>& settings) {
    EXPECT_TRUE(writeAudio(folder / "render-in.wav", input));
    std::vector<std::string> args{"render",  (folder / "render-in.wav").string(),
                                  "-o",      (folder / "render-out.wav").string(),
                                  "--block", std::to_string(block)};
    args.insert(args.end(), settings.begin(), settings.end());
    const auto result = runDrollicant(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return readAudio(folder / "render-out.wav");
  }

  TemporaryDirectory folder;
  fs::path home = folder / "home";
  fs::path plugins = folder / "lv2";
  fs::path session = folder / "session";
};

}  // namespace

// One session through its whole life: the maker shows, a factory preset and two
// controls set before saving come back after reopening, and the export is the command's
// render of the same audio after Ardour's pre-roll of silence.
TEST_F(ArdourSession, PresetAndControlsSurviveReopeningAndTheExportIsTheCommandsRender) {
  const AudioData input = testSignal(kSampleRate, 2, 2.0);
  const std::string frames = std::to_string(input.frames());
  // whimsy (control 5) and genteel (control 7) over the preset's values.
  const auto created = ardour(
      "create-session.lua",
      {session.string(), "take", std::to_string(kSampleRate), frames, kPluginId, kPreset, "5=0.8", "7=1"}, session);
  ASSERT_EQ(created.status, 0) << created.out << created.err;
  const auto facts = reported(created.out);
  ASSERT_EQ(facts.count("MAKER"), 1u) << created.out;
  EXPECT_EQ(facts.find("MAKER")->second, "Drollicant");
  ASSERT_EQ(facts.count("SOURCE"), 2u) << created.out;
  int c = 0;
  for (auto [it, end] = facts.equal_range("SOURCE"); it != end; ++it, ++c)
    ASSERT_TRUE(writeAudio(it->second, channel(input, c))) << it->second;

  const auto exported = ardour(
      "export-session.lua",
      {session.string(), "take", frames, std::to_string(kControls), kExportPresetId, (folder / "export").string()},
      folder / "export");
  ASSERT_EQ(exported.status, 0) << exported.out << exported.err;
  const auto restored = reported(exported.out);
  const std::vector<std::string> settings{"--preset", kPreset, "--set", "whimsy=0.8", "--set", "genteel=1"};
  const auto expected = unitValues(settings);
  std::map<int, float> controls;
  for (auto [it, end] = restored.equal_range("PARAM"); it != end; ++it) {
    std::istringstream words(it->second);
    int index = 0;
    float value = 0.0f;
    words >> index >> value;
    controls[index] = value;
  }
  ASSERT_EQ(controls.size(), size_t(kControls)) << exported.out;
  for (int i = 0; i < int(kParameterSymbols.size()); ++i)
    EXPECT_FLOAT_EQ(controls[i], expected.at(kParameterSymbols[size_t(i)])) << kParameterSymbols[size_t(i)];
  EXPECT_EQ(controls[kEnabledControl], kHostSwitchValue);

  const AudioData wet = readAudio(folder / "export" / "export.wav");
  ASSERT_EQ(wet.channels, 2);
  ASSERT_EQ(wet.frames(), input.frames());
  ASSERT_TRUE(restored.count("CYCLE") && restored.count("PREROLL")) << exported.out;
  const int cycle = std::stoi(restored.find("CYCLE")->second);

  // The pre-roll moves the effect's oscillators, so find how many cycles of silence the
  // plug-in ran before the audio: the command renders the same silence first. The search
  // starts at Ardour's export pre-roll setting and spreads out from there.
  const double prerollSeconds = std::stod(restored.find("PREROLL")->second);
  const int likelyCycles = int(std::ceil(prerollSeconds * kSampleRate / cycle));
  AudioData head = input;
  head.samples.resize(size_t(std::min<int64_t>(input.frames(), 4 * cycle) * input.channels));
  AudioData wetHead = wet;
  wetHead.samples.resize(head.samples.size());
  float best = INFINITY;
  int prerollCycles = -1;
  for (int step = 0; step <= 2 * kMostPrerollCycles && best > 0.0f; ++step) {
    const int cycles = likelyCycles + (step % 2 ? (step + 1) / 2 : -step / 2);
    if (cycles < 0 || cycles > kMostPrerollCycles) continue;
    const int64_t silence = int64_t(cycles) * cycle;
    const float difference =
        largestDifference(wetHead, render(withSilenceBefore(head, silence), cycle, settings), silence);
    if (difference < best) best = difference, prerollCycles = cycles;
  }
  ASSERT_GE(prerollCycles, 0);
  const int64_t preroll = int64_t(prerollCycles) * cycle;
  const float difference = largestDifference(wet, render(withSilenceBefore(input, preroll), cycle, settings), preroll);
  std::printf("Ardour ran %d cycles of %d frames (%lld frames) before the audio; largest difference %g\n",
              prerollCycles, cycle, static_cast<long long>(preroll), double(difference));
  RecordProperty("preroll_frames", std::to_string(preroll));
  RecordProperty("largest_difference", std::to_string(difference));
  // Same kernel, same block size, same settings, same silence first: the same floats.
  EXPECT_EQ(difference, 0.0f);
}
