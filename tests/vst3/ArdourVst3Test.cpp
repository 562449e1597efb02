#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/TemporaryDirectory.h"

namespace {
using testing_support::ProcessResult;
using testing_support::runProcess;
namespace fs = std::filesystem;

constexpr const char* kArdourLua = "/usr/bin/ardour7-lua";
constexpr const char* kArdourLibraries = "/usr/lib/ardour7";
constexpr const char* kScanner = "/usr/lib/ardour7/ardour-vst3-scanner";

// Ardour 7 headless with a home of its own whose ~/.vst3 holds only the built bundle.
// Headless Ardour reads VST3 plug-ins from its scanner's cache only, and drops a cached
// plug-in whose module is newer than its cache entry, so the scanner runs first.
class ArdourVst3 : public ::testing::Test {
protected:
  void SetUp() override {
    if (!fs::exists(kArdourLua) || !fs::exists(kScanner)) GTEST_SKIP() << "Ardour 7 is not installed";
    fs::create_directories(home / ".vst3");
    fs::create_directories(home / "lv2");
    fs::create_directory_symlink(DROLLICANT_VST3_BUNDLE, home / ".vst3" / "Drollicant.vst3");
    auto scan = environment();
    scan.push_back(std::string("LD_LIBRARY_PATH=") + kArdourLibraries);
    const auto result = runProcess({kScanner, "-f", (home / ".vst3" / "Drollicant.vst3").string()}, scan);
    ASSERT_EQ(result.status, 0) << result.out << result.err;
  }

  std::vector<std::string> environment() const {
    const std::string h = home.get().string();
    return {"HOME=" + h, "XDG_CONFIG_HOME=" + h + "/config", "XDG_CACHE_HOME=" + h + "/cache",
            "LV2_PATH=" + h + "/lv2"};
  }

  // Runs `script` in its own interpreter; 7.3 sometimes aborts around session work with
  // or without plug-ins, so a run that dies before its last line is tried again.
  std::string run(const std::string& script) {
    const fs::path file = home / "script.lua";
    std::ofstream(file) << "io.stdout:setvbuf('no')\n"
                        << "AudioEngine:set_backend('None (Dummy)', '', '')\nAudioEngine:start(false)\n"
                        << script << "\nprint('done')\n";
    ProcessResult result;
    for (int attempt = 0; attempt < 3; ++attempt) {
      result = runProcess({"timeout", "240", kArdourLua, file.string()}, environment());
      if (result.out.find("\ndone\n") != std::string::npos) return result.out;
    }
    ADD_FAILURE() << "ardour7-lua did not finish:\n" << result.out << result.err;
    return result.out;
  }

  // Lines "<tag> <index> <value>" of a run, by index.
  static std::map<int, double> values(const std::string& out, const std::string& tag) {
    std::map<int, double> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string word;
      int index = 0;
      double value = 0;
      if (words >> word && word == tag && words >> index >> value) found[index] = value;
    }
    return found;
  }

  testing_support::TemporaryDirectory home;
};

TEST_F(ArdourVst3, PresetAndParametersSurviveSavingAndReopening) {
  const std::string session = (home / "session").string();
  const std::string first = run(R"(
local s = create_session(')" + session +
                                R"(', 'session', 48000)
local track = Session:new_audio_track(2, 2, nil, 1, 'FX', ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front()
local proc = ARDOUR.LuaAPI.new_plugin(Session, 'Drollicant', ARDOUR.PluginType.VST3, '')
assert(not proc:isnil(), 'plug-in not found')
track:add_processor_by_index(proc, 0, nil, true)
local plugin = proc:to_insert():plugin(0)
for i = 0, plugin:parameter_count() - 1 do print('new', i, ARDOUR.LuaAPI.get_processor_param(proc, i)) end
for _, name in ipairs({'Drollicant', 'Gentle Chorus', 'Tape Memories', 'Dark Echoes'}) do
  local p = plugin:preset_by_label(name)
  if p and p.valid then print('preset', p.label) end
end
plugin:load_preset(plugin:preset_by_label('Tape Memories'))
ARDOUR.LuaAPI.wait_for_process_callback(20, 2000)
for i = 0, plugin:parameter_count() - 1 do print('preset-values', i, ARDOUR.LuaAPI.get_processor_param(proc, i)) end
ARDOUR.LuaAPI.set_processor_param(proc, 5, 0.3125)
ARDOUR.LuaAPI.set_processor_param(proc, 6, 1)
ARDOUR.LuaAPI.wait_for_process_callback(20, 2000)
for i = 0, plugin:parameter_count() - 1 do print('saved', i, ARDOUR.LuaAPI.get_processor_param(proc, i)) end
Session:save_state('', false, false, false)
close_session()
)");
  for (const char* name : {"Drollicant", "Gentle Chorus", "Tape Memories", "Dark Echoes"})
    EXPECT_NE(first.find(std::string("preset ") + name), std::string::npos) << name << "\n" << first;
  const auto fresh = values(first, "new"), preset = values(first, "preset-values"), saved = values(first, "saved");
  ASSERT_EQ(saved.size(), 9u) << first;  // eight parameters and the bypass
  EXPECT_NE(preset.at(0), fresh.at(0)) << "the preset changed nothing Ardour can see";
  EXPECT_EQ(saved.at(0), preset.at(0));
  EXPECT_EQ(saved.at(5), 0.3125);
  EXPECT_EQ(saved.at(6), 1.0);

  const std::string second = run(R"(
local s = load_session(')" + session +
                                 R"(', 'session')
local proc = Session:route_by_name('FX'):nth_plugin(0)
local plugin = proc:to_insert():plugin(0)
ARDOUR.LuaAPI.wait_for_process_callback(20, 2000)
for i = 0, plugin:parameter_count() - 1 do print('reopened', i, ARDOUR.LuaAPI.get_processor_param(proc, i)) end
print('last-preset', plugin:last_preset().label)
close_session()
)");
  EXPECT_EQ(values(second, "reopened"), saved) << second;
  EXPECT_NE(second.find("last-preset Tape Memories"), std::string::npos) << second;
}

}  // namespace
