#include "dsp/EngineRoutines.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace drollicant {

extern const EngineRoutines engineRoutines_baseline;
#if defined(DROLLICANT_ENGINE_X86)
extern const EngineRoutines engineRoutines_avx2;
extern const EngineRoutines engineRoutines_avx512;
#endif

#if defined(DROLLICANT_ENGINE_X86)
namespace {
// The instruction-set levels the copies are built for. GCC names the levels; clang
// knows only the features, so ask for those the compilers use at each level.
bool runsX86_64_v3() {
#if defined(__clang__)
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("bmi2");
#else
  return __builtin_cpu_supports("x86-64-v3");
#endif
}

bool runsX86_64_v4() {
#if defined(__clang__)
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
#else
  return __builtin_cpu_supports("x86-64-v4");
#endif
}
}  // namespace
#endif

const EngineRoutines* engineRoutinesFor(const char* name) {
  if (!name) return nullptr;
  if (std::strcmp(name, "baseline") == 0) return &engineRoutines_baseline;
#if defined(DROLLICANT_ENGINE_X86)
  __builtin_cpu_init();
  if (std::strcmp(name, "avx2") == 0 && runsX86_64_v3()) return &engineRoutines_avx2;
  if (std::strcmp(name, "avx512") == 0 && runsX86_64_v3() && runsX86_64_v4()) return &engineRoutines_avx512;
#endif
  return nullptr;
}

const EngineRoutines& bestEngineRoutines() {
  static const EngineRoutines* const best = [] {
    if (const EngineRoutines* asked = engineRoutinesFor(std::getenv("DROLLICANT_ISA"))) return asked;
    for (const char* name : {"avx512", "avx2"})
      if (const EngineRoutines* routines = engineRoutinesFor(name)) return routines;
    return &engineRoutines_baseline;
  }();
  return *best;
}

}  // namespace drollicant
