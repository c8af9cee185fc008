#include "encode/mean_alpha.h"

#include "shared/container.h"

// kByteToUnit is 0x808081 * 2^-31, and every partial sum is a multiple of
// 2^-31 below 2^26: scaled by 2^31 the exact sum is a 64-bit integer, and
// converting it back rounds to float exactly once. Scaling by a power of two
// is exact here (no overflow, no underflow).
constexpr int64_t kByteToUnitMantissa = 0x808081;  // k in units of 2^-31

float addAlphaToSum(float sum, uint8_t alpha) {
  const int64_t scaledSum = static_cast<int64_t>(sum * 0x1p31f);
  const int64_t exactSum = scaledSum + static_cast<int64_t>(alpha) * kByteToUnitMantissa;
  return static_cast<float>(exactSum) * 0x1p-31f;
}

// The reader adds each exact product alpha * k (k = 0x808081 * 2^-31) to a
// float sum and rounds once (addAlphaToSum). While the sum stays within one
// binade [2^e, 2^(e+1)) with e >= 1, its float grid is the multiples of
// u = 2^(e-23), and a step from a grid point adds exactly round(alpha*k / u)
// grid units: the rounding does not depend on the sum, because
// alpha * 0x808081 has at most 7 trailing zero bits and so is never a tie at
// u >= 2^-22. A run of pixels that keeps the sum in its binade is therefore
// added with one table look-up per pixel; runs that would leave the binade,
// and sums below 2, take the reader's own steps.
constexpr size_t kRunPixels = 1024;
constexpr uint32_t kMantissaBits = 23;

// steps[a] = round(a * k / u) for the binade of the biased exponent field.
static void buildSteps(uint32_t exponentField, uint32_t steps[256]) {
  const uint32_t shift = exponentField - 127 + 8;  // u = 2^(e + 8) units of 2^-31
  for (uint64_t a = 0; a < 256; ++a) {
    steps[a] = static_cast<uint32_t>((a * kByteToUnitMantissa + (uint64_t{1} << (shift - 1))) >> shift);
  }
}

// The sum of steps[alpha] over count 4-byte pixels, two pixels a step
// (built without auto-vectorisation, see CMakeLists.txt).
static uint64_t addSteps(const uint32_t steps[256], const uint8_t* pixels, size_t count) {
  uint64_t even = 0, odd = 0;
  size_t p = 0;
  for (; p + 2 <= count; p += 2, pixels += 8) {
    even += steps[pixels[3]];
    odd += steps[pixels[7]];
  }
  if (p < count) even += steps[pixels[3]];
  return even + odd;
}

// A float sum of n ones is exact up to 2^24 and stays there after it.
static float opaqueMean(size_t pixelCount) {
  const float sum = pixelCount <= (size_t{1} << 24) ? static_cast<float>(pixelCount) : 0x1p24f;
  return sum / static_cast<float>(pixelCount);
}

void addAlphas(AlphaSum& total, const uint8_t* pixels, size_t pixelCount) {
  const uint8_t* alphas = pixels + 3;
  float sum = total.sum;
  size_t i = 0;
  while (i < pixelCount) {
    if (sum < 2.0f) {
      sum = addAlphaToSum(sum, alphas[4 * i]);
      ++i;
      continue;
    }
    const size_t runEnd = pixelCount - i < kRunPixels ? pixelCount : i + kRunPixels;
    const uint32_t bits = floatBits(sum);
    const uint32_t exponentField = bits >> kMantissaBits;
    if (exponentField != total.stepsExponent) {
      buildSteps(exponentField, total.steps);
      total.stepsExponent = exponentField;
    }
    // From 2^24 on every step rounds to nothing: the sum stays where it is.
    if (total.steps[255] == 0) break;
    const uint64_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
    const uint64_t added = addSteps(total.steps, pixels + 4 * i, runEnd - i);
    if (mantissa + added < 0x1000000u) {  // the run stays in the binade
      sum = bitsFloat((bits & 0xFF800000u) | static_cast<uint32_t>((mantissa + added) & 0x7FFFFFu));
      i = runEnd;
    } else {  // it would leave it: the reader's own steps for this run
      for (; i < runEnd; ++i) sum = addAlphaToSum(sum, alphas[4 * i]);
    }
  }
  total.sum = sum;
}

float meanAlphaOf(const AlphaSum& total, size_t pixelCount, uint32_t bytesPerPixel) {
  if (bytesPerPixel != 4) return opaqueMean(pixelCount);
  return total.sum / static_cast<float>(pixelCount);
}
