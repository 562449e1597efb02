#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "clap/ClapTestHost.h"

namespace {
using testing_support::ClapTestHost;

std::string thirdParty(const char* name) { return std::string(DROLLICANT_THIRD_PARTY_CLAP_DIR) + "/" + name; }

// Proves the host on plug-ins it did not come with: if these fail, the host is at fault,
// not our plug-in.
TEST(ThirdPartyClap, ASimplePluginLoadsAndProcessesItsMonoPort) {
  const auto path = thirdParty("ZamAutoSat.clap");
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "zam-plugins is not installed";
  ClapTestHost host(path);
  ASSERT_TRUE(host.loaded());
  ASSERT_EQ(host.descriptors().size(), 1u);
  ASSERT_TRUE(host.create());
  ASSERT_TRUE(host.activate(48000, 256));
  const auto* ports = host.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  ASSERT_NE(ports, nullptr);
  clap_audio_port_info_t info{};
  ASSERT_TRUE(ports->get(host.plugin(), 0, true, &info));
  EXPECT_EQ(info.channel_count, 1u);  // mono: the host hands it the left channel only

  std::vector<float> loud(256), silent(256, 0.0f);
  for (size_t i = 0; i < loud.size(); ++i) loud[i] = 4.0f * std::sin(0.05f * float(i));
  float difference = 0;
  for (int block = 0; block < 8; ++block) {
    ASSERT_NE(host.process(loud.data(), silent.data(), 256), CLAP_PROCESS_ERROR);
    for (size_t i = 0; i < loud.size(); ++i) {
      ASSERT_TRUE(std::isfinite(host.outputLeft()[i]));
      difference = std::max(difference, std::fabs(host.outputLeft()[i] - loud[i]));
    }
  }
  EXPECT_GT(difference, 0.01f);  // the plug-in's output reached the host's buffer
}

TEST(ThirdPartyClap, ParametersFlushAndEventsReachAPluginWithParameters) {
  const auto path = thirdParty("ZamCompX2.clap");
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "zam-plugins is not installed";
  ClapTestHost host(path);
  ASSERT_TRUE(host.create());
  const auto* params = host.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
  ASSERT_NE(params, nullptr);
  ASSERT_GT(params->count(host.plugin()), 0u);
  clap_param_info_t info{};
  ASSERT_TRUE(params->get_info(host.plugin(), 0, &info));
  const double target = info.min_value + 0.25 * (info.max_value - info.min_value);
  host.flush({{0, info.id, target}});
  double value = 0;
  ASSERT_TRUE(host.parameterValue(info.id, &value));
  EXPECT_NEAR(value, target, 1e-6 * (info.max_value - info.min_value) + 1e-9);

  ASSERT_TRUE(host.activate(44100, 128));
  std::vector<float> input(128, 0.25f);
  const double other = info.min_value + 0.75 * (info.max_value - info.min_value);
  EXPECT_NE(host.process(input.data(), input.data(), 128, {{64, info.id, other}}), CLAP_PROCESS_ERROR);
  ASSERT_TRUE(host.parameterValue(info.id, &value));
  EXPECT_NEAR(value, other, 1e-6 * (info.max_value - info.min_value) + 1e-9);
  for (float s : host.outputLeft()) ASSERT_TRUE(std::isfinite(s));
}

}  // namespace
