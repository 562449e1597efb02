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

const EngineRoutines* engineRoutinesFor(const char* name) {
  if (!name) return nullptr;
  if (std::strcmp(name, "baseline") == 0) return &engineRoutines_baseline;
#if defined(DROLLICANT_ENGINE_X86)
  __builtin_cpu_init();
  if (std::strcmp(name, "avx2") == 0 && __builtin_cpu_supports("x86-64-v3")) return &engineRoutines_avx2;
  if (std::strcmp(name, "avx512") == 0 && __builtin_cpu_supports("x86-64-v4")) return &engineRoutines_avx512;
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
