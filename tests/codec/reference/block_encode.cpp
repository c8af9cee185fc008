#include "reference/block_encode.h"

#include "shared/container.h"

int32_t roundHalfDown(float x) {
  const int32_t truncated = static_cast<int32_t>(x);
  const float fraction = x - static_cast<float>(truncated);
  return fraction > 0.5f ? truncated + 1 : truncated;
}

// Scaled channel clamped to 0..maximum; a NaN (never produced from colours
// in 0..1) also becomes 0 so that the integer conversion stays defined.
static float clampChannel(float scaled, float maximum) {
  if (!(scaled >= 0.0f)) return 0.0f;
  return scaled > maximum ? maximum : scaled;
}

uint16_t quantizeRgb565(FloatColor color) {
  const float r = clampChannel(color.red * 31.0f, 31.0f);
  const float g = clampChannel(color.green * 63.0f, 63.0f);
  const float b = clampChannel(color.blue * 31.0f, 31.0f);
  return static_cast<uint16_t>(roundHalfDown(r) * 2048 + roundHalfDown(g) * 32 + roundHalfDown(b));
}

float lineParameter(FloatColor point, FloatColor direction, FloatColor origin) {
  const float along = vecDot(vecSub(point, origin), direction);  // (p - o) . d
  return along / vecLengthSquared(direction);                     // / (d . d)
}

FloatColor fitLineDirection(const FloatColor* colors, uint32_t n, FloatColor mean,
                            FloatColor sumsOfSquares) {
  // Cross sums of the deviations, in position order.
  float sumRedGreen = 0.0f;
  float sumRedBlue = 0.0f;
  float sumGreenBlue = 0.0f;
  for (uint32_t j = 0; j < n; ++j) {
    const FloatColor delta = vecSub(colors[j], mean);
    sumRedGreen += delta.red * delta.green;
    sumRedBlue += delta.red * delta.blue;
    sumGreenBlue += delta.green * delta.blue;
  }
  // Standard deviations sigma = sqrt(V / n). The correlations below take the
  // sums of squares V as they were before this division.
  const FloatColor variance = vecDivide(sumsOfSquares, static_cast<float>(n));
  const float sigmaRed = std::sqrt(variance.red);
  const float sigmaGreen = std::sqrt(variance.green);
  const float sigmaBlue = std::sqrt(variance.blue);
  const FloatColor v = sumsOfSquares;

  if (sigmaRed != 0.0f) {
    FloatColor direction{1.0f, 0.0f, 0.0f};
    if (sigmaGreen != 0.0f) {
      const float rhoRedGreen = sumRedGreen / std::sqrt(v.red * v.green);  // Srg / sqrt(Vr Vg)
      direction.green = (rhoRedGreen / sigmaRed) * sigmaGreen;             // (rho_rg / sr) sg
    }
    if (sigmaBlue != 0.0f) {
      const float rhoRedBlue = sumRedBlue / std::sqrt(v.red * v.blue);  // Srb / sqrt(Vr Vb)
      direction.blue = (sigmaBlue / sigmaRed) * rhoRedBlue;             // (sb / sr) rho_rb
    }
    return vecNormalize(direction);
  }
  if (sigmaGreen != 0.0f) {
    FloatColor direction{0.0f, 1.0f, 0.0f};
    if (sigmaBlue != 0.0f) {
      const float rhoGreenBlue = sumGreenBlue / std::sqrt(v.green * v.blue);  // Sgb / sqrt(Vg Vb)
      direction.blue = (sigmaBlue / sigmaGreen) * rhoGreenBlue;               // (sb / sg) rho_gb
    }
    return vecNormalize(direction);
  }
  return FloatColor{0.0f, 0.0f, 1.0f};  // only blue spreads: returned without normalising
}

static void zeroParams(float* params, uint32_t n) {
  for (uint32_t j = 0; j < n; ++j) params[j] = 0.0f;
}

