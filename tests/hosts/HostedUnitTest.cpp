// The shared host layer driven directly, against a unit driven through its render block
// as a host would drive it without the layer.
#include "hosts/common/HostedUnit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "AllocationCounter.h"
#include "audiounit/ExtensionBundle.h"
#include "audiounit/KernelParameters.h"
#include "hosts/common/StereoInput.h"

using namespace drollicant;
using namespace drollicant::hosts;
using namespace platform;

namespace {

constexpr double kRate = 48000.0;
constexpr uint32_t kMaxFrames = 512;
constexpr size_t kFrames = 6000;

struct Stereo {
  std::vector<float> left, right;
  explicit Stereo(size_t frames) : left(frames), right(frames) {}
  bool operator==(const Stereo&) const = default;
};

// Where two renderings part, for failure messages.
void PrintTo(const Stereo& s, std::ostream* os) { *os << s.left.size() << " frames"; }
std::string firstDifference(const Stereo& a, const Stereo& b) {
  for (size_t i = 0; i < std::min(a.left.size(), b.left.size()); ++i)
    if (a.left[i] != b.left[i] || a.right[i] != b.right[i]) return "they part at frame " + std::to_string(i);
  return "equal";
}

// A chord of sines with a little noise, different on each side.
Stereo music(size_t frames) {
  Stereo s(frames);
  uint32_t noise = 1;
  for (size_t i = 0; i < frames; ++i) {
    noise = noise * 1664525u + 1013904223u;
    const double t = double(i) / kRate;
    s.left[i] = float(0.4 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 1234 * t));
    s.right[i] = float(0.3 * std::sin(2 * M_PI * 330 * t) + 0.01 * double(int32_t(noise)) / 2147483648.0);
  }
  return s;
}

// A unit rendered straight through its render block in host blocks of `block` frames,
// each sliced at the maximum as a host without the layer would, and split where
// `events` lie: an event's frame starts a render call that carries it.
struct DirectEvent {
  size_t frame;
  AUParameterAddress address;
  float value;
};
Stereo renderDirectly(const Stereo& in, size_t block, const std::vector<DirectEvent>& events) {
  const auto unit = testing_support::makeUnit();
  unit->setMaximumFramesToRender(kMaxFrames);
  (*unit->inputBusses())[0]->setFormat(AVAudioFormat::standardFormat(kRate, 2), nullptr);
  EXPECT_TRUE(unit->allocateRenderResources(nullptr));
  const AUInternalRenderBlock renderBlock = unit->internalRenderBlock();
  Stereo out = in;
  size_t next = 0;
  for (size_t at = 0; at < in.left.size();) {
    std::vector<AURenderEvent> list;
    for (; next < events.size() && events[next].frame <= at; ++next) {
      AURenderEvent event{};
      event.parameter.eventType = AURenderEventType::Parameter;
      event.parameter.parameterAddress = events[next].address;
      event.parameter.value = events[next].value;
      list.push_back(event);
    }
    for (size_t i = 0; i + 1 < list.size(); ++i) list[i].head.next = &list[i + 1];
    const size_t blockEnd = std::min((at / block + 1) * block, in.left.size());
    size_t end = std::min(at + kMaxFrames, blockEnd);
    if (next < events.size()) end = std::min(end, events[next].frame);
    StereoBufferList buffers;
    buffers.setBuffer(0, out.left.data() + at, 1, uint32_t(end - at));
    buffers.setBuffer(1, out.right.data() + at, 1, uint32_t(end - at));
    auto pull = [](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount, NSInteger,
                   AudioBufferList*) -> AUAudioUnitStatus { return noErr; };  // already in place
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp time;
    EXPECT_EQ(renderBlock(&flags, &time, uint32_t(end - at), 0, buffers.get(), list.empty() ? nullptr : &list[0], pull),
              noErr);
    at = end;
  }
  return out;
}

std::unique_ptr<HostedUnit> makeHosted() {
  auto hosted = HostedUnit::create(testing_support::makeUnit());
  EXPECT_TRUE(hosted && hosted->prepare(kRate, kMaxFrames, nullptr));
  return hosted;
}

