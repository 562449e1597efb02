#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "AllocationCounter.h"
#include "clap/ClapTestHost.h"
#include "support/TemporaryDirectory.h"

namespace {
using testing_support::ClapTestHost;
using Events = std::vector<ClapTestHost::ParameterEvent>;

constexpr clap_id kBypass = 8;
constexpr clap_id kPreset = 9;
constexpr double kRate = 48000;
constexpr uint32_t kMaxFrames = 512;

struct TailExtension {
  uint32_t (*get)(const clap_plugin_t*);
};

std::vector<float> sine(uint32_t frames, float frequency) {
  std::vector<float> signal(frames);
  for (uint32_t i = 0; i < frames; ++i) signal[i] = 0.5f * std::sin(6.2831853f * frequency * float(i) / 48000);
  return signal;
}

// Each test runs in a process of its own (ctest), with its own cache folder for the
// bundle files the plug-in unpacks.
class DrollicantClap : public ::testing::Test {
protected:
  void SetUp() override { setenv("XDG_CACHE_HOME", cache.get().c_str(), 1); }

  std::unique_ptr<ClapTestHost> load(bool activate = true) {
    auto host = std::make_unique<ClapTestHost>(DROLLICANT_CLAP);
    EXPECT_TRUE(host->loaded());
    EXPECT_TRUE(host->create("org.drollicant.drollicant"));
    if (activate) {
      EXPECT_TRUE(host->activate(kRate, kMaxFrames));
    }
    return host;
  }

  static double value(const ClapTestHost& host, clap_id id) {
    double v = NAN;
    EXPECT_TRUE(host.parameterValue(id, &v)) << id;
    return v;
  }

  testing_support::TemporaryDirectory cache;
};

// What the CLAP glue adds to the unit's own parameters: ids, defaults and stepping as
// hosts read them, the host's bypass, the preset choice by number and name, and a tail.
TEST_F(DrollicantClap, DescribesItsPortsParametersPresetsAndTail) {
  auto host = load(false);
  ASSERT_EQ(host->descriptors().size(), 1u);
  const auto* ports = host->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  ASSERT_NE(ports, nullptr);
  for (bool input : {true, false}) {
    clap_audio_port_info_t info{};
    ASSERT_EQ(ports->count(host->plugin(), input), 1u);
    ASSERT_TRUE(ports->get(host->plugin(), 0, input, &info));
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_IS_MAIN);
  }

  const auto* params = host->extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
  ASSERT_NE(params, nullptr);
  ASSERT_EQ(params->count(host->plugin()), 10u);
  for (uint32_t i = 0; i < 10; ++i) {
    clap_param_info_t info{};
    ASSERT_TRUE(params->get_info(host->plugin(), i, &info));
    EXPECT_EQ(info.id, i);
    if (i < 8) {
      EXPECT_EQ(info.default_value, value(*host, i)) << "a new instance holds the defaults; " << i;
      EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
      EXPECT_EQ(bool(info.flags & CLAP_PARAM_IS_STEPPED), i >= 6) << i;
    }
    EXPECT_EQ(bool(info.flags & CLAP_PARAM_IS_BYPASS), i == kBypass) << i;
    if (i == kPreset) {
      EXPECT_EQ(info.max_value, 8.0) << "nine factory presets";
    }
  }
  char text[64];
  ASSERT_TRUE(params->value_to_text(host->plugin(), 0, 0.5, text, sizeof text));
  EXPECT_STREQ(text, "0.500") << "the unit's own display value";
  ASSERT_TRUE(params->value_to_text(host->plugin(), kPreset, 3, text, sizeof text));
  EXPECT_STREQ(text, "Tape Memories");
  double number = -1;
  ASSERT_TRUE(params->text_to_value(host->plugin(), kPreset, "Ring Bells", &number));
  EXPECT_EQ(number, 4.0);
  EXPECT_EQ(value(*host, kPreset), 0.0) << "a new instance starts with the first preset";

