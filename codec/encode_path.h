// Which implementation encodes: the plain per-block code, or the lane
// kernels on SSE2 or AVX2. All give the same bytes; the environment
// variable TESSARK_SIMD ("plain", "sse2" or "avx2") caps the choice so that a
// user can compare, and the tests pick each path explicitly.
#pragma once

#include "lane_kernels.h"

// Ordered from the plainest: a setting never raises the path above what
// the processor and the build support.
enum class EncodePath { Plain = 0, Sse2 = 1, Avx2 = 2 };

const char* encodePathName(EncodePath path);

// The fastest path this build can run on this processor.
EncodePath bestEncodePath();

// A TESSARK_SIMD value (null when unset) capped by best: "plain", "sse2" and
// "avx2" ask for that path or the best below it; anything else gives best.
EncodePath encodePathFromSetting(const char* setting, EncodePath best);

// bestEncodePath() under the process's TESSARK_SIMD.
EncodePath chosenEncodePath();

// The kernels of a lane path; null for EncodePath::Plain. The path must not
// be above bestEncodePath().
const LaneKernels* laneKernelsFor(EncodePath path);
