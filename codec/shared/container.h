// The compressed texture container: a 20-byte header followed by the mip
// levels, each a run of 4x4 blocks. This module is the one definition of the
// layout; the decoder and the encoder both hold to it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shared/byte_order.h"

constexpr size_t kTextureHeaderSize = 20;
constexpr size_t kColorBlockSize = 8;
constexpr size_t kAlphaBlockSize = 8;

// Format codes stored in the header.
constexpr int32_t kFormatRgb = 3;   // 24-bit source, one ColorBlock per block
constexpr int32_t kFormatRgba = 4;  // 32-bit source, AlphaBlock then ColorBlock

struct TextureHeader {
  int32_t width = 0;
  int32_t height = 0;
  int32_t format = 0;
  int32_t compressedSize = 0;  // informative only
  float meanAlpha = 0.0f;      // informative only
};

// The bits of an IEEE single and back (meanAlpha is stored as its bits).
uint32_t floatBits(float value);
float bitsFloat(uint32_t bits);

void packTextureHeader(const TextureHeader& header, uint8_t out[kTextureHeaderSize]);
TextureHeader unpackTextureHeader(const uint8_t bytes[kTextureHeaderSize]);

// 2 x format, with 6 replaced by 4: format 3 gives 4, format 4 gives 8.
int32_t bitsPerPixel(int32_t format);

// The size of one level: max(2 x bits per pixel, w x h x bits per pixel / 8),
// a whole number of blocks (pixel_layout.h). 64-bit so that any
// header value can be evaluated without overflow. The encoder, the decoder
// and the header's compressed size all take it from here.
uint64_t levelByteCount(uint64_t w, uint64_t h, uint64_t bitsPerPixel);

// The header's (informative) compressed size: level 0 without the one-block minimum.
int32_t headerCompressedSize(uint32_t width, uint32_t height, int32_t bitsPerPixel);

// Level walk: level k is (width >> k, height >> k); the first level with a
// side of 1 is the last one.
struct LevelSize {
  uint32_t w;
  uint32_t h;
};
bool isLastLevel(LevelSize level);
LevelSize nextLevel(LevelSize level);

struct Rgb8 {
  int red;
  int green;
  int blue;
};

// Endpoint channels on the 8-bit scale: (field x 255) >> field bits, so full
// intensity reads as 247/251/247.
inline Rgb8 expandRgb565(uint16_t color) {
  const int r5 = (color >> 11) & 0x1F;
  const int g6 = (color >> 5) & 0x3F;
  const int b5 = color & 0x1F;
  return {(r5 * 255) >> 5, (g6 * 255) >> 6, (b5 * 255) >> 5};
}

// Index 0 -> c0, 1 -> c1, 2 -> (2 c0 + c1) / 3, 3 -> (c0 + 2 c1) / 3, per channel.
inline Rgb8 paletteColor(Rgb8 c0, Rgb8 c1, unsigned index) {
  switch (index & 3u) {
    case 0: return c0;
    case 1: return c1;
    case 2:
      return {(2 * c0.red + c1.red) / 3, (2 * c0.green + c1.green) / 3,
              (2 * c0.blue + c1.blue) / 3};
    default:
      return {(c0.red + 2 * c1.red) / 3, (c0.green + 2 * c1.green) / 3,
              (c0.blue + 2 * c1.blue) / 3};
  }
}

// The eight alphas of an AlphaBlock: an eight-value ramp when
// alpha0 > alpha1, else a six-value ramp followed by 0 and 255.
inline void alphaRamp(uint8_t alpha0, uint8_t alpha1, int ramp[8]) {
  const int a0 = alpha0;
  const int a1 = alpha1;
  ramp[0] = a0;
  ramp[1] = a1;
  if (a0 > a1) {
    for (int i = 2; i < 8; ++i) ramp[i] = ((8 - i) * a0 + (i - 1) * a1 + 3) / 7;
  } else {
    for (int i = 2; i < 6; ++i) ramp[i] = ((6 - i) * a0 + (i - 1) * a1 + 2) / 5;
    ramp[6] = 0;
    ramp[7] = 255;
  }
}

inline int alphaValue(uint8_t alpha0, uint8_t alpha1, unsigned index) {
  int ramp[8];
  alphaRamp(alpha0, alpha1, ramp);
  return ramp[index & 7u];
}
