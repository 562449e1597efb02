// Stereo throughput of the kernel at 48 kHz for typical settings, per block size.
#include <benchmark/benchmark.h>

#include <cmath>
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

}  // namespace

BENCHMARK(BM_KernelProcess)
    ->ArgNames({"block", "flighty"})
    ->ArgsProduct({{32, 64, 512, 4096}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