// The input through `hosted` in blocks of `block` frames; `changes` hold frames of the
// whole signal and go to the blocks that hold them.
Stereo renderHosted(HostedUnit& hosted, const Stereo& in, size_t block, const std::vector<ParameterChange>& changes) {
  Stereo out(in.left.size());
  size_t next = 0;
  for (size_t at = 0; at < in.left.size(); at += block) {
    const size_t n = std::min(block, in.left.size() - at);
    std::vector<ParameterChange> local;
    for (; next < changes.size() && changes[next].frame < at + n; ++next)
      local.push_back({uint32_t(changes[next].frame - at), changes[next].address, changes[next].value});
    const float* input[2] = {in.left.data() + at, in.right.data() + at};
    float* output[2] = {out.left.data() + at, out.right.data() + at};
    hosted.process(input, output, uint32_t(n), local.data(), uint32_t(local.size()));
  }
  return out;
}

}  // namespace

// Controls that do not move, whether or not a host repeats their values in every block,
// leave the unit's output exactly as without the layer, at any block size, longer than
// the maximum included.
TEST(HostedUnit, SteadyControlsLeaveTheUnitsOutputBitForBit) {
  testing_support::ExtensionBundle bundle;
  bundle.addShippedPresets();
  const Stereo in = music(kFrames);
  for (const size_t block : {size_t(1), size_t(64), size_t(512), size_t(1500)}) {
    const Stereo expected = renderDirectly(in, block, {});
    const auto hosted = makeHosted();
    const Stereo plain = renderHosted(*hosted, in, block, {});
    EXPECT_EQ(plain, expected) << "block " << block << ": " << firstDifference(plain, expected);

    const auto repeating = makeHosted();
    std::vector<ParameterChange> repeated;
    for (size_t at = 0; at < kFrames; at += block)
      for (const auto& row : kParameterTable)
        repeated.push_back({uint32_t(at), row.address, repeating->parameter(row.address)});
    const Stereo again = renderHosted(*repeating, in, block, repeated);
    EXPECT_EQ(again, expected) << "repeated values, block " << block << ": " << firstDifference(again, expected);
  }
}

// Changes at the same frames sound the same at every block size, a block longer than
// the maximum included: glides and flips step on the kernel's grid, the bypass fades
// frame by frame from the frame of its change and the unit restarts on the same frame.
TEST(HostedUnit, MovesSoundTheSameAtEveryBlockSize) {
  testing_support::ExtensionBundle bundle;
  const Stereo in = music(20000);
  const std::vector<ParameterChange> changes{
      {700, kWhimsy, 0.9f},     {1000, kSweetness, 0.1f},      {2100, kFlighty, 1.0f},
      {2101, kNostalgia, 0.8f}, {5003, kCharisma, 0.2f},       {8000, kBypassAddress, 1.0f},
      {9000, kSurprise, 0.9f},  {12345, kBypassAddress, 0.0f}, {13000, kFlighty, 0.0f}};
  const Stereo expected = renderHosted(*makeHosted(), in, 1, changes);
  for (const size_t block : {size_t(64), size_t(512), size_t(4096)}) {
    const Stereo out = renderHosted(*makeHosted(), in, block, changes);
    EXPECT_EQ(out, expected) << "block " << block << ": " << firstDifference(out, expected);
  }
  EXPECT_TRUE(std::equal(in.left.begin() + 8500, in.left.begin() + 12345, expected.left.begin() + 8500))
      << "bypassed from 10 ms after its frame to the frame it ends";
  EXPECT_NE(expected, renderDirectly(in, 1, {})) << "the moves change the sound";
}