  // The feedback's echoes outlast the input: a host that stops at once cuts them off.
  const auto* tail = host->extension<TailExtension>("clap.tail");
  ASSERT_NE(tail, nullptr);
  ASSERT_TRUE(host->activate(kRate, kMaxFrames));
  EXPECT_GT(tail->get(host->plugin()), 0u);
}

TEST_F(DrollicantClap, ParameterEventsTakeEffectAtTheirFrames) {
  const auto left = sine(256, 220), right = sine(256, 330);
  // One block with changes at frames 100 and 200...
  auto timed = load();
  timed->process(left.data(), right.data(), 256, {{100, 0, 0.9}, {200, 5, 0.1}, {200, 6, 1.0}});
  // ...sounds as three blocks cut there, with the changes at their starts,
  auto cut = load();
  std::vector<float> expectedLeft, expectedRight;
  const std::vector<std::pair<uint32_t, Events>> pieces{
      {0, {}}, {100, {{0, 0, 0.9}}}, {200, {{0, 5, 0.1}, {0, 6, 1.0}}}};
  for (size_t p = 0; p < pieces.size(); ++p) {
    const uint32_t start = pieces[p].first, end = p + 1 < pieces.size() ? pieces[p + 1].first : 256;
    cut->process(left.data() + start, right.data() + start, end - start, pieces[p].second);
    expectedLeft.insert(expectedLeft.end(), cut->outputLeft().begin(), cut->outputLeft().end());
    expectedRight.insert(expectedRight.end(), cut->outputRight().begin(), cut->outputRight().end());
  }
  EXPECT_EQ(timed->outputLeft(), expectedLeft);
  EXPECT_EQ(timed->outputRight(), expectedRight);
  // ...and not as a block with every change at its start.
  auto early = load();
  early->process(left.data(), right.data(), 256, {{0, 0, 0.9}, {0, 5, 0.1}, {0, 6, 1.0}});
  EXPECT_NE(early->outputLeft(), expectedLeft);
  EXPECT_EQ(value(*timed, 6), 1.0);
}

TEST_F(DrollicantClap, StateRestoresEveryParameterAndThePresetExactly) {
  auto first = load();
  const auto left = sine(512, 440), right = sine(512, 660);
  first->process(left.data(), right.data(), 512, {{0, kPreset, 3}, {128, 0, 0.8125}, {300, 7, 1.0}});
  std::vector<uint8_t> blob;
  ASSERT_TRUE(first->saveState(&blob, 7));  // a host that takes the state in small pieces
  auto second = load();
  ASSERT_TRUE(second->loadState(blob, 1));
  for (clap_id id = 0; id <= kPreset; ++id) EXPECT_EQ(value(*second, id), value(*first, id)) << "parameter " << id;
  EXPECT_EQ(value(*second, kPreset), 3.0);
  EXPECT_EQ(value(*second, 0), 0.8125) << "the edit after choosing the preset, not the preset's value";
  std::vector<uint8_t> again;
  ASSERT_TRUE(second->saveState(&again));
  EXPECT_EQ(again, blob);

  const std::string garbage = "not a plist";
  EXPECT_FALSE(second->loadState(std::vector<uint8_t>(garbage.begin(), garbage.end())));
  EXPECT_EQ(value(*second, 0), 0.8125) << "bytes that are no state change nothing";

  // A plain saved-state dictionary, as the unit itself writes it (no preset number):
  // its values apply, its name is kept, the rest fall back to the defaults.
  const std::string plain =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
      "<key>name</key><string>Mine</string><key>drollicant_params</key><dict>"
      "<key>whimsy</key><real>0.25</real><key>flighty</key><true/></dict></dict></plist>";
  ASSERT_TRUE(second->loadState(std::vector<uint8_t>(plain.begin(), plain.end())));
  EXPECT_EQ(std::tuple(value(*second, 5), value(*second, 6), value(*second, 1)), std::tuple(0.25, 1.0, 0.5));
  ASSERT_TRUE(second->saveState(&again));
  EXPECT_NE(std::string(again.begin(), again.end()).find("<string>Mine</string>"), std::string::npos);
}

float largestStep(const std::vector<float>& signal, float previous) {
  float step = 0;
  for (float s : signal) step = std::max(step, std::fabs(s - previous)), previous = s;
  return step;
}

