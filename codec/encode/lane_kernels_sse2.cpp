// The lane algorithm on SSE2, four blocks at a time (every x86-64 processor).
#include "encode/lanes_sse2.h"

#include "encode/lane_encoder.h"

static constexpr LaneKernels kSse2Kernels = laneKernels<Sse2Lanes>("sse2");

const LaneKernels& sse2LaneKernels() { return kSse2Kernels; }