// Changes a host schedules inside a block land on their frames: the controls the kernel
// smooths itself exactly as a render call split there, a gliding one not before its
// frame; a glide ends on its target, and the tree reports the target all along.
TEST(HostedUnit, ChangesLandAtTheirFramesAndGlidesEndOnTheirTargets) {
  testing_support::ExtensionBundle bundle;
  const Stereo in = music(kFrames);
  const std::vector<DirectEvent> direct{{100, kCharisma, 0.9f}, {300, kGenteel, 1.0f}, {1000, kCharisma, 0.1f}};
  std::vector<ParameterChange> changes;
  for (const auto& e : direct) changes.push_back({uint32_t(e.frame), e.address, e.value});
  const auto hosted = makeHosted();
  const Stereo landed = renderHosted(*hosted, in, 512, changes), split = renderDirectly(in, 512, direct);
  EXPECT_EQ(landed, split) << firstDifference(landed, split);

  const Stereo steady = renderHosted(*makeHosted(), in, 512, {});
  const auto gliding = makeHosted();
  constexpr uint32_t kAt = 700;
  const Stereo glided = renderHosted(*gliding, in, 512, {{kAt, kWhimsy, 1.0f}});
  EXPECT_TRUE(std::equal(steady.left.begin(), steady.left.begin() + kAt, glided.left.begin()));
  EXPECT_NE(steady.left, glided.left);
  EXPECT_EQ(gliding->parameter(kWhimsy), 1.0f);
  EXPECT_EQ(gliding->unit().dspKernel->whimsy.load(), 1.0f) << "the glide is over long before the end";
}

// Values set through the unit's tree from another thread (an editor, a restored state)
// glide as a host's do; the tree reports the value asked, never a step on the way. Before
// playback starts, reset settles at them at once.
TEST(HostedUnit, TreeValuesGlideAndAreReportedAsAsked) {
  testing_support::ExtensionBundle bundle;
  const auto hosted = makeHosted();
  const auto whimsy = hosted->unit().parameterTree()->parameterWithAddress(kWhimsy);
  const auto flighty = hosted->unit().parameterTree()->parameterWithAddress(kFlighty);
  const DrollicantDSPKernel& kernel = *hosted->unit().dspKernel;
  Stereo in = music(kMaxFrames), out(kMaxFrames);
  const float* input[2] = {in.left.data(), in.right.data()};
  float* output[2] = {out.left.data(), out.right.data()};

  whimsy->setValue(0.0f);
  flighty->setValue(0.7f);
  hosted->reset();
  EXPECT_EQ(kernel.whimsy.load(), 0.0f);
  EXPECT_TRUE(kernel.flighty.load());
  EXPECT_EQ(flighty->value(), 1.0f) << "a switch reports 1 or 0";

  whimsy->setValue(1.0f);
  hosted->process(input, output, 64, nullptr, 0);
  EXPECT_GT(kernel.whimsy.load(), 0.0f);
  EXPECT_LT(kernel.whimsy.load(), 0.5f) << "64 frames into the glide";
  EXPECT_EQ(whimsy->value(), 1.0f);
  const auto state = hosted->unit().fullState();
  EXPECT_EQ(state->at(StateKey::kParams).dictionaryValue()->at("whimsy").floatValue(), 1.0f)
      << "a state saved during a glide holds its target";
  for (int block = 0; block < 10; ++block) hosted->process(input, output, kMaxFrames, nullptr, 0);
  EXPECT_EQ(kernel.whimsy.load(), 1.0f);
}

// flighty flips only where the kernel's carrier depth is 0, then the depth returns to
// its value; a flip called off before it happened returns the depth all the same.
TEST(HostedUnit, FlightyFlipsAtZeroCarrierDepth) {
  testing_support::ExtensionBundle bundle;
  const auto hosted = makeHosted();
  const DrollicantDSPKernel& kernel = *hosted->unit().dspKernel;
  const Stereo in = music(kControlGrid);
  Stereo out(kControlGrid);
  const float* input[2] = {in.left.data(), in.right.data()};
  float* output[2] = {out.left.data(), out.right.data()};
  const ParameterChange whimsy{0, kWhimsy, 0.8f};
  hosted->process(input, output, kControlGrid, &whimsy, 1);
  hosted->reset();

  auto run = [&](std::vector<ParameterChange> changes, int blocks) {
    bool flippedAtZero = true;
    for (int block = 0; block < blocks; ++block) {
      const bool before = kernel.flighty.load();
      hosted->process(input, output, kControlGrid, changes.data(), uint32_t(changes.size()));
      changes.clear();
      if (kernel.flighty.load() != before && kernel.whimsy.load() != 0.0f) flippedAtZero = false;
    }
    return flippedAtZero;
  };
  EXPECT_TRUE(run({{0, kFlighty, 1.0f}}, 200));
  EXPECT_TRUE(kernel.flighty.load());
  EXPECT_EQ(kernel.whimsy.load(), 0.8f);

  EXPECT_TRUE(run({{0, kFlighty, 0.0f}}, 3));
  EXPECT_TRUE(run({{0, kFlighty, 1.0f}}, 200));
  EXPECT_TRUE(kernel.flighty.load());
  EXPECT_EQ(kernel.whimsy.load(), 0.8f) << "called off, the flip gives the depth back";
}

