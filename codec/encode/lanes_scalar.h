// The one-lane backend of the lane encoder: the same operations as the SSE2
// and AVX2 backends on plain floats and ints, for any processor. It keeps the
// lane algorithm testable everywhere and documents what each operation means.
// Included by exactly one source file; everything here has internal linkage.
#pragma once

#include <cstdint>
#include <cstring>

namespace {

struct ScalarLanes {
  static constexpr uint32_t kLanes = 1;
  using F = float;
  using I = int32_t;
  using M = bool;

  static F splat(float v) { return v; }
  static F add(F a, F b) { return a + b; }
  static F sub(F a, F b) { return a - b; }
  static F mul(F a, F b) { return a * b; }
  static F div(F a, F b) { return a / b; }
  static F sqrt(F a) { return __builtin_sqrtf(a); }
  // a < b ? a : b and a > b ? a : b, exactly so (NaN and -0 included).
  static F lessOr(F a, F b) { return a < b ? a : b; }
  static F greaterOr(F a, F b) { return a > b ? a : b; }

  static M lessEqual(F a, F b) { return a <= b; }
  static M greater(F a, F b) { return a > b; }
  static M greaterEqual(F a, F b) { return a >= b; }
  static M equal(F a, F b) { return a == b; }
  static M notEqual(F a, F b) { return a != b; }
  static M equalInt(I a, I b) { return a == b; }
  static M both(M a, M b) { return a && b; }
  static M either(M a, M b) { return a || b; }
  static F select(M m, F ifTrue, F ifFalse) { return m ? ifTrue : ifFalse; }
  static F keepWhere(M m, F v) { return m ? v : 0.0f; }   // select(m, v, +0)
  static F clearWhere(M m, F v) { return m ? 0.0f : v; }  // select(m, +0, v)
  static I selectInt(M m, I ifTrue, I ifFalse) { return m ? ifTrue : ifFalse; }

  static I maskAsInt(M m) { return m ? -1 : 0; }  // all bits set where true
  static I splatInt(int32_t v) { return v; }
  static I addInt(I a, I b) { return static_cast<I>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
  static I orInt(I a, I b) { return a | b; }
  static I andInt(I a, I b) { return a & b; }
  static I shiftLeft(I v, int n) { return static_cast<I>(static_cast<uint32_t>(v) << n); }
  static I shiftRight(I v, int n) { return static_cast<I>(static_cast<uint32_t>(v) >> n); }  // logical
  static I truncate(F v) { return static_cast<I>(v); }  // callers keep v in int range
  static F toFloat(I v) { return static_cast<F>(v); }

  static F load(const float* p) { return *p; }
  static void store(float* p, F v) { *p = v; }
  static void storeInt(uint32_t* p, I v) { *p = static_cast<uint32_t>(v); }

  // kLanes pixels from p: blue in bits 0-7, green 8-15, red 16-23, alpha
  // 24-31 (garbage for 3-byte pixels). Reads only the pixels' own bytes.
  static I loadPixels(const uint8_t* p, uint32_t bytesPerPixel) {
    uint32_t word = p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16;
    if (bytesPerPixel == 4) word |= static_cast<uint32_t>(p[3]) << 24;
    return static_cast<I>(word);
  }

  // Lane t gets four consecutive values from sources[t]; out[x] holds value x of every lane.
  static void loadTransposed(const float* const sources[kLanes], F out[4]) {
    for (int x = 0; x < 4; ++x) out[x] = sources[0][x];
  }
  static void loadPixelsTransposed(const uint8_t* const sources[kLanes], uint32_t bytesPerPixel, I out[4]) {
    for (uint32_t x = 0; x < 4; ++x) out[x] = loadPixels(sources[0] + x * bytesPerPixel, bytesPerPixel);
  }

  // 2*kLanes consecutive values as given by two loads: even and odd positions.
  static void deinterleave(F first, F second, F& even, F& odd) {
    even = first;
    odd = second;
  }

  // The mip reduction's alpha: ((br + tr) + bl) + tl in double, times 0.25,
  // rounded once to float.
  static F averageAlphas(F br, F tr, F bl, F tl) {
    double sum = static_cast<double>(br);
    sum += static_cast<double>(tr);
    sum += static_cast<double>(bl);
    sum += static_cast<double>(tl);
    return static_cast<F>(sum * 0.25);
  }
};

}  // namespace
