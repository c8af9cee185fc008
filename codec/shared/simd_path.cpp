#include "shared/simd_path.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

const char* simdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::Sse2: return "sse2";
    case SimdPath::Avx2: return "avx2";
    default: return "plain";
  }
}

// TESSARK_X86_LANES is defined by the build for x86-64 targets, which have
// the SSE2 and AVX2 kernel files; other processors run the plain path.
SimdPath bestSimdPath() {
#ifdef TESSARK_X86_LANES
  return __builtin_cpu_supports("avx2") ? SimdPath::Avx2 : SimdPath::Sse2;
#else
  return SimdPath::Plain;
#endif
}

SimdPath simdPathFromSetting(const char* setting, SimdPath best) {
  if (!setting) return best;
  for (SimdPath path : {SimdPath::Plain, SimdPath::Sse2, SimdPath::Avx2}) {
    if (std::strcmp(setting, simdPathName(path)) == 0) return path < best ? path : best;
  }
  return best;
}

SimdPath chosenSimdPath() { return simdPathFromSetting(std::getenv("TESSARK_SIMD"), bestSimdPath()); }
