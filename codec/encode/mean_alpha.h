// The source's mean alpha in a few operations per pixel, bit for bit the
// value of the reader's pixel-by-pixel float sum (convertSourcePixels).
#pragma once

#include <cstddef>
#include <cstdint>

// The single-precision value nearest 1/255; 0x808081 * 2^-31 exactly. Every
// channel byte b becomes b * kByteToUnit.
constexpr float kByteToUnit = 0.0039215688593685627f;

// sum + alpha * kByteToUnit with the exact product, rounded once to float:
// one step of the reader's pixel-by-pixel sum.
float addAlphaToSum(float sum, uint8_t alpha);

// The running float sum, fed with the source's pixels in file order.
struct AlphaSum {
  float sum = 0.0f;
  uint32_t stepsExponent = 0;  // the binade that steps[] is made for
  uint32_t steps[256];
};

// Adds the alpha bytes (the fourth byte of each 4-byte pixel).
void addAlphas(AlphaSum& total, const uint8_t* pixels, size_t pixelCount);

// The mean of a source of pixelCount pixels: total's sum for 32-bit
// sources (bytesPerPixel 4); for 24-bit ones every pixel counts as 1.0.
float meanAlphaOf(const AlphaSum& total, size_t pixelCount, uint32_t bytesPerPixel);
