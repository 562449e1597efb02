// Stereo throughput of the kernel at 48 kHz for typical settings, per block size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "PlainEngine.h"
#include "dsp/DenormalGuard.h"
#include "dsp/DrollicantDSPKernel.h"

namespace {

constexpr double kSampleRate = 48000.0;

// `capacity`: the longest block the kernel is allocated for; 0 for `block` itself.
void runKernel(benchmark::State& state, const drollicant::EngineRoutines& routines, int64_t block, bool flighty,
               int64_t capacity = 0, float charisma = 0.2f) {
  drollicant::DrollicantDSPKernel kernel;
  kernel.routines = &routines;
  kernel.charisma = charisma;
  kernel.nostalgia = 0.7f;
  kernel.whimsy = 0.6f;
  kernel.flighty = flighty;
  kernel.allocate(capacity > 0 ? capacity : block, kSampleRate);

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
    // The next block of the source, wrapping at its end; no division per sample, so
    // the copy stays small beside the processing.
    for (int64_t done = 0; done < block;) {
      const int64_t run = std::min(block - done, sourceFrames - position);
      std::copy_n(sourceL.begin() + position, run, left.begin() + done);
      std::copy_n(sourceR.begin() + position, run, right.begin() + done);
      done += run;
      position = position + run == sourceFrames ? 0 : position + run;
    }
    kernel.process(left.data(), right.data(), left.data(), right.data(), block);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
  const double frames = double(state.iterations()) * double(block);
  state.SetItemsProcessed(int64_t(frames));
  // Seconds of 48 kHz stereo audio processed per second.
  state.counters["x_realtime"] = benchmark::Counter(frames / kSampleRate, benchmark::Counter::kIsRate);
  state.counters["time_per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_KernelProcess(benchmark::State& state) {
  runKernel(state, drollicant::bestEngineRoutines(), state.range(0), state.range(1) != 0);
}

// As hosts call it: allocated once for their longest block (hosts ask for 4096 or
// 8192 frames), then called with their period.
void BM_KernelInHost(benchmark::State& state) {
  runKernel(state, drollicant::bestEngineRoutines(), state.range(0), false, 4096);
}

// Near the neutral modulation depth the delays are a few samples long or none at all (the
// default, charisma 0.5): reads then reach into the samples being written. Given in
// thousandths of charisma.
void BM_KernelNeutral(benchmark::State& state) {
  runKernel(state, drollicant::bestEngineRoutines(), state.range(0), false, 0, float(state.range(1)) / 1000.0f);
}

// The same work through each copy of the inner loops this CPU runs (0 = the plain
// loops kept with the tests, 1 = baseline, 2 = avx2, 3 = avx512).
void BM_Copies(benchmark::State& state) {
  static const char* const names[] = {"plain", "baseline", "avx2", "avx512"};
  const int copy = int(state.range(1));
  const drollicant::EngineRoutines* routines =
      copy == 0 ? &drollicant::test::plainEngineRoutines() : drollicant::engineRoutinesFor(names[copy]);
  if (!routines) {
    state.SkipWithError("this CPU lacks the instruction set");
    return;
  }
  state.SetLabel(names[copy]);
  runKernel(state, *routines, state.range(0), false);
}

// Cost per frame of a feedback tail dying away in silence, against the same settings fed
// noise. Short delays at full feedback take the tail down to the denormal range within
// about six seconds; one second of audio is timed after `from_s` seconds of tail
// (from_s < 0: noise throughout). The kernel flushes denormals itself, so a tail must
// cost no more than noise.
void BM_KernelTail(benchmark::State& state) {
  const int64_t skipSeconds = state.range(0);
  constexpr int64_t block = 512;
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

BENCHMARK(BM_Copies)
    ->ArgNames({"block", "copy"})
    ->ArgsProduct({{1, 64, 512}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KernelTail)
    ->ArgName("from_s")
    ->Arg(-1)
    ->Arg(1)
    ->Arg(4)
    ->Arg(7)
    ->Arg(10)
    ->Iterations(int64_t(kSampleRate) / 512)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_KernelProcess)
    ->ArgNames({"block", "flighty"})
    ->ArgsProduct({{1, 32, 64, 512, 4096}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_KernelNeutral)
    ->ArgNames({"block", "charisma_e3"})
    ->ArgsProduct({{32, 512}, {470, 500}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_KernelInHost)->ArgName("block")->Arg(1)->Arg(32)->Arg(512)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
