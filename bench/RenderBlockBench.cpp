// A whole render cycle through the audio unit's render block: pull, eight parameter
// events, in-place processing. The difference to the kernel benchmark is the unit's overhead.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"

namespace {

using namespace platform;

void BM_RenderBlock(benchmark::State& state) {
  const auto frames = AUAudioFrameCount(state.range(0));
  const auto unit = drollicant::DrollicantAudioUnit::create(
      {fourCharCode("aufx"), fourCharCode("drlc"), fourCharCode("Drol"), 0, 0}, 0, nullptr);
  unit->setMaximumFramesToRender(frames);
  if (!unit->allocateRenderResources(nullptr)) {
    state.SkipWithError("allocation failed");
    return;
  }
  const AUInternalRenderBlock block = unit->internalRenderBlock();

  std::vector<float> source(frames), left(frames), right(frames);
  for (size_t i = 0; i < frames; ++i) source[i] = 0.3f * std::sin(0.02f * float(i));
  std::vector<AURenderEvent> events(8);
  for (size_t i = 0; i < events.size(); ++i) {
    events[i].parameter.eventType = AURenderEventType::Parameter;
    events[i].parameter.parameterAddress = i;
    events[i].parameter.value = i < 6 ? 0.3f : 0.0f;
    if (i + 1 < events.size()) events[i].head.next = &events[i + 1];
  }
  StereoBufferList list;
  list.setBuffer(0, left.data(), 1, frames);
  list.setBuffer(1, right.data(), 1, frames);
  auto pull = [&](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount n, NSInteger,
                  AudioBufferList* buffers) -> AUAudioUnitStatus {
    std::copy_n(source.begin(), n, static_cast<float*>(buffers->mBuffers[0].mData));
    std::copy_n(source.begin(), n, static_cast<float*>(buffers->mBuffers[1].mData));
    return noErr;
  };
  AudioTimeStamp timestamp;
  for (auto _ : state) {
    AudioUnitRenderActionFlags flags = 0;
    benchmark::DoNotOptimize(block(&flags, &timestamp, frames, 0, list.get(), &events[0], pull));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * frames);
}

}  // namespace

BENCHMARK(BM_RenderBlock)->Arg(64)->Arg(512);
