#include <gtest/gtest.h>

#include <clap/ext/latency.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "audiounit/ParameterTable.h"
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

std::vector<float> sine(uint32_t frames, float frequency, float level = 0.5f, uint32_t start = 0) {
  std::vector<float> signal(frames);
  for (uint32_t i = 0; i < frames; ++i) signal[i] = level * std::sin(6.2831853f * frequency * float(start + i) / 48000);
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

  testing_support::TemporaryDirectory cache;
};

TEST_F(DrollicantClap, DescribesItsPortsParametersPresetsAndTimes) {
  auto host = load(false);
  const auto descriptors = host->descriptors();
  ASSERT_EQ(descriptors.size(), 1u);
  EXPECT_STREQ(descriptors[0]->name, "Drollicant");

  const auto* ports = host->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  ASSERT_NE(ports, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(ports->count(host->plugin(), input), 1u);
    clap_audio_port_info_t info{};
    ASSERT_TRUE(ports->get(host->plugin(), 0, input, &info));
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
    EXPECT_TRUE(info.flags & CLAP_AUDIO_PORT_IS_MAIN);
  }

  const auto* params = host->extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
  ASSERT_NE(params, nullptr);
  ASSERT_EQ(params->count(host->plugin()), 10u);
  for (uint32_t i = 0; i < 8; ++i) {
    clap_param_info_t info{};
    ASSERT_TRUE(params->get_info(host->plugin(), i, &info));
    const auto& row = drollicant::kParameterTable[i];
    EXPECT_EQ(info.id, row.address);
    EXPECT_STREQ(info.name, row.displayName);
    EXPECT_EQ(info.min_value, 0.0);
    EXPECT_EQ(info.max_value, 1.0);
    double value = -1;  // the default is what a new instance holds (the first preset's values)
    ASSERT_TRUE(host->parameterValue(info.id, &value));
    EXPECT_EQ(info.default_value, value) << row.identifier;
    EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
    EXPECT_EQ(bool(info.flags & CLAP_PARAM_IS_STEPPED), i >= 6) << row.identifier;
  }
  char text[64];
  ASSERT_TRUE(params->value_to_text(host->plugin(), 0, 0.5, text, sizeof text));
  EXPECT_STREQ(text, "0.500");
  ASSERT_TRUE(params->value_to_text(host->plugin(), 6, 1.0, text, sizeof text));
  EXPECT_STREQ(text, "1.000");

  clap_param_info_t bypass{}, preset{};
  ASSERT_TRUE(params->get_info(host->plugin(), 8, &bypass));
  EXPECT_EQ(bypass.id, kBypass);
  EXPECT_TRUE(bypass.flags & CLAP_PARAM_IS_BYPASS);
  ASSERT_TRUE(params->get_info(host->plugin(), 9, &preset));
  EXPECT_EQ(preset.id, kPreset);
  EXPECT_EQ(preset.max_value, 8.0);  // nine factory presets, named as their files say
  EXPECT_FALSE(preset.flags & CLAP_PARAM_IS_AUTOMATABLE);
  ASSERT_TRUE(params->value_to_text(host->plugin(), kPreset, 3, text, sizeof text));
  EXPECT_STREQ(text, "Tape Memories");
  double number = -1;
  ASSERT_TRUE(params->text_to_value(host->plugin(), kPreset, "Ring Bells", &number));
  EXPECT_EQ(number, 4.0);
  ASSERT_TRUE(host->parameterValue(kPreset, &number));
  EXPECT_EQ(number, 0.0);  // a new instance starts with the first preset

  const auto* latency = host->extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
  ASSERT_NE(latency, nullptr);
  EXPECT_EQ(latency->get(host->plugin()), 0u);
  const auto* tail = host->extension<TailExtension>("clap.tail");
  ASSERT_NE(tail, nullptr);
  // The feedback's echoes outlast the input: a host that stops at once cuts them off.
  ASSERT_TRUE(host->activate(48000, 512));
  EXPECT_GT(tail->get(host->plugin()), 0u);
  host->deactivate();
}

