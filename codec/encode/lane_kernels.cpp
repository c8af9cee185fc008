// The choice of lane backend for a vector path.
#include "encode/lane_kernels.h"

// TESSARK_X86_LANES: x86-64 builds, which have the SSE2 and AVX2 kernel files.
const LaneKernels* laneKernelsFor(SimdPath path) {
#ifdef TESSARK_X86_LANES
  if (path == SimdPath::Avx2) return &avx2LaneKernels();
  if (path == SimdPath::Sse2) return &sse2LaneKernels();
#else
  (void)path;
#endif
  return &scalarLaneKernels();
}
