// drollicant.so loaded and driven directly, as a host does, with and without host
// features. Counts heap use of the whole process, so it is an executable of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>

#include "LV2Bundle.h"
#include "support/AudioFiles.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> heapCalls{0};
void* countedAllocation(std::size_t size, std::size_t alignment = 0) {
  if (counting.load(std::memory_order_relaxed)) heapCalls.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  if (alignment > alignof(std::max_align_t))
    return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
  return std::malloc(size);
}
void countedRelease(void* memory) noexcept {
  if (memory && counting.load(std::memory_order_relaxed)) heapCalls.fetch_add(1, std::memory_order_relaxed);
  std::free(memory);
}
}  // namespace

// Every form is replaced, so no memory from one allocator reaches the other.
void* operator new(std::size_t size) { return countedAllocation(size); }
void* operator new[](std::size_t size) { return countedAllocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void* operator new(std::size_t size, std::align_val_t a) { return countedAllocation(size, std::size_t(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return countedAllocation(size, std::size_t(a)); }
void operator delete(void* memory) noexcept { countedRelease(memory); }
void operator delete[](void* memory) noexcept { countedRelease(memory); }
void operator delete(void* memory, std::size_t) noexcept { countedRelease(memory); }
void operator delete[](void* memory, std::size_t) noexcept { countedRelease(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { countedRelease(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { countedRelease(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { countedRelease(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { countedRelease(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { countedRelease(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { countedRelease(memory); }

using namespace testing_support;

namespace {

constexpr uint32_t kParameterCount = 8;
constexpr uint32_t kEnabledPort = 4 + kParameterCount;
constexpr double kRate = 48000.0;

// A minimal LV2 host for one instance: urid:map and options only when asked for.
class Host {
public:
  explicit Host(uint32_t maxBlockLength) : maxBlock(int32_t(maxBlockLength)) {
    library = dlopen((std::string(DROLLICANT_BUNDLE) + "/drollicant.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return;
    auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
    descriptor = entry ? entry(0) : nullptr;
    map = {this, [](LV2_URID_Map_Handle self, const char* uri) { return static_cast<Host*>(self)->mapURI(uri); }};
    options[0] = {LV2_OPTIONS_INSTANCE, 0, mapURI(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                  mapURI(LV2_ATOM__Int), &maxBlock};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mapFeature = {LV2_URID__map, &map};
    optionsFeature = {LV2_OPTIONS__options, options.data()};
    if (maxBlockLength > 0) features = {&mapFeature, &optionsFeature, nullptr};
    const auto defaults = unitValues({});
    for (uint32_t i = 0; i < kParameterCount; ++i) controls[i] = defaults.at(kParameterSymbols[i]);
    controls[kParameterCount] = 1.0f;
  }
  ~Host() {
    if (instance) descriptor->cleanup(instance);
    if (library) dlclose(library);
  }

  bool instantiate() {
    if (descriptor == nullptr) return false;
    instance = descriptor->instantiate(descriptor, kRate, DROLLICANT_BUNDLE, features.data());
    for (uint32_t i = 0; i <= kParameterCount; ++i) descriptor->connect_port(instance, 4 + i, &controls[i]);
    return instance != nullptr;
  }
  void connectAudio(float* inL, float* inR, float* outL, float* outR) {
    descriptor->connect_port(instance, 0, inL);
    descriptor->connect_port(instance, 1, inR);
    descriptor->connect_port(instance, 2, outL);
    descriptor->connect_port(instance, 3, outR);
  }
  void set(const std::string& symbol, float value) {
    for (uint32_t i = 0; i < kParameterCount; ++i)
      if (kParameterSymbols[i] == symbol) controls[i] = value;
    if (symbol == "enabled") controls[kParameterCount] = value;
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
  // Runs the whole input through `host` in runs of `runFrames`.
  Stereo process(Host& host, uint32_t runFrames) {
    Stereo in = Stereo::from(source), out(in.left.size());
    host.connectAudio(in.left.data(), in.right.data(), out.left.data(), out.right.data());
    host.activate();
    for (size_t at = 0; at < in.left.size(); at += runFrames) {
      host.connectAudio(in.left.data() + at, in.right.data() + at, out.left.data() + at, out.right.data() + at);
      host.run(uint32_t(std::min<size_t>(runFrames, in.left.size() - at)));
    }
    host.deactivate();
    return out;
  }

  AudioData source;
  TemporaryDirectory folder;
};

}  // namespace

// Runs longer than the host's maximum block are rendered in slices of that maximum,
// and the control values at activation reach the unit before it allocates: the result
// is the command's, rendered with that block size and those settings.
TEST_F(PluginInstance, LongRunsAreSlicedAndStartSettledAtTheHostsValues) {
  Host host(64);
  ASSERT_TRUE(host.instantiate());
  host.set("charisma", 0.9f);
  host.set("flighty", 1.0f);
  const Stereo out = process(host, 1024);
  const Stereo expected = command({"--block", "64", "--set", "charisma=0.9", "--set", "flighty=1"});
  EXPECT_EQ(out.left, expected.left);
  EXPECT_EQ(out.right, expected.right);
}

TEST_F(PluginInstance, RunsWithoutAnyHostFeature) {
  Host host(0);
  ASSERT_TRUE(host.instantiate());
  std::vector<float> in(16, 0.25f), out(16, 7.0f);
  host.connectAudio(in.data(), in.data(), out.data(), out.data());
  host.activate();
  host.run(0);
  EXPECT_EQ(out, std::vector<float>(16, 7.0f)) << "run(0) must touch nothing";
  host.deactivate();

  const Stereo first = process(host, uint32_t(kFrames));
  EXPECT_EQ(first.left, command({"--block", "4096"}).left) << "without bufsz:maxBlockLength the block is 4096";
  const Stereo again = process(host, uint32_t(kFrames));
  EXPECT_EQ(again.left, first.left) << "activation starts from a clean state";
}

TEST_F(PluginInstance, InPlaceHostsGetTheSameResult) {
  Host separate(256), inPlace(256);
  ASSERT_TRUE(separate.instantiate());
  ASSERT_TRUE(inPlace.instantiate());
  const Stereo expected = process(separate, 512);

  Stereo buffers = Stereo::from(source);
  inPlace.connectAudio(buffers.left.data(), buffers.right.data(), buffers.left.data(), buffers.right.data());
  inPlace.activate();
  for (size_t at = 0; at < buffers.left.size(); at += 512) {
    inPlace.connectAudio(buffers.left.data() + at, buffers.right.data() + at, buffers.left.data() + at,
                         buffers.right.data() + at);
    inPlace.run(512);
  }
  EXPECT_EQ(buffers.left, expected.left);
  EXPECT_EQ(buffers.right, expected.right);
}

// Audio thread: control changes become parameter events and the enable port toggles
// the bypass, without touching the heap.
TEST_F(PluginInstance, ControlChangesTakeEffectWithoutAllocating) {
  Host host(128);
  counting = true;
  ASSERT_TRUE(host.instantiate());
  counting = false;
  ASSERT_GT(heapCalls.exchange(0), 0) << "the counter must see the plug-in's own heap use";
  Stereo in = Stereo::from(source), out(in.left.size());
  host.connectAudio(in.left.data(), in.right.data(), out.left.data(), out.right.data());
  host.activate();
  host.run(1024);
  const std::vector<float> steady(out.left.begin(), out.left.begin() + 1024);

  counting = true;
  for (int i = 0; i < 200; ++i) {
    host.set(kParameterSymbols[size_t(i) % kParameterCount], float(i % 7) / 6.0f);
    host.set("enabled", i % 10 == 9 ? 0.0f : 1.0f);
    host.run(1024);
  }
  counting = false;
  EXPECT_EQ(heapCalls.load(), 0);

  host.set("enabled", 0.0f);
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
