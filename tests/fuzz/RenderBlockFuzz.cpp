// libFuzzer entry: a host session against a fresh unit's render block, decided by the
// input: sample rate, maximum frame count, then steps — render calls (any frame count,
// two buffers, one interleaved, mono, none or three; byte sizes that disagree with the
// frame count; a pull that fills the host's buffers, points them at its own memory,
// leaves them empty or fails; parameter events of any type, address, value and sample
// time; samples of any bit pattern), parameter changes through the tree, bypass,
// reset, re-allocation, deallocation.
// After each render: the status is the one the host has earned; on success the frames
// the unit processed are finite and in [−1, 1] (bypassed or never allocated: exactly
// the pulled input) and every other sample is as pulled.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "fuzz/FuzzUnit.h"

using namespace platform;

namespace {

constexpr uint32_t kMaxBuffers = 3;
constexpr AUAudioFrameCount kLargestMaximum = 8192;

float sample(FuzzedDataProvider& input) {
  static constexpr float kSpecial[] = {0.0f,
                                       -0.0f,
                                       1.0f,
                                       -1.0f,
                                       std::numeric_limits<float>::quiet_NaN(),
                                       std::numeric_limits<float>::infinity(),
                                       -std::numeric_limits<float>::infinity(),
                                       std::numeric_limits<float>::denorm_min(),
                                       -std::numeric_limits<float>::min() / 3.0f,
                                       std::numeric_limits<float>::max(),
                                       -1e30f,
                                       0.5f};
  return input.ConsumeBool() ? input.PickValueInArray(kSpecial)
                             : std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
}

// Samples for a render: a pattern (fuzzed samples repeated, a constant, a sine of any
// amplitude or noise) with fuzzed samples dropped in at fuzzed places.
std::vector<float> signal(FuzzedDataProvider& input, size_t count) {
  std::vector<float> samples(count);
  const int kind = input.ConsumeIntegralInRange(0, 3);
  std::vector<float> cycle(input.ConsumeIntegralInRange<size_t>(1, 32));
  for (float& s : cycle) s = sample(input);
  uint32_t noise = input.ConsumeIntegral<uint32_t>();
  for (size_t i = 0; i < count; ++i) {
    noise = noise * 1664525u + 1013904223u;
    switch (kind) {
      case 0:
        samples[i] = cycle[i % cycle.size()];
        break;
      case 1:
        samples[i] = cycle[0];
        break;
      case 2:
        samples[i] = cycle[0] * std::sin(0.01f * float(i));
        break;
      default:
        samples[i] = cycle[0] * float(int32_t(noise)) / 2147483648.0f;
        break;
    }
  }
  for (int drops = input.ConsumeIntegralInRange(0, 4); drops > 0 && count > 0; --drops)
    samples[input.ConsumeIntegralInRange<size_t>(0, count - 1)] = sample(input);
  return samples;
}

std::vector<AURenderEvent> events(FuzzedDataProvider& input) {
  std::vector<AURenderEvent> list(input.ConsumeIntegralInRange(0, 12));
  for (size_t i = 0; i < list.size(); ++i) {
    AUParameterEvent& event = list[i].parameter;
    event.eventType = AURenderEventType(input.ConsumeBool() ? 1 : input.ConsumeIntegral<uint8_t>());
    event.eventSampleTime = input.ConsumeIntegral<int64_t>();
    event.rampDurationSampleFrames = input.ConsumeIntegral<uint32_t>();
    event.parameterAddress =
        input.ConsumeBool() ? input.ConsumeIntegralInRange<uint64_t>(0, 9) : input.ConsumeIntegral<uint64_t>();
    event.value = sample(input);
  }
  for (size_t i = 0; i + 1 < list.size(); ++i) list[i].head.next = &list[i + 1];
  return list;
}

struct Session {
  std::shared_ptr<drollicant::DrollicantAudioUnit> unit = drollicant::fuzz::makeUnit();
  AUInternalRenderBlock block = unit->internalRenderBlock();
  int64_t kernelFrames = 0;  // the maximum of the last successful allocation

  void allocate(FuzzedDataProvider& input) {
    static constexpr double kRates[] = {22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 8000.0, 1.0, 0.5, -1.0};
    const double rate = input.PickValueInArray(kRates);
    static constexpr AUAudioFrameCount kOddMaxima[] = {0, 1, 2, AUAudioUnit::kFramesToRenderLimit + 1};
    const AUAudioFrameCount maximum = input.ConsumeBool()
                                          ? input.ConsumeIntegralInRange<AUAudioFrameCount>(1, kLargestMaximum)
                                          : input.PickValueInArray(kOddMaxima);
    const bool rateTaken = (*unit->inputBusses())[0]->setFormat(AVAudioFormat::standardFormat(rate, 2), nullptr);
    if (rateTaken != (rate > 0.0)) std::abort();
    unit->setMaximumFramesToRender(maximum);
    const bool allocated = unit->allocateRenderResources(nullptr);
    if (allocated != (maximum > 0 && maximum <= AUAudioUnit::kFramesToRenderLimit)) std::abort();
    if (allocated) kernelFrames = maximum;
  }

