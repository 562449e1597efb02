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

void runKernel(benchmark::State& state, const drollicant::EngineRoutines& routines, int64_t block, bool flighty) {
  drollicant::DrollicantDSPKernel kernel;
  kernel.routines = &routines;
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
  state.counters["time_per_frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_KernelProcess(benchmark::State& state) {
  runKernel(state, drollicant::bestEngineRoutines(), state.range(0), state.range(1) != 0);
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

}  // namespace

BENCHMARK(BM_Copies)->ArgNames({"block", "copy"})->ArgsProduct({{1, 64, 512}, {0, 1, 2, 3}})->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_KernelProcess)
    ->ArgNames({"block", "flighty"})
    ->ArgsProduct({{1, 32, 64, 512, 4096}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
