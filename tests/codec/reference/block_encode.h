// Block encoders: 16 colours become one 8-byte ColorBlock (line fit, RGB565
// quantisation, 2-bit indices) and 16 alphas one 8-byte AlphaBlock (range,
// 3-bit indices). Plain per-block functions: no allocation, no state, each
// writes its block into the caller's buffer in little-endian byte order.
#pragma once

#include <cstdint>

#include "encode/block_constants.h"
#include "reference/float_color.h"

// The two end colours of a block's fitted line; not clamped (the quantiser clamps).
struct ColorEndpoints {
  FloatColor end0;  // the line's point at the smallest line parameter
  FloatColor end1;  // the line's point at the largest line parameter
};

// A block's alpha range after the equal-range adjustment: maxAlpha > minAlpha.
struct AlphaRange {
  float maxAlpha = 0.0f;
  float minAlpha = 0.0f;
};

// Truncate toward zero, add 1 when the remaining fraction is above 0.5:
// 2.5 gives 2, 2.5000002 gives 3.
int32_t roundHalfDown(float x);

// Components times 31/63/31, clamped to the channel range, rounded with
// roundHalfDown: red in bits 11-15, green 5-10, blue 0-4.
uint16_t quantizeRgb565(FloatColor color);

// t = ((p - origin) . direction) / (direction . direction)
float lineParameter(FloatColor point, FloatColor direction, FloatColor origin);

// Unit direction of the regression line of the other channels on red (on
// green when red has no spread) through the mean; (0, 0, 1) when only blue
// spreads. sumsOfSquares must have at least one non-zero component.
FloatColor fitLineDirection(const FloatColor* colors, uint32_t n, FloatColor mean,
                            FloatColor sumsOfSquares);

// Fits the block's line: fills n line parameters (0 at end0, 1 at end1) and
// the end colours. n >= 1.
void fitColorLine(const FloatColor* colors, uint32_t n, float* params, ColorEndpoints& endpoints);

// color0, color1 (RGB565, little-endian), then the 16 two-bit indices.
void writeColorBlock(const ColorEndpoints& endpoints, const float params[kBlockPixels],
                     uint8_t out[8]);

// Fills n normalised alphas (0 at minAlpha, 1 at maxAlpha) and the range.
void normalizeAlphas(const float* alphas, uint32_t n, float* normalized, AlphaRange& range);

// Index of a position h = (1 - normalised) * 14 on the alpha ramp (0 at
// alpha0, 14 at alpha1): 0 up to 1, 1 from 13, else k + 1 for the smallest k
// in 1..6 with h <= 2k + 1; the bounds are the eight-value palette's midpoints.
uint32_t alphaRampIndex(float h);

// alpha0 = maxAlpha*255, alpha1 = minAlpha*255 (roundHalfDown), then the 16
// three-bit indices, as one 64-bit little-endian number.
void writeAlphaBlock(const AlphaRange& range, const float normalized[kBlockPixels], uint8_t out[8]);