// A host bypass fades to the dry input and only then sets the unit's own switch; set
// again, the unit's switch clears at once and the output fades back in.
TEST(HostedUnit, BypassSetsTheUnitsSwitchOnceTheOutputIsDry) {
  testing_support::ExtensionBundle bundle;
  const auto hosted = makeHosted();
  const Stereo in = music(kMaxFrames);
  Stereo out(kMaxFrames);
  const float* input[2] = {in.left.data(), in.right.data()};
  float* output[2] = {out.left.data(), out.right.data()};
  hosted->process(input, output, kMaxFrames, nullptr, 0);
  hosted->setBypassed(true);
  hosted->process(input, output, 64, nullptr, 0);
  EXPECT_FALSE(hosted->unit().shouldBypassEffect()) << "still fading";
  hosted->process(input, output, kMaxFrames, nullptr, 0);
  EXPECT_TRUE(hosted->unit().shouldBypassEffect());
  hosted->process(input, output, kMaxFrames, nullptr, 0);
  EXPECT_EQ(out, in);
  hosted->setBypassed(false);
  hosted->process(input, output, 1, nullptr, 0);
  EXPECT_FALSE(hosted->unit().shouldBypassEffect());
}

// Everything the audio thread does, with every kind of move under way, touches neither
// the heap nor a lock; nor does preparing again for the same rate and block, or a reset.
TEST(HostedUnitRealtime, ProcessResetAndRepeatedPreparationAllocateNothingAndTakeNoLock) {
  testing_support::ExtensionBundle bundle;
  bundle.addShippedPresets();
  const auto hosted = makeHosted();
  Stereo in = music(2000), out(2000);
  const float* input[2] = {in.left.data(), in.right.data()};
  float* output[2] = {out.left.data(), out.right.data()};
  std::vector<ParameterChange> changes;
  for (uint32_t i = 0; i < 40; ++i) changes.push_back({i * 37, i % 9, float(i % 5) / 4.0f});
  for (int call = 0; call < 300; ++call) {
    // Another thread's values, as an editor or a restored state would post them.
    hosted->unit().parameterTree()->parameterWithAddress(call % 8)->setValue(float(call % 3) / 2.0f);
    drollicant::test::AllocationCounter counter;
    hosted->setBypassed(call % 17 > 12);
    const auto frames = uint32_t(1 + (call * 211) % 2000);
    const auto count = uint32_t(std::upper_bound(changes.begin(), changes.end(), frames,
                                                 [](uint32_t f, const ParameterChange& c) { return f < c.frame; }) -
                                changes.begin());
    hosted->process(input, output, frames, changes.data(), count);
    if (call % 50 == 49) hosted->reset();
    ASSERT_EQ(counter.count(), 0) << "call " << call;
    ASSERT_EQ(counter.locks(), 0) << "call " << call;
  }
  for (float x : out.left) ASSERT_TRUE(std::isfinite(x));

  drollicant::test::AllocationCounter counter;
  EXPECT_TRUE(hosted->prepare(kRate, kMaxFrames, nullptr));
  EXPECT_TRUE(hosted->prepare(kRate, kMaxFrames, nullptr));
  EXPECT_EQ(counter.count(), 0);
  EXPECT_EQ(counter.locks(), 0);
}
