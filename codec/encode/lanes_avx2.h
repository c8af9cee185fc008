// The AVX2 backend of the lane encoder: eight blocks side by side. Compiled
// only into lane_kernels_avx2.cpp (built with -mavx2, never with FMA), which
// runs only after the processor has been found to support AVX2. Same
// operations, same meaning as lanes_scalar.h; internal linkage throughout.
#pragma once

#include <immintrin.h>

#include "encode/lanes_sse2.h"

namespace {

inline __m256 joinHalves(__m128 low, __m128 high) { return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1); }
inline __m256i joinHalvesInt(__m128i low, __m128i high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// ((br + tr) + bl) + tl in double for four lanes, times 0.25, rounded to float.
inline __m128 averageFourAlphas(__m128 br, __m128 tr, __m128 bl, __m128 tl) {
  __m256d sum = _mm256_add_pd(_mm256_cvtps_pd(br), _mm256_cvtps_pd(tr));
  sum = _mm256_add_pd(sum, _mm256_cvtps_pd(bl));
  sum = _mm256_add_pd(sum, _mm256_cvtps_pd(tl));
  return _mm256_cvtpd_ps(_mm256_mul_pd(sum, _mm256_set1_pd(0.25)));
}

struct Avx2Lanes {
  static constexpr uint32_t kLanes = 8;
  using F = __m256;
  using I = __m256i;
  using M = __m256;

  static F splat(float v) { return _mm256_set1_ps(v); }
  static F add(F a, F b) { return _mm256_add_ps(a, b); }
  static F sub(F a, F b) { return _mm256_sub_ps(a, b); }
  static F mul(F a, F b) { return _mm256_mul_ps(a, b); }
  static F div(F a, F b) { return _mm256_div_ps(a, b); }
  static F sqrt(F a) { return _mm256_sqrt_ps(a); }
  static F lessOr(F a, F b) { return _mm256_min_ps(a, b); }     // a < b ? a : b
  static F greaterOr(F a, F b) { return _mm256_max_ps(a, b); }  // a > b ? a : b

  static M lessEqual(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
  static M greater(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
  static M greaterEqual(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OQ); }
  static M equal(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
  static M notEqual(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_NEQ_UQ); }  // true for NaN, like !=
  static M equalInt(I a, I b) { return _mm256_castsi256_ps(_mm256_cmpeq_epi32(a, b)); }
  static M both(M a, M b) { return _mm256_and_ps(a, b); }
  static M either(M a, M b) { return _mm256_or_ps(a, b); }
  static F select(M m, F ifTrue, F ifFalse) { return _mm256_blendv_ps(ifFalse, ifTrue, m); }
  static F keepWhere(M m, F v) { return _mm256_and_ps(m, v); }
  static F clearWhere(M m, F v) { return _mm256_andnot_ps(m, v); }
  static I selectInt(M m, I ifTrue, I ifFalse) {
    return _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(ifFalse), _mm256_castsi256_ps(ifTrue), m));
  }

  static I maskAsInt(M m) { return _mm256_castps_si256(m); }  // all bits set where true
  static I splatInt(int32_t v) { return _mm256_set1_epi32(v); }
  static I addInt(I a, I b) { return _mm256_add_epi32(a, b); }
  static I orInt(I a, I b) { return _mm256_or_si256(a, b); }
  static I andInt(I a, I b) { return _mm256_and_si256(a, b); }
  static I shiftLeft(I v, int n) { return _mm256_sll_epi32(v, _mm_cvtsi32_si128(n)); }
  static I shiftRight(I v, int n) { return _mm256_srl_epi32(v, _mm_cvtsi32_si128(n)); }
  static I truncate(F v) { return _mm256_cvttps_epi32(v); }
  static F toFloat(I v) { return _mm256_cvtepi32_ps(v); }

  static F load(const float* p) { return _mm256_loadu_ps(p); }
  static void store(float* p, F v) { _mm256_storeu_ps(p, v); }
  static void storeInt(uint32_t* p, I v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

  static I loadPixels(const uint8_t* p, uint32_t bytesPerPixel) {
    return joinHalvesInt(loadFourPixels(p, bytesPerPixel), loadFourPixels(p + 4 * bytesPerPixel, bytesPerPixel));
  }

  static void loadTransposed(const float* const sources[kLanes], F out[4]) {
    __m128 low[4], high[4];
    for (uint32_t t = 0; t < 4; ++t) {
      low[t] = _mm_loadu_ps(sources[t]);
      high[t] = _mm_loadu_ps(sources[t + 4]);
    }
    transposeFour(low[0], low[1], low[2], low[3]);
    transposeFour(high[0], high[1], high[2], high[3]);
    for (uint32_t x = 0; x < 4; ++x) out[x] = joinHalves(low[x], high[x]);
  }
  static void loadPixelsTransposed(const uint8_t* const sources[kLanes], uint32_t bytesPerPixel, I out[4]) {
    __m128i low[4], high[4];
    for (uint32_t t = 0; t < 4; ++t) {
      low[t] = loadFourPixels(sources[t], bytesPerPixel);
      high[t] = loadFourPixels(sources[t + 4], bytesPerPixel);
    }
    transposeFourInt(low[0], low[1], low[2], low[3]);
    transposeFourInt(high[0], high[1], high[2], high[3]);
    for (uint32_t x = 0; x < 4; ++x) out[x] = joinHalvesInt(low[x], high[x]);
  }

  // Shuffles within each 128-bit half, then puts the halves' pairs in order.
  static void deinterleave(F first, F second, F& even, F& odd) {
    const __m256 evenMixed = _mm256_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
    const __m256 oddMixed = _mm256_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
    even = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(evenMixed), _MM_SHUFFLE(3, 1, 2, 0)));
    odd = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(oddMixed), _MM_SHUFFLE(3, 1, 2, 0)));
  }

  static F averageAlphas(F br, F tr, F bl, F tl) {
    const __m128 low = averageFourAlphas(_mm256_castps256_ps128(br), _mm256_castps256_ps128(tr),
                                         _mm256_castps256_ps128(bl), _mm256_castps256_ps128(tl));
    const __m128 high = averageFourAlphas(_mm256_extractf128_ps(br, 1), _mm256_extractf128_ps(tr, 1),
                                          _mm256_extractf128_ps(bl, 1), _mm256_extractf128_ps(tl, 1));
    return joinHalves(low, high);
  }
};

}  // namespace
