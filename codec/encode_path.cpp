#include "encode_path.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

const char* encodePathName(EncodePath path) {
  switch (path) {
    case EncodePath::Sse2: return "sse2";
    case EncodePath::Avx2: return "avx2";
    default: return "plain";
  }
}

// TESSARK_X86_LANES is defined by the build for x86-64 targets, which have
// the SSE2 and AVX2 kernel files; other processors run the plain path.
EncodePath bestEncodePath() {
#ifdef TESSARK_X86_LANES
  return __builtin_cpu_supports("avx2") ? EncodePath::Avx2 : EncodePath::Sse2;
#else
  return EncodePath::Plain;
#endif
}

EncodePath encodePathFromSetting(const char* setting, EncodePath best) {
  if (!setting) return best;
  for (EncodePath path : {EncodePath::Plain, EncodePath::Sse2, EncodePath::Avx2}) {
    if (std::strcmp(setting, encodePathName(path)) == 0) return path < best ? path : best;
  }
  return best;
}

EncodePath chosenEncodePath() { return encodePathFromSetting(std::getenv("TESSARK_SIMD"), bestEncodePath()); }

const LaneKernels* laneKernelsFor(EncodePath path) {
#ifdef TESSARK_X86_LANES
  if (path == EncodePath::Avx2) return &avx2LaneKernels();
  if (path == EncodePath::Sse2) return &sse2LaneKernels();
#else
  (void)path;
#endif
  return nullptr;
}