void fitColorLine(const FloatColor* colors, uint32_t n, float* params, ColorEndpoints& endpoints) {
  // Mean m = (sum of colours) * (1/n).
  FloatColor mean;
  for (uint32_t j = 0; j < n; ++j) vecAddInPlace(mean, colors[j]);
  vecDivideInPlace(mean, static_cast<float>(n));

  // Sums of squares V += (p - m)^2, component by component.
  FloatColor sumsOfSquares;
  for (uint32_t j = 0; j < n; ++j) {
    const FloatColor delta = vecSub(colors[j], mean);
    sumsOfSquares.red += delta.red * delta.red;
    sumsOfSquares.green += delta.green * delta.green;
    sumsOfSquares.blue += delta.blue * delta.blue;
  }
  if (sumsOfSquares.red == 0.0f && sumsOfSquares.green == 0.0f && sumsOfSquares.blue == 0.0f) {
    endpoints.end0 = mean;
    endpoints.end1 = mean;
    zeroParams(params, n);
    return;
  }

  // First pass: parameters along the unit direction through the mean.
  const FloatColor direction = fitLineDirection(colors, n, mean, sumsOfSquares);
  float tMin = 10000.0f;
  float tMax = 0.0f;
  for (uint32_t j = 0; j < n; ++j) {
    const float t = lineParameter(colors[j], direction, mean);
    params[j] = t;
    if (t < tMin) tMin = t;
    if (t > tMax) tMax = t;
  }
  endpoints.end0 = vecAdd(mean, vecScale(direction, tMin));  // m + d tmin
  endpoints.end1 = vecAdd(mean, vecScale(direction, tMax));  // m + d tmax
  if (vecEqual(endpoints.end0, endpoints.end1)) {
    zeroParams(params, n);
    return;
  }

  // Second pass: 0 at end0, 1 at end1, clamped to 0..1.
  const FloatColor span = vecSub(endpoints.end1, endpoints.end0);
  for (uint32_t j = 0; j < n; ++j) {
    float t = lineParameter(colors[j], span, endpoints.end0);
    if (t > 1.0f) t = 1.0f;
    if (t < 0.0f) t = 0.0f;
    params[j] = t;
  }
}

// 0 -> end0, 1 -> end1, 2 -> 2/3 end0 + 1/3 end1, 3 -> 1/3 end0 + 2/3 end1.
static uint32_t colorIndex(float t) {
  if (t <= kIndexThresholdLow) return 0;
  if (t >= kIndexThresholdHigh) return 1;
  if (t <= 0.5f) return 2;
  return 3;
}

void writeColorBlock(const ColorEndpoints& endpoints, const float params[kBlockPixels],
                     uint8_t out[8]) {
  const uint16_t q0 = quantizeRgb565(endpoints.end0);
  const uint16_t q1 = quantizeRgb565(endpoints.end1);
  uint32_t indices = 0;
  if (q0 != q1) {
    for (uint32_t j = 0; j < kBlockPixels; ++j) indices |= colorIndex(params[j]) << (2 * j);
  }
  writeLe16(out, q0);
  writeLe16(out + 2, q1);
  writeLe32(out + 4, indices);
}

void normalizeAlphas(const float* alphas, uint32_t n, float* normalized, AlphaRange& range) {
  float maxAlpha = -100000.0f;
  float minAlpha = 100000.0f;
  for (uint32_t j = 0; j < n; ++j) {
    if (alphas[j] > maxAlpha) maxAlpha = alphas[j];
    if (alphas[j] < minAlpha) minAlpha = alphas[j];
  }
  // Equal range: widen to 0..1 (all zero) or to 0..the common value.
  if (maxAlpha == minAlpha) {
    if (minAlpha == 0.0f) {
      maxAlpha = 1.0f;
    } else {
      minAlpha = 0.0f;
    }
  }
  for (uint32_t j = 0; j < n; ++j) normalized[j] = (alphas[j] - minAlpha) / (maxAlpha - minAlpha);
  range.maxAlpha = maxAlpha;
  range.minAlpha = minAlpha;
}

// Endpoint byte: roundHalfDown(alpha * 255). Alphas outside 0..1 never reach
// here; they would be clamped to the byte range.
static uint8_t alphaEndpoint(float alpha) {
  return static_cast<uint8_t>(roundHalfDown(clampChannel(alpha * 255.0f, 255.0f)));
}

uint32_t alphaRampIndex(float h) {
  if (h <= 1.0f) return 0;
  if (h >= 13.0f) return 1;
  for (uint32_t k = 1; k <= 5; ++k) {
    if (h <= static_cast<float>(2 * k + 1)) return k + 1;
  }
  return 7;  // h in (11, 13)
}

void writeAlphaBlock(const AlphaRange& range, const float normalized[kBlockPixels], uint8_t out[8]) {
  uint64_t bits = static_cast<uint64_t>(alphaEndpoint(range.maxAlpha));  // alpha0, bits 0-7
  bits |= static_cast<uint64_t>(alphaEndpoint(range.minAlpha)) << 8;    // alpha1, bits 8-15
  for (uint32_t j = 0; j < kBlockPixels; ++j) {
    const float h = (1.0f - normalized[j]) * 14.0f;  // 0 at maxAlpha, 14 at minAlpha
    bits |= static_cast<uint64_t>(alphaRampIndex(h)) << (16 + 3 * j);
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}