TEST_F(DrollicantClap, ParameterEventsTakeEffectAtTheirFrames) {
  const auto left = sine(256, 220), right = sine(256, 330);
  // One block with changes at frames 100 and 200...
  auto timed = load();
  timed->process(left.data(), right.data(), 256, {{100, 0, 0.9}, {200, 5, 0.1}, {200, 6, 1.0}});
  // ...sounds as three blocks cut there, with the changes at their starts.
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
  // And not as a block with every change at its start.
  auto early = load();
  early->process(left.data(), right.data(), 256, {{0, 0, 0.9}, {0, 5, 0.1}, {0, 6, 1.0}});
  EXPECT_NE(early->outputLeft(), expectedLeft);

  double value = 0;
  ASSERT_TRUE(timed->parameterValue(6, &value));
  EXPECT_EQ(value, 1.0);
}

TEST_F(DrollicantClap, StateRestoresEveryParameterAndThePresetExactly) {
  auto first = load();
  const auto left = sine(512, 440), right = sine(512, 660);
  first->process(left.data(), right.data(), 512, {{0, kPreset, 3}, {128, 0, 0.8125}, {300, 7, 1.0}});
  std::vector<uint8_t> blob;
  ASSERT_TRUE(first->saveState(&blob, 7));  // a host that takes the state in small pieces
  ASSERT_FALSE(blob.empty());

  auto second = load();
  ASSERT_TRUE(second->loadState(blob, 1));
  for (clap_id id = 0; id <= kPreset; ++id) {
    double a = -1, b = -2;
    ASSERT_TRUE(first->parameterValue(id, &a));
    ASSERT_TRUE(second->parameterValue(id, &b));
    EXPECT_EQ(a, b) << "parameter " << id;
  }
  double preset = -1, charisma = -1;
  ASSERT_TRUE(second->parameterValue(kPreset, &preset));
  EXPECT_EQ(preset, 3.0);
  ASSERT_TRUE(second->parameterValue(0, &charisma));
  EXPECT_EQ(charisma, 0.8125);  // the edit after choosing the preset, not the preset's value
  std::vector<uint8_t> again;
  ASSERT_TRUE(second->saveState(&again));
  EXPECT_EQ(again, blob);

  // Bytes that are no state change nothing.
  const std::vector<uint8_t> garbage{'n', 'o', 't', ' ', 'a', ' ', 'p', 'l', 'i', 's', 't'};
  EXPECT_FALSE(second->loadState(garbage));
  ASSERT_TRUE(second->parameterValue(0, &charisma));
  EXPECT_EQ(charisma, 0.8125);

  // A plain saved-state dictionary, as the unit itself writes it (no preset number):
  // its values apply, its name is kept, the rest fall back to the defaults.
  const std::string plain =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
      "<key>name</key><string>Mine</string><key>drollicant_params</key><dict>"
      "<key>whimsy</key><real>0.25</real><key>flighty</key><true/></dict></dict></plist>";
  ASSERT_TRUE(second->loadState(std::vector<uint8_t>(plain.begin(), plain.end())));
  double whimsy = 0, flighty = 0, naivete = 0;
  second->parameterValue(5, &whimsy);
  second->parameterValue(6, &flighty);
  second->parameterValue(1, &naivete);
  EXPECT_EQ(whimsy, 0.25);
  EXPECT_EQ(flighty, 1.0);
  EXPECT_EQ(naivete, 0.5);
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
  EXPECT_NE(host->outputLeft(), left);
  const float last = host->outputLeft().back();
  host->process(left.data(), right.data(), kMaxFrames, {{100, kBypass, 1.0}});
  const float dryStep = largestStep(left, left.front());
  // A crossfade moves no faster than the faster of its two ends, plus the fade's share of
  // the distance between them over 10 ms; a switch would jump that whole distance.
  EXPECT_LT(largestStep(host->outputLeft(), last), std::max(wetStep, dryStep) + 0.05f);
  for (int block = 0; block < 4; ++block) host->process(left.data(), right.data(), kMaxFrames);
  EXPECT_EQ(host->outputLeft(), left);
  EXPECT_EQ(host->outputRight(), right);
  double value = 0;
  ASSERT_TRUE(host->parameterValue(kBypass, &value));
  EXPECT_EQ(value, 1.0);
  host->process(left.data(), right.data(), kMaxFrames, {{0, kBypass, 0.0}});
  for (int block = 0; block < 4; ++block) host->process(left.data(), right.data(), kMaxFrames);
  EXPECT_NE(host->outputLeft(), left);
}

