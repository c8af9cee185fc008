// Which implementation runs: the plain code, or vector code on SSE2 or
// AVX2 (the encoder's lane kernels; the decoder's AVX2 tile-row kernel).
// All give the same bytes; a setting (Tessark's TESSARK_SIMD: "plain",
// "sse2" or "avx2") caps the choice so that a user can compare, and the
// tests pick each path explicitly. The caller chooses; the core is told.
#pragma once

// Ordered from the plainest: a setting never raises the path above what
// the processor and the build support.
enum class SimdPath { Plain = 0, Sse2 = 1, Avx2 = 2 };

const char* simdPathName(SimdPath path);

// The fastest path this build can run on this processor.
SimdPath bestSimdPath();

// A setting (null when unset) capped by best: "plain", "sse2" and "avx2"
// ask for that path or the best below it; anything else gives best.
SimdPath simdPathFromSetting(const char* setting, SimdPath best);
