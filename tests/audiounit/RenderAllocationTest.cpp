// The render path must never touch the heap. Every allocation and release of this
// executable goes through the counters below while counting is on.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "ExtensionBundle.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> heapCalls{0};

void* allocate(std::size_t size, std::size_t alignment = 0) {
  if (counting.load(std::memory_order_relaxed)) heapCalls.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  void* memory = alignment > alignof(std::max_align_t)
                     ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                     : std::malloc(size);
  if (!memory) throw std::bad_alloc();
  return memory;
}

void* allocateOrNull(std::size_t size) noexcept {
  if (counting.load(std::memory_order_relaxed)) heapCalls.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}

void release(void* memory) noexcept {
  if (!memory) return;
  if (counting.load(std::memory_order_relaxed)) heapCalls.fetch_add(1, std::memory_order_relaxed);
  std::free(memory);
}
}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return allocate(size, std::size_t(alignment)); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return allocate(size, std::size_t(alignment)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { release(memory); }
void operator delete(void* memory) noexcept { release(memory); }
void operator delete[](void* memory) noexcept { release(memory); }
void operator delete(void* memory, std::size_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { release(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { release(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { release(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { release(memory); }

using namespace drollicant;
using namespace platform;

TEST(RenderRealtime, TheCounterSeesHeapUse) {
  counting = true;
  auto* probe = new std::vector<int>(10);
  delete probe;
  counting = false;
  EXPECT_EQ(heapCalls.exchange(0), 4);
}

TEST(RenderRealtime, ThousandsOfRenderCallsWithEventsAllocateNothing) {
  testing_support::ExtensionBundle bundle;
  bundle.addShippedPresets();
  const auto unit = testing_support::makeUnit();
  constexpr AUAudioFrameCount kMaxFrames = 256;
  unit->setMaximumFramesToRender(kMaxFrames);
  ASSERT_TRUE(unit->allocateRenderResources(nullptr));
  const AUInternalRenderBlock block = unit->internalRenderBlock();

  // Everything a host prepares before it starts its audio thread.
  std::vector<AURenderEvent> events(12);
  for (size_t i = 0; i < events.size(); ++i) {
    events[i].parameter.eventType = i == 11 ? AURenderEventType::ParameterRamp : AURenderEventType::Parameter;
    events[i].parameter.parameterAddress = i;  // 0 to 7, then unknown addresses
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
    return time % 7 == 0 ? -50 : noErr;
  };
  AudioBufferList* lists[] = {twoBuffers.get(), oneBuffer.get(), monoBuffer.get()};

  long failures = 0;
  counting = true;
  for (int call = 0; call < 3000; ++call) {
    for (size_t i = 0; i < events.size(); ++i)
      events[i].parameter.value = float((call * 7 + int(i) * 3) % 11) / 10.0f;
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp timestamp;
    timestamp.mSampleTime = double(time);
    const AUAudioFrameCount frames = AUAudioFrameCount(1 + (call * 37) % kMaxFrames);
    const AURenderEvent* head = call % 5 == 0 ? nullptr : &events[0];
    const AUAudioUnitStatus status =
        call % 50 == 0 ? block(&flags, &timestamp, frames, 0, lists[call % 3], head, nullptr)
                       : block(&flags, &timestamp, frames, 0, lists[call % 3], head, pull);
    if (status != noErr) ++failures;
  }
  counting = false;
  EXPECT_EQ(heapCalls.load(), 0);
  EXPECT_GT(failures, 0);  // failing and missing pulls were among the calls
  for (float x : left) EXPECT_TRUE(std::isfinite(x));
}
