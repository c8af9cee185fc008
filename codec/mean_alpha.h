// The source's mean alpha in a few operations per pixel, bit for bit the
// value of the reader's pixel-by-pixel float sum (convertSourcePixels).
#pragma once

#include <cstddef>
#include <cstdint>

// pixels: pixelCount pixels of bytesPerPixel (3 or 4) bytes, alpha last.
float sourceMeanAlpha(const uint8_t* pixels, size_t pixelCount, uint32_t bytesPerPixel);
