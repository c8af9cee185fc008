// The vector paths of the encoder: the block encoders and the mip reduction
// run on several blocks (or pixels) at once, one per lane, and give exactly
// the bytes of the plain path. One algorithm (lane_encoder.h) is compiled
// per backend: one lane in plain C++, SSE2 (four lanes, every x86-64
// processor) and AVX2 (eight lanes, chosen at run time). Each backend is a
// table of the four kernels below; nothing else of it is visible outside
// its own source file.
#pragma once

#include <cstdint>

#include "shared/pixel_layout.h"
#include "shared/simd_path.h"

// A mip level as the vector paths keep it: one array per channel, w x h
// entries each in stored pixel order. alpha is null for a layout without
// alpha, whose alphas are never written.
struct PlanarLevel {
  float* red;
  float* green;
  float* blue;
  float* alpha;
};

// Level kernels. The first four take levels whose sides are both at least
// 4, encodeSmallLevel the levels with a side below 4. Level 0 is read
// straight from the source's pixel bytes (the layout's source bytes per
// pixel: blue, green, red(, alpha), stored row order); every later level from
// a PlanarLevel. The encoders write levelBytes(layout, w, h) bytes into out;
// the reductions fill (w/2) x (h/2) entries of every array of next.
struct LaneKernels {
  const char* name;
  void (*encodeSourceLevel)(const uint8_t* pixels, const PixelLayout& layout, uint32_t w, uint32_t h,
                            bool topLeftOrigin, uint8_t* out);
  void (*reduceSourceLevel)(const uint8_t* pixels, const PixelLayout& layout, uint32_t w, uint32_t h,
                            const PlanarLevel& next);
  void (*encodePlanarLevel)(const PlanarLevel& level, const PixelLayout& layout, uint32_t w, uint32_t h,
                            bool topLeftOrigin, uint8_t* out);
  void (*reducePlanarLevel)(const PlanarLevel& level, const PixelLayout& layout, uint32_t w, uint32_t h,
                            const PlanarLevel& next);
  void (*encodeSmallLevel)(const PlanarLevel& level, const PixelLayout& layout, uint32_t w, uint32_t h,
                           bool topLeftOrigin, uint8_t* out);
};

const LaneKernels& scalarLaneKernels();
// Only in x86 builds; call only when the processor has the instruction set.
const LaneKernels& sse2LaneKernels();
const LaneKernels& avx2LaneKernels();

// The kernels of a path: the one-lane scalar backend for SimdPath::Plain.
// The path must not be above bestSimdPath().
const LaneKernels* laneKernelsFor(SimdPath path);
