// The CLAP plug-in's main-thread entries while its audio thread processes, as hosts do:
// run under ThreadSanitizer (label "threads"), any data race fails it.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "clap/ClapTestHost.h"
#include "support/TemporaryDirectory.h"

namespace {
using testing_support::ClapTestHost;

TEST(ClapThreads, StateValuesAndPresetsOnTheMainThreadWhileTheAudioThreadProcesses) {
  testing_support::TemporaryDirectory cache;
  setenv("XDG_CACHE_HOME", cache.get().c_str(), 1);
  ClapTestHost host(DROLLICANT_CLAP);
  ASSERT_TRUE(host.create());
  ASSERT_TRUE(host.activate(48000, 256));
  std::vector<uint8_t> start;
  ASSERT_TRUE(host.saveState(&start));

  std::atomic<bool> done{false};
  std::atomic<bool> finite{true};
  std::thread audio([&] {
    std::vector<float> left(256), right(256);
    for (int block = 0; !done.load(); ++block) {
      for (size_t i = 0; i < left.size(); ++i) left[i] = right[i] = 0.3f * std::sin(0.03f * float(block * 256 + i));
      // Parameters, the bypass and a preset from the audio side.
      host.process(left.data(), right.data(), 256,
                   {{10, 0, 0.01 * (block % 100)}, {50, 8, double(block % 7 == 0)}, {90, 9, double(block % 9)}});
      for (float s : host.outputLeft()) finite = finite && std::isfinite(s);
    }
  });
  const clap_plugin_t* plugin = host.plugin();
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> blob;
    EXPECT_TRUE(host.saveState(&blob));
    EXPECT_TRUE(host.loadState(round % 2 ? blob : start));
    double value = 0;
    for (clap_id id = 0; id < 10; ++id) EXPECT_TRUE(host.parameterValue(id, &value));
    plugin->on_main_thread(plugin);  // where a preset chosen on the audio thread is recorded
  }
  done = true;
  audio.join();
  EXPECT_TRUE(finite.load());
}

}  // namespace