TEST_F(DrollicantClap, OutputStaysFiniteAfterBadInputAndBadValues) {
  auto host = load();
  std::vector<float> bad(kMaxFrames, 0.0f);
  for (uint32_t i = 0; i < kMaxFrames; ++i) bad[i] = i % 3 == 0 ? NAN : (i % 3 == 1 ? INFINITY : -1e30f);
  host->process(bad.data(), bad.data(), kMaxFrames,
                {{0, 0, NAN}, {10, 2, 1e30}, {20, 5, -INFINITY}, {30, 77, 0.5}, {40, kPreset, 1e9}});
  for (float s : host->outputLeft()) ASSERT_TRUE(std::isfinite(s));
  const auto left = sine(kMaxFrames, 300), right = sine(kMaxFrames, 500);
  float energy = 0;
  for (int block = 0; block < 20; ++block) {
    host->process(left.data(), right.data(), kMaxFrames);
    for (size_t i = 0; i < kMaxFrames; ++i) {
      ASSERT_TRUE(std::isfinite(host->outputLeft()[i]) && std::isfinite(host->outputRight()[i]));
      energy += host->outputLeft()[i] * host->outputLeft()[i];
    }
  }
  EXPECT_GT(energy, 0.0f);  // it recovered and sounds again
  double value = -1;
  ASSERT_TRUE(host->parameterValue(0, &value));
  EXPECT_TRUE(std::isfinite(value));
}

TEST_F(DrollicantClap, ProcessingAllocatesNothingAndTakesNoLock) {
  auto host = load();
  const auto left = sine(kMaxFrames, 300), right = sine(kMaxFrames, 500);
  const Events events{{3, 0, 0.7}, {64, kBypass, 1.0}, {65, kPreset, 2}, {400, 6, 1}, {401, kBypass, 0}};
  host->process(left.data(), right.data(), kMaxFrames, events);  // the host's own buffers settle
  const clap_plugin_t* plugin = host->plugin();
  // The host's vectors are filled before the scope opens; the scope covers the plug-in's call only.
  long heap = 0, locks = 0;
  for (int block = 0; block < 8; ++block) {
    clap_audio_buffer_t in{}, out{};
    std::vector<float> l = left, r = right, ol(kMaxFrames), orr(kMaxFrames);
    float* ins[2] = {l.data(), r.data()};
    float* outs[2] = {ol.data(), orr.data()};
    in.data32 = ins;
    in.channel_count = 2;
    out.data32 = outs;
    out.channel_count = 2;
    std::vector<clap_event_param_value_t> list;
    for (const auto& e : events) {
      clap_event_param_value_t v{};
      v.header = {sizeof v, e.frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
      v.param_id = e.id;
      v.value = e.value + 0.01 * block;
      list.push_back(v);
    }
    clap_input_events_t inEvents{&list,
                                 [](const clap_input_events_t* l) {
                                   return uint32_t(static_cast<std::vector<clap_event_param_value_t>*>(l->ctx)->size());
                                 },
                                 [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
                                   return &(*static_cast<std::vector<clap_event_param_value_t>*>(l->ctx))[i].header;
                                 }};
    clap_output_events_t outEvents{nullptr,
                                   [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
    clap_process_t process{-1, kMaxFrames, nullptr, &in, &out, 1, 1, &inEvents, &outEvents};
    drollicant::test::AllocationCounter counter;
    plugin->process(plugin, &process);
    heap += counter.count();
    locks += counter.locks();
  }
  EXPECT_EQ(heap, 0);
  EXPECT_EQ(locks, 0);
}

}  // namespace
