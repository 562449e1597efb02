// Stereo throughput of the kernel at 48 kHz for typical settings, per block size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "dsp/DenormalGuard.h"
#include "dsp/DrollicantDSPKernel.h"

namespace {

constexpr double kSampleRate = 48000.0;

void BM_KernelProcess(benchmark::State& state) {
  const int64_t block = state.range(0);
  const bool flighty = state.range(1) != 0;
  drollicant::DrollicantDSPKernel kernel;
  kernel.charisma = 0.2f;
  kernel.nostalgia = 0.7f;
  kernel.whimsy = 0.6f;
  kernel.flighty = flighty;
  kernel.allocate(block, kSampleRate);

  // A second of noise and tones, cycled through block by block.
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
  const int64_t sourceFrames = 48000;
  std::vector<float> sourceL(sourceFrames), sourceR(sourceFrames);
  for (int64_t i = 0; i < sourceFrames; ++i) {
    sourceL[i] = 0.4f * float(std::sin(2 * M_PI * 220.0 * i / kSampleRate)) + noise(rng);
    sourceR[i] = 0.4f * float(std::sin(2 * M_PI * 330.0 * i / kSampleRate)) + noise(rng);
  }
  std::vector<float> left(block), right(block);
  drollicant::DenormalGuard denormals;
  int64_t position = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < block; ++i) {
      left[i] = sourceL[(position + i) % sourceFrames];
      right[i] = sourceR[(position + i) % sourceFrames];
    }
    position = (position + block) % sourceFrames;
    kernel.process(left.data(), right.data(), left.data(), right.data(), block);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
  const double frames = double(state.iterations()) * double(block);
  state.SetItemsProcessed(int64_t(frames));
  // Seconds of 48 kHz stereo audio processed per second.
  state.counters["x_realtime"] = benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
  state.counters["time_per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Cost per frame of a feedback tail dying away in silence, against the same settings fed
// noise. Short delays at full feedback take the tail down to the denormal range within
// about six seconds (where, without flush-to-zero, it settles instead of reaching 0);
// one second of audio is timed after `from_s` seconds of tail (from_s < 0: noise
// throughout). With `ftz` 1 the kernel runs under flush-to-zero, as the render block
// runs it; with 0 the bare kernel shows what denormals cost it.
void BM_KernelTail(benchmark::State& state) {
  const int64_t skipSeconds = state.range(0);
  const bool flushToZero = state.range(1) != 0;
  constexpr int64_t block = 512;
  std::optional<drollicant::DenormalGuard> denormals;
  if (flushToZero) denormals.emplace();
  drollicant::DrollicantDSPKernel kernel;
  kernel.charisma = 0.4f;
  kernel.nostalgia = 1.0f;
  kernel.allocate(block, kSampleRate);

  std::mt19937 rng(7);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  std::vector<float> left(block), right(block);
  auto render = [&](bool silent) {
    for (int64_t i = 0; i < block; ++i) left[i] = silent ? 0.0f : noise(rng), right[i] = silent ? 0.0f : noise(rng);
    kernel.process(left.data(), right.data(), left.data(), right.data(), block);
  };
  const auto blocksPerSecond = int64_t(kSampleRate) / block;
  for (int64_t b = 0; b < blocksPerSecond * (1 + std::max<int64_t>(skipSeconds, 0)); ++b) render(b >= blocksPerSecond);
  for (auto _ : state) {
    render(skipSeconds >= 0);
    benchmark::DoNotOptimize(left.data());
  }
  state.counters["time_per_frame"] =
      benchmark::Counter(double(state.iterations()) * block, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_KernelTail)
    ->ArgNames({"from_s", "ftz"})
    ->ArgsProduct({{-1, 1, 4, 7, 10}, {1, 0}})
    ->Iterations(int64_t(kSampleRate) / 512)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_KernelProcess)
    ->ArgNames({"block", "flighty"})
    ->ArgsProduct({{32, 64, 512, 4096}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
