// The render path must never touch the heap nor take a lock.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <mutex>
#include <semaphore>
#include <shared_mutex>
#include <vector>

#include "AllocationCounter.h"
#include "ExtensionBundle.h"

using namespace drollicant;
using namespace platform;

TEST(RenderRealtime, TheCounterSeesHeapUseAndLocks) {
  drollicant::test::AllocationCounter counter;
  auto* probe = new std::vector<int>(10);
  delete probe;
  EXPECT_EQ(counter.count(), 4);

  std::mutex mutex;
  { const std::lock_guard lock(mutex); }
  ASSERT_TRUE(mutex.try_lock());
  mutex.unlock();
  std::shared_mutex shared;
  { const std::shared_lock lock(shared); }
  EXPECT_EQ(counter.locks(), 3) << "lock, try_lock and a shared lock";
  std::counting_semaphore<1> empty(0);
  EXPECT_FALSE(empty.try_acquire_for(std::chrono::milliseconds(1)));
  EXPECT_GT(counter.locks(), 3) << "a semaphore that has to wait reaches the futex";
}

TEST(RenderRealtime, EveryRenderPathAllocatesNothingAndTakesNoLock) {
  testing_support::ExtensionBundle bundle;
  bundle.addShippedPresets();
  const auto unit = testing_support::makeUnit();
  constexpr AUAudioFrameCount kMaxFrames = 256;
  unit->setMaximumFramesToRender(kMaxFrames);
  ASSERT_TRUE(unit->allocateRenderResources(nullptr));
  const AUInternalRenderBlock block = unit->internalRenderBlock();

  // Everything a host prepares before it starts its audio thread: an event for every
  // address, a ramp, and addresses the unit does not know.
  std::vector<AURenderEvent> events(13);
  for (size_t i = 0; i < events.size(); ++i) {
    events[i].parameter.eventType = i == 11 ? AURenderEventType::ParameterRamp : AURenderEventType::Parameter;
    events[i].parameter.parameterAddress = i == 12 ? ~AUParameterAddress(0) : i;  // 0 to 7, then unknown
    if (i + 1 < events.size()) events[i].head.next = &events[i + 1];
  }
  std::vector<float> left(kMaxFrames), right(kMaxFrames), interleaved(2 * kMaxFrames);
  StereoBufferList twoBuffers;
  twoBuffers.setBuffer(0, left.data(), 1, kMaxFrames);
  twoBuffers.setBuffer(1, right.data(), 1, kMaxFrames);
  StereoBufferList oneBuffer(1);
  oneBuffer.setBuffer(0, interleaved.data(), 2, kMaxFrames);
  StereoBufferList monoBuffer(1);
  monoBuffer.setBuffer(0, left.data(), 1, kMaxFrames);
  int64_t time = 0;
  auto pull = [&](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount frames, NSInteger,
                  AudioBufferList* list) -> AUAudioUnitStatus {
    for (uint32_t b = 0; b < list->mNumberBuffers; ++b) {
      auto* data = static_cast<float*>(list->mBuffers[b].mData);
      const uint32_t samples = frames * list->mBuffers[b].mNumberChannels;
      for (uint32_t i = 0; i < samples; ++i) data[i] = 0.4f * std::sin(0.01f * float(time + i));
    }
    time += frames;
    return time % 7 == 0 ? -50 : noErr;  // now and then the host's input fails
  };

  struct Path {
    const char* name;
    AudioBufferList* list;
    bool events, bypass, pull;
  };
  const Path paths[] = {
      {"plain", twoBuffers.get(), false, false, true},
      {"events at every address", twoBuffers.get(), true, false, true},
      {"bypass with events", twoBuffers.get(), true, true, true},
      {"interleaved with events", oneBuffer.get(), true, false, true},
      {"interleaved bypass", oneBuffer.get(), true, true, true},
      {"one mono buffer", monoBuffer.get(), true, false, true},
      {"no pull block", twoBuffers.get(), true, false, false},
  };
  for (const Path& path : paths) {
    unit->setShouldBypassEffect(path.bypass);
    long failures = 0;
    drollicant::test::AllocationCounter counter;
    for (int call = 0; call < 500; ++call) {
      for (size_t i = 0; i < events.size(); ++i)
        events[i].parameter.value = float((call * 7 + int(i) * 3) % 11) / 10.0f;
      AudioUnitRenderActionFlags flags = 0;
      AudioTimeStamp timestamp;
      timestamp.mSampleTime = double(time);
      const auto frames = AUAudioFrameCount(1 + (call * 37) % kMaxFrames);
      const AURenderEvent* head = path.events ? &events[0] : nullptr;
      const AUAudioUnitStatus status = path.pull ? block(&flags, &timestamp, frames, 0, path.list, head, pull)
                                                 : block(&flags, &timestamp, frames, 0, path.list, head, nullptr);
      if (status != noErr) ++failures;
    }
    EXPECT_EQ(counter.count(), 0) << path.name;
    EXPECT_EQ(counter.locks(), 0) << path.name;
    EXPECT_GT(failures, 0) << path.name << ": failing or missing pulls were among the calls";
  }
  for (float x : left) EXPECT_TRUE(std::isfinite(x));
  for (float x : interleaved) EXPECT_TRUE(std::isfinite(x));
}
