// The audio thread renders while the host's other threads change everything they may
// change meanwhile. Built with ThreadSanitizer too (label "threads"), where a data race
// fails the run.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <set>
#include <thread>
#include <vector>

#include "AllocationCounter.h"
#include "ExtensionBundle.h"

using namespace drollicant;
using namespace platform;

namespace {

constexpr AUAudioFrameCount kMaxFrames = 512;
constexpr auto kDuration = std::chrono::seconds(2);

// A second of noise, silence, a full-scale square wave and a sine, looped by the pull.
std::vector<float> sourceSignal() {
  std::vector<float> signal(44100);
  uint32_t noise = 1;
  for (size_t i = 0; i < signal.size(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    const size_t quarter = i * 4 / signal.size();
    signal[i] = quarter == 0   ? float(int32_t(noise)) / 2147483648.0f
                : quarter == 1 ? 0.0f
                : quarter == 2 ? ((i / 50) % 2 ? 1.0f : -1.0f)
                               : 0.5f * std::sin(0.05f * float(i));
  }
  return signal;
}

bool inRange(float sample) { return std::isfinite(sample) && std::fabs(sample) <= 1.0f; }

}  // namespace

TEST(ThreadSafety, RenderingWhileOtherThreadsChangeParametersPresetsAndState) {
  testing_support::ExtensionBundle bundle;
  bundle.addShippedPresets();
  const auto unit = testing_support::makeUnit();
  unit->setMaximumFramesToRender(kMaxFrames);
  ASSERT_TRUE(unit->allocateRenderResources(nullptr));
  const auto presets = unit->factoryPresets();
  ASSERT_GT(presets.size(), 1u);
  std::vector<PlistDictionary> states;
  std::set<std::string> names{DrollicantAudioUnit::kUntitledPresetName};
  for (const auto& preset : presets) {
    unit->setCurrentPreset(preset);
    states.push_back(*unit->fullState());
    names.insert(preset->name());
  }
  const AUInternalRenderBlock block = unit->internalRenderBlock();
  const std::vector<float> source = sourceSignal();

  std::atomic<bool> running{true};
  long blocks = 0, badSamples = 0, renderAllocations = 0, renderLocks = 0;
  std::thread audio([&] {
    std::vector<float> left(kMaxFrames), right(kMaxFrames);
    StereoBufferList buffers;
    std::vector<AURenderEvent> events(testing_support::kDefaultValues.size());
    for (size_t i = 0; i < events.size(); ++i) {
      events[i].parameter.eventType = AURenderEventType::Parameter;
      events[i].parameter.parameterAddress = i;
      if (i + 1 < events.size()) events[i].head.next = &events[i + 1];
    }
    size_t position = 0;
    auto pull = [&](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount frames, NSInteger,
                    AudioBufferList* list) -> AUAudioUnitStatus {
      for (AUAudioFrameCount i = 0; i < frames; ++i, position = (position + 1) % source.size())
        for (uint32_t b = 0; b < list->mNumberBuffers; ++b)
          static_cast<float*>(list->mBuffers[b].mData)[i] = source[position] * (b ? -1.0f : 1.0f);
      return noErr;
    };
    const drollicant::test::AllocationCounter counter;
    for (long call = 0; running.load(std::memory_order_relaxed); ++call) {
      const auto frames = AUAudioFrameCount(1 + (call * 131) % kMaxFrames);
      buffers.setBuffer(0, left.data(), 1, frames);
      buffers.setBuffer(1, right.data(), 1, frames);
      for (size_t i = 0; i < events.size(); ++i) events[i].parameter.value = float((call + long(i)) % 9) / 8.0f;
      AudioUnitRenderActionFlags flags = 0;
      const AudioTimeStamp timestamp;
      if (block(&flags, &timestamp, frames, 0, buffers.get(), call % 4 == 0 ? &events[0] : nullptr, pull) != noErr)
        ++badSamples;
      for (AUAudioFrameCount i = 0; i < frames; ++i) badSamples += !inRange(left[i]) + !inRange(right[i]);
      ++blocks;
    }
    renderAllocations = counter.count();
    renderLocks = counter.locks();
  });

  std::atomic<long> setupFaults{0};
  std::vector<std::thread> setup;
  setup.emplace_back([&] {  // a host's automation through the tree
    const auto& parameters = unit->parameterTree()->allParameters();
    for (long i = 0; running.load(std::memory_order_relaxed); ++i)
      parameters[size_t(i) % parameters.size()]->setValue(float(i % 101) / 100.0f);
  });
  setup.emplace_back([&] {  // the user picking presets
    for (size_t i = 0; running.load(std::memory_order_relaxed); ++i) {
      unit->setCurrentPreset(presets[i % presets.size()]);
      if (!unit->currentPreset()) ++setupFaults;
    }
  });
  setup.emplace_back([&] {  // a project being reloaded, saved and inspected
    for (size_t i = 0; running.load(std::memory_order_relaxed); ++i) {
      unit->setFullState(states[i % states.size()]);
      const auto state = unit->fullState();
      const PlistValue* name = state ? plistEntry(*state, StateKey::kName) : nullptr;
      if (!name || !name->stringValue() || !names.count(*name->stringValue())) ++setupFaults;
      const double tail = unit->tailTime();
      if (!(std::isfinite(tail) && tail >= 0)) ++setupFaults;
      unit->setShouldBypassEffect(i % 7 == 0);
    }
  });
  setup.emplace_back([&] {  // an editor opening and closing, listening meanwhile
    std::atomic<long> heard{0};
    while (running.load(std::memory_order_relaxed)) {
      const auto tree = unit->parameterTree()->tokenByAddingParameterObserver(
          [&](AUParameterAddress, AUValue) { heard.fetch_add(1, std::memory_order_relaxed); });
      const auto tail = unit->addObserverForKey(DrollicantAudioUnit::kTailTimeKey, [&] { (void)unit->tailTime(); });
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      unit->removeObserver(tail);
      unit->parameterTree()->removeParameterObserver(tree);
    }
    if (heard == 0) ++setupFaults;
  });

  std::this_thread::sleep_for(kDuration);
  running = false;
  audio.join();
  for (auto& thread : setup) thread.join();
  EXPECT_GT(blocks, 100);
  EXPECT_EQ(badSamples, 0) << "every render succeeds with finite output within [-1, 1]";
  EXPECT_EQ(renderAllocations, 0);
  EXPECT_EQ(renderLocks, 0);
  EXPECT_EQ(setupFaults, 0);
}
