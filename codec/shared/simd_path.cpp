#include "shared/simd_path.h"

#ifdef TESSARK_X86_LANES
#include <cpuid.h>
#endif

#include <cstring>
#include <initializer_list>

const char* simdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::Sse2: return "sse2";
    case SimdPath::Avx2: return "avx2";
    default: return "plain";
  }
}

#ifdef TESSARK_X86_LANES
// AVX2 instructions, and the system saving the ymm registers. Asked with
// three instructions rather than through the compiler's processor table,
// whose start-up asks the processor dozens of questions in every process:
// Quorvel starts one Tessark per container, and on virtual machines each
// question costs a trip to the host.
static bool avx2Usable() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const unsigned osSavesRegisters = 1u << 27, avx = 1u << 28;
  if ((c & osSavesRegisters) == 0 || (c & avx) == 0) return false;
  unsigned low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  const unsigned xmmAndYmmState = 6;
  if ((low & xmmAndYmmState) != xmmAndYmmState) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & (1u << 5)) != 0;
}
#endif

// TESSARK_X86_LANES is defined by the build for x86-64 targets, which have
// the SSE2 and AVX2 kernel files; other processors run the plain path.
SimdPath bestSimdPath() {
#ifdef TESSARK_X86_LANES
  return avx2Usable() ? SimdPath::Avx2 : SimdPath::Sse2;
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
