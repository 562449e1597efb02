#include <gtest/gtest.h>
#include <jack/jack.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/Subprocess.h"

namespace {
using namespace std::chrono_literals;
using testing_support::ChildProcess;

constexpr jack_nframes_t kRate = 48000;
constexpr size_t kRecordFrames = kRate;  // one second of the effect's output

// A JACK client of the test's own: plays a sine into the effect and records what comes back.
struct Probe {
  jack_client_t* client = nullptr;
  jack_port_t* out[2] = {};
  jack_port_t* in[2] = {};
  std::vector<float> recorded = std::vector<float>(kRecordFrames);
  std::atomic<size_t> position{kRecordFrames};  // kRecordFrames: not recording
  uint64_t phase = 0;

  static int process(jack_nframes_t frames, void* self) {
    auto& p = *static_cast<Probe*>(self);
    auto* l = static_cast<float*>(jack_port_get_buffer(p.out[0], frames));
    auto* r = static_cast<float*>(jack_port_get_buffer(p.out[1], frames));
    const auto* back = static_cast<const float*>(jack_port_get_buffer(p.in[0], frames));
    for (jack_nframes_t i = 0; i < frames; ++i, ++p.phase) {
      l[i] = 0.4f * std::sin(2 * M_PI * 220.0 * double(p.phase) / kRate);
      r[i] = 0.4f * std::sin(2 * M_PI * 330.0 * double(p.phase) / kRate);
    }
    size_t at = p.position.load();
    for (jack_nframes_t i = 0; i < frames && at < kRecordFrames; ++i) p.recorded[at++] = back[i];
    p.position.store(at);
    return 0;
  }
  // Records one second and returns it.
  std::vector<float> record() {
    position.store(0);
    for (int i = 0; i < 500 && position.load() < kRecordFrames; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(position.load(), kRecordFrames) << "the JACK server stopped calling the probe";
    return recorded;
  }
};

double energy(const std::vector<float>& signal) {
  double sum = 0;
  for (float s : signal) sum += double(s) * s;
  return sum / double(signal.size());
}

class LiveJack : public ::testing::Test {
protected:
  void SetUp() override {
    server = "drollicant-test-" + std::to_string(getpid());
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    jackd.emplace(
        std::vector<std::string>{"jackd", "-n", server, "-d", "dummy", "-r", std::to_string(kRate), "-p", "256"},
        std::vector<std::string>{}, true);
    for (int i = 0; i < 300 && !probe.client; ++i) {
      std::this_thread::sleep_for(20ms);
      probe.client =
          jack_client_open("probe", jack_options_t(JackNoStartServer | JackServerName), nullptr, server.c_str());
    }
    ASSERT_NE(probe.client, nullptr) << "jackd -d dummy did not come up";
    const char* names[2] = {"left", "right"};
    for (int c = 0; c < 2; ++c) {
      probe.out[c] = jack_port_register(probe.client, (std::string("to_") + names[c]).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                        JackPortIsOutput, 0);
      probe.in[c] = jack_port_register(probe.client, (std::string("from_") + names[c]).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                       JackPortIsInput, 0);
    }
    jack_set_process_callback(probe.client, Probe::process, &probe);
    ASSERT_EQ(jack_activate(probe.client), 0);
  }
  void TearDown() override {
    if (probe.client) jack_client_close(probe.client);
    if (jackd) jackd->stop(SIGTERM, 5000ms);
  }
  // A client's ports appear before it is active, and JACK connects only active clients:
  // tries until the connection is made.
  bool connect(const char* from, const char* to) {
    for (int i = 0; i < 300; ++i) {
      if (jack_connect(probe.client, from, to) == 0) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  std::string server;
  std::optional<ChildProcess> jackd;
  Probe probe;
};

TEST_F(LiveJack, AudioPassesParametersMoveAndCtrlCEndsCleanly) {
  ChildProcess live({DROLLICANT_COMMAND, "live", "--no-editor", "--no-connect", "--server", server, "--client", "fx",
                     "--preset", "Gentle Chorus"});
  ASSERT_TRUE(connect("probe:to_left", "fx:in_left")) << "drollicant live did not come up with its ports";
  ASSERT_TRUE(connect("probe:to_right", "fx:in_right"));
  ASSERT_TRUE(connect("fx:out_left", "probe:from_left"));
  ASSERT_TRUE(connect("fx:out_right", "probe:from_right"));
  std::this_thread::sleep_for(300ms);

  const auto chorus = probe.record();
  for (float s : chorus) ASSERT_TRUE(std::isfinite(s));
  EXPECT_GT(energy(chorus), 1e-4) << "no audio came through";

  live.say("bypass on");
  std::this_thread::sleep_for(200ms);
  const auto dry = probe.record();
  // Bypassed, the output is the sine that went in: 0.4 amplitude, energy 0.08.
  EXPECT_NEAR(energy(dry), 0.08, 0.004);

  live.say("bypass off");
  live.say("preset Ring Bells");
  live.say("set whimsy 1");
  std::this_thread::sleep_for(300ms);
  const auto bells = probe.record();
  double difference = 0;
  for (size_t i = 0; i < bells.size(); ++i) difference += std::fabs(bells[i] - chorus[i]);
  EXPECT_GT(difference / double(bells.size()), 1e-3) << "the new settings changed nothing";

  EXPECT_EQ(live.stop(SIGINT, 3000ms), 0) << "drollicant live did not end cleanly on SIGINT";
  EXPECT_FALSE(jack_port_by_name(probe.client, "fx:out_left")) << "its ports outlived it";
}

TEST(LiveWithoutJack, SaysThatNoServerRuns) {
  const auto run =
      testing_support::runProcess({DROLLICANT_COMMAND, "live", "--no-editor", "--server", "drollicant-no-such-server"});
  const std::string out = run.out + run.err;
  EXPECT_NE(run.status, 0);
  EXPECT_NE(out.find("cannot connect to JACK server 'drollicant-no-such-server': is it running?"), std::string::npos)
      << out;
  EXPECT_EQ(out.find("Cannot connect to server socket"), std::string::npos) << "libjack's own noise shows: " << out;
}

}  // namespace