TEST_F(DrollicantClap, BypassFadesToTheInputWithoutAClickAndLetsGo) {
  auto host = load();
  // 100 Hz: the dry signal moves little from sample to sample, so a switch would stand out.
  const auto left = sine(kMaxFrames, 93.75f), right = sine(kMaxFrames, 187.5f);
  float wetStep = 0;
  for (int block = 0; block < 8; ++block) {
    host->process(left.data(), right.data(), kMaxFrames);
    wetStep = std::max(wetStep, largestStep(host->outputLeft(), host->outputLeft().front()));
  }
  const float last = host->outputLeft().back();
  host->process(left.data(), right.data(), kMaxFrames, {{100, kBypass, 1.0}});
  // A crossfade moves no faster than the faster of its two ends, plus the fade's share of
  // the distance between them over 10 ms; a switch would jump that whole distance.
  EXPECT_LT(largestStep(host->outputLeft(), last), std::max(wetStep, largestStep(left, left.front())) + 0.05f);
  for (int block = 0; block < 4; ++block) host->process(left.data(), right.data(), kMaxFrames);
  EXPECT_TRUE(host->outputLeft() == left && host->outputRight() == right);
  EXPECT_EQ(value(*host, kBypass), 1.0);
  host->process(left.data(), right.data(), kMaxFrames, {{0, kBypass, 0.0}});
  for (int block = 0; block < 4; ++block) host->process(left.data(), right.data(), kMaxFrames);
  EXPECT_NE(host->outputLeft(), left);
}

// Samples that are no numbers, values no parameter can take and an id no parameter has:
// the plug-in sounds again once the input is music, with finite values.
TEST_F(DrollicantClap, OutputStaysFiniteAfterBadInputAndBadValues) {
  auto host = load();
  std::vector<float> bad(kMaxFrames);
  for (uint32_t i = 0; i < kMaxFrames; ++i) bad[i] = i % 3 == 0 ? NAN : (i % 3 == 1 ? INFINITY : -1e30f);
  host->process(bad.data(), bad.data(), kMaxFrames,
                {{0, 0, NAN}, {10, 2, 1e30}, {20, 5, -INFINITY}, {30, 77, 0.5}, {40, kPreset, 1e9}});
  const auto left = sine(kMaxFrames, 300), right = sine(kMaxFrames, 500);
  float energy = 0;
  for (int block = 0; block < 20; ++block) {
    host->process(left.data(), right.data(), kMaxFrames);
    for (size_t i = 0; i < kMaxFrames; ++i) {
      ASSERT_TRUE(std::isfinite(host->outputLeft()[i]) && std::isfinite(host->outputRight()[i]));
      energy += host->outputLeft()[i] * host->outputLeft()[i];
    }
  }
  EXPECT_GT(energy, 0.0f);
  for (clap_id id = 0; id <= kPreset; ++id) EXPECT_TRUE(std::isfinite(value(*host, id))) << id;
}

TEST_F(DrollicantClap, ProcessingAllocatesNothingAndTakesNoLock) {
  auto host = load();
  const auto left = sine(kMaxFrames, 300), right = sine(kMaxFrames, 500);
  Events events{{3, 0, 0.7}, {64, kBypass, 1.0}, {65, kPreset, 2}, {400, 6, 1}, {401, kBypass, 0}};
  host->process(left.data(), right.data(), kMaxFrames, events);  // the host's own buffers settle
  long heap = 0, locks = 0;
  host->callProcess = [&](const clap_plugin_t* plugin, const clap_process_t* process) {
    const drollicant::test::AllocationCounter counter;
    const auto status = plugin->process(plugin, process);
    heap += counter.count();
    locks += counter.locks();
    return status;
  };
  for (int block = 0; block < 8; ++block) {
    for (auto& e : events) e.value += 0.01;
    host->clearOutputEvents();  // keeps the room the first block's values took
    host->process(left.data(), right.data(), kMaxFrames, events);
  }
  EXPECT_EQ(heap, 0);
  EXPECT_EQ(locks, 0);
}

}  // namespace
