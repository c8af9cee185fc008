// The lane algorithm on AVX2, eight blocks at a time. This file alone is
// built with -mavx2; its kernels are reached only through the table below,
// which is fetched only after the processor has reported AVX2.
#include "encode/lanes_avx2.h"

#include "encode/lane_encoder.h"

static constexpr LaneKernels kAvx2Kernels = laneKernels<Avx2Lanes>("avx2");

const LaneKernels& avx2LaneKernels() { return kAvx2Kernels; }