  void render(FuzzedDataProvider& input);
};

void Session::render(FuzzedDataProvider& input) {
  const AUAudioFrameCount frameCount = input.ConsumeBool()
                                           ? input.ConsumeIntegralInRange<AUAudioFrameCount>(0, kLargestMaximum + 16)
                                           : AUAudioFrameCount(kernelFrames);
  // Buffers: a count, and per buffer its channels, whether it has memory, and how many frames it holds.
  const uint32_t bufferCount = input.ConsumeIntegralInRange<uint32_t>(0, kMaxBuffers);
  AudioBufferListStorage<kMaxBuffers> list(bufferCount);
  std::array<std::vector<float>, kMaxBuffers> memory;
  for (uint32_t b = 0; b < bufferCount; ++b) {
    const uint32_t channels = input.ConsumeIntegralInRange<uint32_t>(1, 2);
    const AUAudioFrameCount held =
        input.ConsumeBool() ? frameCount : input.ConsumeIntegralInRange<AUAudioFrameCount>(0, kLargestMaximum + 16);
    memory[b].assign(size_t(held) * channels, 7.0f);
    list.setBuffer(b, input.ConsumeIntegralInRange(0, 15) ? memory[b].data() : nullptr, channels, held);
  }

  enum class Pull { Fill, OwnMemory, Fail, None };
  const Pull pull = Pull(input.ConsumeIntegralInRange(0, 3));
  const AUAudioUnitStatus pullFailure = input.ConsumeIntegralInRange<AUAudioUnitStatus>(-100000, -1);
  const std::vector<float> source = signal(input, size_t(frameCount) * 2);
  std::array<std::vector<float>, kMaxBuffers> ownMemory, pulled;
  bool pullCalled = false;
  auto pullBlock = [&](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount frames, NSInteger,
                       AudioBufferList* buffers) -> AUAudioUnitStatus {
    pullCalled = true;
    if (pull == Pull::Fail) return pullFailure;
    for (uint32_t b = 0; b < buffers->mNumberBuffers; ++b) {
      AudioBuffer& buffer = buffers->mBuffers[b];
      if (pull == Pull::OwnMemory) {
        ownMemory[b].assign(size_t(frames) * buffer.mNumberChannels, 0.0f);
        buffer.mData = ownMemory[b].data();
        buffer.mDataByteSize = uint32_t(ownMemory[b].size() * sizeof(float));
      }
      if (!buffer.mData) continue;
      auto* data = static_cast<float*>(buffer.mData);
      const size_t count = std::min<size_t>(size_t(frames) * buffer.mNumberChannels, buffer.mDataByteSize / 4);
      std::copy_n(source.begin(), std::min(count, source.size()), data);
      pulled[b].assign(data, data + buffer.mDataByteSize / 4);
    }
    return noErr;
  };

  const auto eventList = events(input);
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp timestamp;
  const AUAudioUnitStatus status =
      block(&flags, &timestamp, frameCount, 0, list.get(), eventList.empty() ? nullptr : eventList.data(),
            pull == Pull::None ? AURenderPullInputBlock() : AURenderPullInputBlock(pullBlock));

  // The status the host has earned.
  AudioBuffer* buffers = list->mBuffers;
  const bool twoChannels = bufferCount >= 2, interleaved = bufferCount == 1 && buffers[0].mNumberChannels == 2;
  AUAudioUnitStatus expected = noErr;
  if (pull == Pull::None)
    expected = kAudioUnitErr_NoConnection;
  else if (kernelFrames > 0 && frameCount > kernelFrames)
    expected = kAudioUnitErr_TooManyFramesToProcess;
  else if (pull == Pull::Fail)
    expected = pullFailure;
  else if ((twoChannels && (!buffers[0].mData || !buffers[1].mData)) || (interleaved && !buffers[0].mData))
    expected = kAudio_ParamError;
  if (status != expected) std::abort();
  size_t processed = 0;  // samples the kernel wrote: the first of buffers 0 and 1, or of the interleaved buffer
  if (status != noErr) {
    const bool refusedBeforePull =
        expected == kAudioUnitErr_NoConnection || expected == kAudioUnitErr_TooManyFramesToProcess;
    if (pullCalled == refusedBeforePull) std::abort();
    if (expected != kAudio_ParamError) {
      for (const auto& samples : memory)
        if (std::any_of(samples.begin(), samples.end(), [](float s) { return s != 7.0f; })) std::abort();
      return;
    }
  } else if (twoChannels) {
    processed = std::min<size_t>({frameCount, buffers[0].mDataByteSize / 4, buffers[1].mDataByteSize / 4});
  } else if (interleaved) {
    processed = 2 * std::min<size_t>(frameCount, buffers[0].mDataByteSize / 8);
  }
  const bool passesThrough = kernelFrames == 0 || unit->shouldBypassEffect();
  for (uint32_t b = 0; b < bufferCount; ++b) {
    if (!buffers[b].mData) continue;
    const auto* data = static_cast<const float*>(buffers[b].mData);
    for (size_t i = 0; i < pulled[b].size(); ++i) {
      const float out = data[i];
      if (b < 2 && i < processed && !passesThrough) {
        if (!(std::fabs(out) <= 1.0f)) std::abort();
      } else if (std::memcmp(&out, &pulled[b][i], sizeof out) != 0) {
        std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  Session session;
  if (input.ConsumeIntegralInRange(0, 7)) session.allocate(input);
  for (int steps = 0; steps < 24 && input.remaining_bytes() > 0; ++steps) {
    switch (input.ConsumeIntegralInRange(0, 9)) {
      case 0:
        session.allocate(input);
        break;
      case 1:
        session.unit->reset();
        break;
      case 2:
        session.unit->deallocateRenderResources();
        break;
      case 3:
        session.unit->setShouldBypassEffect(input.ConsumeBool());
        break;
      case 4:
        session.block = session.unit->internalRenderBlock();
        break;
      case 5:
        if (const auto parameter =
                session.unit->parameterTree()->parameterWithAddress(input.ConsumeIntegral<uint8_t>()))
          parameter->setValue(sample(input));
        break;
      default:
        session.render(input);
        break;
    }
  }
  return 0;
}
