// The SSE2 backend of the lane encoder: four blocks side by side, one per
// 32-bit lane. SSE2 is part of every x86-64 processor. Every operation is
// the exactly rounded IEEE operation of the one-lane backend (lanes_scalar.h
// says what each one means); comparisons give all-ones masks.
// Included by exactly one source file (and by lanes_avx2.h); everything here
// has internal linkage, so no copy compiled for one instruction set can be
// picked by the linker for code that runs on another.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace {

// Four 3- or 4-byte pixels as 32-bit words, reading only their own bytes.
inline __m128i loadFourPixels(const uint8_t* p, uint32_t bytesPerPixel) {
  if (bytesPerPixel == 4) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  int32_t last;
  std::memcpy(&last, p + 8, 4);
  const __m128i bytes = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                           _mm_cvtsi32_si128(last));
  // Pixel x starts at byte 3x: word x of (bytes >> 8 * 3x).
  const __m128i first = _mm_unpacklo_epi32(bytes, _mm_srli_si128(bytes, 3));
  const __m128i second = _mm_unpacklo_epi32(_mm_srli_si128(bytes, 6), _mm_srli_si128(bytes, 9));
  return _mm_unpacklo_epi64(first, second);
}

inline void transposeFour(__m128& a, __m128& b, __m128& c, __m128& d) { _MM_TRANSPOSE4_PS(a, b, c, d); }

inline void transposeFourInt(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
  __m128 fa = _mm_castsi128_ps(a), fb = _mm_castsi128_ps(b), fc = _mm_castsi128_ps(c), fd = _mm_castsi128_ps(d);
  transposeFour(fa, fb, fc, fd);
  a = _mm_castps_si128(fa);
  b = _mm_castps_si128(fb);
  c = _mm_castps_si128(fc);
  d = _mm_castps_si128(fd);
}

// ((br + tr) + bl) + tl in double for two lanes, times 0.25.
inline __m128d averageTwoAlphas(__m128 br, __m128 tr, __m128 bl, __m128 tl) {
  __m128d sum = _mm_add_pd(_mm_cvtps_pd(br), _mm_cvtps_pd(tr));
  sum = _mm_add_pd(sum, _mm_cvtps_pd(bl));
  sum = _mm_add_pd(sum, _mm_cvtps_pd(tl));
  return _mm_mul_pd(sum, _mm_set1_pd(0.25));
}

struct Sse2Lanes {
  static constexpr uint32_t kLanes = 4;
  using F = __m128;
  using I = __m128i;
  using M = __m128;

  static F splat(float v) { return _mm_set1_ps(v); }
  static F add(F a, F b) { return _mm_add_ps(a, b); }
  static F sub(F a, F b) { return _mm_sub_ps(a, b); }
  static F mul(F a, F b) { return _mm_mul_ps(a, b); }
  static F div(F a, F b) { return _mm_div_ps(a, b); }
  static F sqrt(F a) { return _mm_sqrt_ps(a); }
  static F lessOr(F a, F b) { return _mm_min_ps(a, b); }     // a < b ? a : b
  static F greaterOr(F a, F b) { return _mm_max_ps(a, b); }  // a > b ? a : b

  static M lessEqual(F a, F b) { return _mm_cmple_ps(a, b); }
  static M greater(F a, F b) { return _mm_cmpgt_ps(a, b); }
  static M greaterEqual(F a, F b) { return _mm_cmpge_ps(a, b); }
  static M equal(F a, F b) { return _mm_cmpeq_ps(a, b); }
  static M notEqual(F a, F b) { return _mm_cmpneq_ps(a, b); }
  static M equalInt(I a, I b) { return _mm_castsi128_ps(_mm_cmpeq_epi32(a, b)); }
  static M both(M a, M b) { return _mm_and_ps(a, b); }
  static M either(M a, M b) { return _mm_or_ps(a, b); }
  static F select(M m, F ifTrue, F ifFalse) { return _mm_or_ps(_mm_and_ps(m, ifTrue), _mm_andnot_ps(m, ifFalse)); }
  static F keepWhere(M m, F v) { return _mm_and_ps(m, v); }
  static F clearWhere(M m, F v) { return _mm_andnot_ps(m, v); }
  static I selectInt(M m, I ifTrue, I ifFalse) {
    const I mask = _mm_castps_si128(m);
    return _mm_or_si128(_mm_and_si128(mask, ifTrue), _mm_andnot_si128(mask, ifFalse));
  }

  static I maskAsInt(M m) { return _mm_castps_si128(m); }  // all bits set where true
  static I splatInt(int32_t v) { return _mm_set1_epi32(v); }
  static I addInt(I a, I b) { return _mm_add_epi32(a, b); }
  static I orInt(I a, I b) { return _mm_or_si128(a, b); }
  static I andInt(I a, I b) { return _mm_and_si128(a, b); }
  static I shiftLeft(I v, int n) { return _mm_sll_epi32(v, _mm_cvtsi32_si128(n)); }
  static I shiftRight(I v, int n) { return _mm_srl_epi32(v, _mm_cvtsi32_si128(n)); }
  static I truncate(F v) { return _mm_cvttps_epi32(v); }
  static F toFloat(I v) { return _mm_cvtepi32_ps(v); }

  static F load(const float* p) { return _mm_loadu_ps(p); }
  static void store(float* p, F v) { _mm_storeu_ps(p, v); }
  static void storeInt(uint32_t* p, I v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

  static I loadPixels(const uint8_t* p, uint32_t bytesPerPixel) { return loadFourPixels(p, bytesPerPixel); }

  static void loadTransposed(const float* const sources[kLanes], F out[4]) {
    for (uint32_t t = 0; t < 4; ++t) out[t] = _mm_loadu_ps(sources[t]);
    transposeFour(out[0], out[1], out[2], out[3]);
  }
  static void loadPixelsTransposed(const uint8_t* const sources[kLanes], uint32_t bytesPerPixel, I out[4]) {
    for (uint32_t t = 0; t < 4; ++t) out[t] = loadFourPixels(sources[t], bytesPerPixel);
    transposeFourInt(out[0], out[1], out[2], out[3]);
  }

  static void deinterleave(F first, F second, F& even, F& odd) {
    even = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
    odd = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
  }

  static F averageAlphas(F br, F tr, F bl, F tl) {
    const __m128 low = _mm_cvtpd_ps(averageTwoAlphas(br, tr, bl, tl));
    const __m128 high = _mm_cvtpd_ps(averageTwoAlphas(_mm_movehl_ps(br, br), _mm_movehl_ps(tr, tr),
                                                      _mm_movehl_ps(bl, bl), _mm_movehl_ps(tl, tl)));
    return _mm_movelh_ps(low, high);
  }
};

}  // namespace
