// drollicant.so loaded and driven directly, as a host does, with and without host
// features. Counts heap use of the whole process, plug-in included.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>

#include "AllocationCounter.h"
#include "LV2Bundle.h"
#include "support/AudioFiles.h"

using namespace testing_support;

namespace {

constexpr uint32_t kParameterCount = 8;
constexpr uint32_t kEnabledPort = 4 + kParameterCount;
constexpr double kRate = 48000.0;

// A minimal LV2 host for one instance: urid:map and options only when asked for.
class Host {
public:
  explicit Host(uint32_t maxBlockLength, double sampleRate = kRate)
      : rate(sampleRate), maxBlock(int32_t(maxBlockLength)) {
    library = dlopen((std::string(DROLLICANT_BUNDLE) + "/drollicant.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return;
    auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
    descriptor = entry ? entry(0) : nullptr;
    map = {this, [](LV2_URID_Map_Handle self, const char* uri) { return static_cast<Host*>(self)->mapURI(uri); }};
    options[0] = {LV2_OPTIONS_INSTANCE,  0,        mapURI(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                  mapURI(LV2_ATOM__Int), &maxBlock};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mapFeature = {LV2_URID__map, &map};
    optionsFeature = {LV2_OPTIONS__options, options.data()};
    if (maxBlockLength > 0) features = {&mapFeature, &optionsFeature, nullptr};
    static const auto defaults = unitValues({});
    for (uint32_t i = 0; i < kParameterCount; ++i) controls[i] = defaults.at(kParameterSymbols[i]);
    controls[kParameterCount] = 1.0f;
  }
  ~Host() {
    if (instance) descriptor->cleanup(instance);
    if (library) dlclose(library);
  }

  // Connects the control ports too unless told otherwise.
  bool instantiate(bool connectControls = true) {
    if (descriptor == nullptr) return false;
    instance = descriptor->instantiate(descriptor, rate, DROLLICANT_BUNDLE, features.data());
    if (instance && connectControls)
      for (uint32_t i = 0; i <= kParameterCount; ++i) descriptor->connect_port(instance, 4 + i, &controls[i]);
    return instance != nullptr;
  }
  void connect(uint32_t port, void* data) { descriptor->connect_port(instance, port, data); }
  void connectAudio(float* inL, float* inR, float* outL, float* outR) {
    connect(0, inL);
    connect(1, inR);
    connect(2, outL);
    connect(3, outR);
  }
  void set(const std::string& symbol, float value) {
    const auto at = std::find(kParameterSymbols.begin(), kParameterSymbols.end(), symbol);
    controls[size_t(at - kParameterSymbols.begin())] = value;  // past the parameters: "enabled"
  }
  void activate() { descriptor->activate(instance); }
  void run(uint32_t frames) { descriptor->run(instance, frames); }
  void deactivate() { descriptor->deactivate(instance); }

private:
  LV2_URID mapURI(const char* uri) {
    for (size_t i = 0; i < uris.size(); ++i)
      if (uris[i] == uri) return LV2_URID(i + 1);
    uris.emplace_back(uri);
    return LV2_URID(uris.size());
  }

  void* library = nullptr;
  const LV2_Descriptor* descriptor = nullptr;
  LV2_Handle instance = nullptr;
  double rate;
  int32_t maxBlock;
  std::vector<std::string> uris;
  LV2_URID_Map map{};
  std::array<LV2_Options_Option, 2> options{};
  LV2_Feature mapFeature{}, optionsFeature{};
  std::vector<const LV2_Feature*> features{nullptr};
  std::array<float, kParameterCount + 1> controls{};
};

struct Stereo {
  std::vector<float> left, right;
  explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
  static Stereo from(const AudioData& data) {
    Stereo s(size_t(data.frames()));
    for (int64_t i = 0; i < data.frames(); ++i) {
      s.left[size_t(i)] = data.at(i, 0);
      s.right[size_t(i)] = data.at(i, 1);
    }
    return s;
  }
};

// How a host hands its buffers to the audio ports.
enum class Wiring {
  separate,  // four buffers of their own
  inPlace,   // each output shares its input's buffer
  crossed,   // the left output shares the right input's buffer, and the other way round
  shared,    // both inputs read one buffer, both outputs write another (as lv2bench does)
};

bool withinFullScale(const std::vector<float>& samples) {
  return std::all_of(samples.begin(), samples.end(), [](float x) { return std::isfinite(x) && std::fabs(x) <= 1.0f; });
}

class PluginInstance : public ::testing::Test {
protected:
  static constexpr int64_t kFrames = 4096;
  void SetUp() override {
    source = testSignal(int(kRate), 2, double(kFrames) / kRate);
    ASSERT_TRUE(writeAudio(folder / "in.wav", source));
  }
  // `drollicant render` of the same input.
  Stereo command(std::vector<std::string> options) {
    std::vector<std::string> args{"render", (folder / "in.wav").string(), "-o", (folder / "cli.wav").string()};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(runDrollicant(args).status, 0);
    return Stereo::from(readAudio(folder / "cli.wav"));
  }
  // Runs the whole input through `host` in runs of `runFrames`, between an activation
  // and a deactivation, with the buffers wired as given.
  Stereo process(Host& host, uint32_t runFrames, Wiring wiring = Wiring::separate) {
    Stereo in = Stereo::from(source), separate(in.left.size());
    // Crossed: in.left holds the left input and receives the right output; separate.left
    // holds the right input and receives the left output.
    if (wiring == Wiring::crossed) std::swap(separate.left, in.right);
    host.activate();
    for (size_t at = 0; at < in.left.size(); at += runFrames) {
      float* inL = in.left.data() + at;
      float* inR = (wiring == Wiring::crossed ? separate.left : in.right).data() + at;
      switch (wiring) {
        case Wiring::separate:
          host.connectAudio(inL, inR, separate.left.data() + at, separate.right.data() + at);
          break;
        case Wiring::inPlace:
          host.connectAudio(inL, inR, inL, inR);
          break;
        case Wiring::crossed:
          host.connectAudio(inL, inR, inR, inL);
          break;
        case Wiring::shared:
          host.connectAudio(inL, inL, inR, inR);
          break;
      }
      host.run(uint32_t(std::min<size_t>(runFrames, in.left.size() - at)));
    }
    host.deactivate();
    if (wiring == Wiring::inPlace) return in;
    if (wiring == Wiring::crossed) std::swap(separate.right, in.left);
    return separate;
  }

  AudioData source;
  TemporaryDirectory folder;
};

}  // namespace

// Runs longer than the host's maximum block are rendered in slices of that maximum,
// and the control values at activation reach the unit before it allocates: the result
// is the command's, rendered with that block size and those settings, even when the
// host hands the same buffers for input and output.
TEST_F(PluginInstance, LongRunsAreSlicedAndStartSettledAtTheHostsValues) {
  Host host(64);
  ASSERT_TRUE(host.instantiate());
  host.set("charisma", 0.9f);
  host.set("flighty", 1.0f);
  const Stereo out = process(host, 1024, Wiring::inPlace);
  const Stereo expected = command({"--block", "64", "--set", "charisma=0.9", "--set", "flighty=1"});
  EXPECT_EQ(std::tie(out.left, out.right), std::tie(expected.left, expected.right));
}

TEST_F(PluginInstance, RunsWithoutAnyHostFeature) {
  Host host(0);
  ASSERT_TRUE(host.instantiate());
  const Stereo first = process(host, uint32_t(kFrames));
  EXPECT_EQ(first.left, command({"--block", "4096"}).left) << "without bufsz:maxBlockLength the block is 4096";
}

// Hosts that call things out of order, connect ports late or not at all, share buffers
// (each output in its own input's buffer is above) or cycle the activation: the plug-in neither crashes nor writes
// where it should not, and once it is driven properly it renders what a well-behaved host gets.
TEST_F(PluginInstance, SurvivesMisbehavingHosts) {
  Host reference(64);
  ASSERT_TRUE(reference.instantiate());
  const Stereo expected = process(reference, 256);

  struct Case {
    const char* name;
    bool connectControls;
    std::function<void(Host&)> before;  // what the host does first
    Wiring wiring;
  };
  std::vector<float> in(300, 0.25f), out(300, 7.0f);
  const std::vector<float> untouched(300, 7.0f);
  const Case cases[] = {
      {"run(0) unconnected, before and after activation", true,
       [&](Host& host) {
         host.run(0);
         host.connectAudio(in.data(), in.data(), out.data(), out.data());
         host.run(0);
         host.activate();
         host.run(0);
         host.deactivate();
         EXPECT_EQ(out, untouched) << "run(0) touches nothing";
       },
       Wiring::separate},
      {"run before activation", true,
       [&](Host& host) {
         host.connectAudio(in.data(), in.data(), out.data(), out.data());
         host.run(300);
         EXPECT_EQ(out, in) << "not yet set up, the plug-in passes the input through";
       },
       Wiring::separate},
      {"audio ports connected late, ports that do not exist connected", true,
       [&](Host& host) {
         for (const uint32_t port : {kEnabledPort + 1, 999u, ~0u}) host.connect(port, out.data());
         host.activate();
         host.run(300);
         host.connectAudio(nullptr, nullptr, out.data(), nullptr);
         host.run(300);
         host.connectAudio(nullptr, nullptr, out.data(), out.data());
         host.run(300);  // no input yet: silence goes in
         EXPECT_TRUE(withinFullScale(out));
         host.deactivate();
       },
       Wiring::separate},
      {"control ports never connected: the unit keeps its defaults", false, [](Host&) {}, Wiring::separate},
      {"each output in the other channel's input buffer", true, [](Host&) {}, Wiring::crossed},
      {"activation cycles", true,
       [&](Host& host) {
         host.connectAudio(in.data(), in.data(), out.data(), out.data());
         for (int cycle = 0; cycle < 3; ++cycle) {
           host.activate();
           host.run(300);
           host.deactivate();
         }
         host.activate();
         host.activate();  // twice in a row
         host.run(300);
         host.deactivate();
         host.deactivate();
         host.run(300);  // after deactivation
       },
       Wiring::separate},
  };
  for (const Case& c : cases) {
    Host host(64);
    ASSERT_TRUE(host.instantiate(c.connectControls)) << c.name;
    c.before(host);
    const Stereo result = process(host, 256, c.wiring);
    EXPECT_EQ(result.left, expected.left) << c.name;
    EXPECT_EQ(result.right, expected.right) << c.name;
  }

  // Both inputs on one buffer and both outputs on another give one channel's worth of
  // output, but a sound one.
  Host host(64);
  ASSERT_TRUE(host.instantiate());
  const Stereo shared = process(host, 256, Wiring::shared);
  EXPECT_TRUE(withinFullScale(shared.right));
}

// One instance per common sample rate, all alive at once and run in turn, each fed a
// full-scale square wave with noise in runs longer than its maximum block: sound output
// everywhere. Rates no format can have are refused at instantiation.
TEST(PluginInstanceRates, EveryCommonRateRendersAndImpossibleRatesAreRefused) {
  struct Instance {
    double rate;
    Host host{512, rate};
    Stereo in{size_t(rate / 4)}, out{in.left.size()};
  };
  std::vector<std::unique_ptr<Instance>> instances;
  for (const double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
    auto& instance = *instances.emplace_back(new Instance{rate});
    ASSERT_TRUE(instance.host.instantiate()) << rate;
    instance.host.set("nostalgia", 1.0f);
    instance.host.set("whimsy", 1.0f);
    uint32_t noise = 7;
    for (size_t i = 0; i < instance.in.left.size(); ++i) {
      noise = noise * 1664525u + 1013904223u;
      instance.in.left[i] = (i / 40) % 2 ? 1.0f : -1.0f;
      instance.in.right[i] = 0.1f * float(int32_t(noise)) / 2147483648.0f;
    }
    instance.host.activate();
  }
  constexpr size_t kRun = 2000;
  for (size_t at = 0; at < instances.back()->in.left.size(); at += kRun)
    for (auto& i : instances) {
      if (at >= i->in.left.size()) continue;
      i->host.connectAudio(i->in.left.data() + at, i->in.right.data() + at, i->out.left.data() + at,
                           i->out.right.data() + at);
      i->host.run(uint32_t(std::min(kRun, i->in.left.size() - at)));
    }
  for (auto& i : instances) {
    i->host.deactivate();
    EXPECT_TRUE(withinFullScale(i->out.left) && withinFullScale(i->out.right)) << i->rate;
    EXPECT_NE(i->out.left, i->in.left) << i->rate;
    EXPECT_GT(std::count_if(i->out.right.begin(), i->out.right.end(), [](float x) { return x != 0.0f; }), 0) << i->rate;
  }
  for (const double rate : {0.0, -48000.0, std::nan(""), double(INFINITY), 1e7}) {
    Host host(512, rate);
    EXPECT_FALSE(host.instantiate()) << rate;
  }
}

// Audio thread: control changes become parameter events and the enable port toggles
// the bypass, in runs longer than the maximum block, without touching the heap or a lock;
// nor does activation.
TEST_F(PluginInstance, ControlChangesTakeEffectWithoutAllocatingOrLocking) {
  Host host(128);
  {
    drollicant::test::AllocationCounter counter;
    ASSERT_TRUE(host.instantiate());
    ASSERT_GT(counter.count(), 0) << "the counter must see the plug-in's own heap use";
    ASSERT_GT(counter.locks(), 0) << "the counter must see the plug-in's own locks";
  }
  Stereo in = Stereo::from(source), out(in.left.size());
  host.connectAudio(in.left.data(), in.right.data(), out.left.data(), out.right.data());
  {
    // Ardour activates plug-ins from its process thread: the memory was obtained at
    // instantiation, activation only resets.
    drollicant::test::AllocationCounter counter;
    host.activate();
    host.deactivate();
    host.activate();
    EXPECT_EQ(counter.count(), 0);
    EXPECT_EQ(counter.locks(), 0);
  }
  host.run(1024);
  const std::vector<float> steady(out.left.begin(), out.left.begin() + 1024);

  {
    drollicant::test::AllocationCounter counter;
    for (int i = 0; i < 200; ++i) {
      host.set(kParameterSymbols[size_t(i) % kParameterCount], float(i % 7) / 6.0f);
      host.set("enabled", i % 10 == 9 ? 0.0f : 1.0f);
      host.run(1024);
    }
    EXPECT_EQ(counter.count(), 0);
    EXPECT_EQ(counter.locks(), 0);
  }

  host.set("enabled", 0.0f);
  host.run(1024);  // fades out
  host.run(1024);
  EXPECT_TRUE(std::equal(in.left.begin(), in.left.begin() + 1024, out.left.begin()))
      << "disabled, the input passes untouched";
  host.set("enabled", 1.0f);
  host.set("whimsy", 1.0f);
  host.set("surprise", 1.0f);
  host.run(1024);
  EXPECT_NE(std::vector<float>(out.left.begin(), out.left.begin() + 1024), steady);
  for (size_t i = 0; i < 1024; ++i) ASSERT_TRUE(std::isfinite(out.left[i]));
  host.deactivate();
}
