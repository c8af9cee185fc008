// The lane algorithm on one plain lane: portable, and the lane paths'
// reference in the tests on every processor.
#include "encode/lane_encoder.h"

static constexpr LaneKernels kScalarKernels = laneKernels<ScalarLanes>("scalar");

const LaneKernels& scalarLaneKernels() { return kScalarKernels; }

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
