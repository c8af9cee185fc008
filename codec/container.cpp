#include "container.h"

#include <cstring>

uint16_t readLe16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t readLe32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void writeLe16(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

void writeLe32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

static uint32_t floatBits(float value) {
  uint32_t bits;
  static_assert(sizeof bits == sizeof value, "IEEE single expected");
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

static float bitsFloat(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void packTextureHeader(const TextureHeader& header, uint8_t out[kTextureHeaderSize]) {
  writeLe32(out + 0, static_cast<uint32_t>(header.width));
  writeLe32(out + 4, static_cast<uint32_t>(header.height));
  writeLe32(out + 8, static_cast<uint32_t>(header.format));
  writeLe32(out + 12, static_cast<uint32_t>(header.compressedSize));
  writeLe32(out + 16, floatBits(header.meanAlpha));
}

TextureHeader unpackTextureHeader(const uint8_t bytes[kTextureHeaderSize]) {
  TextureHeader header;
  header.width = static_cast<int32_t>(readLe32(bytes + 0));
  header.height = static_cast<int32_t>(readLe32(bytes + 4));
  header.format = static_cast<int32_t>(readLe32(bytes + 8));
  header.compressedSize = static_cast<int32_t>(readLe32(bytes + 12));
  header.meanAlpha = bitsFloat(readLe32(bytes + 16));
  return header;
}

int32_t bitsPerPixel(int32_t format) {
  // Unsigned doubling: a corrupt format must not overflow a signed int.
  const int32_t doubled = static_cast<int32_t>(static_cast<uint32_t>(format) * 2u);
  return doubled == 6 ? 4 : doubled;
}

uint64_t levelByteCount(uint64_t w, uint64_t h, uint64_t bitsPerPixel) {
  const uint64_t minimum = 2 * bitsPerPixel;
  const uint64_t bytes = w * h * bitsPerPixel / 8;
  return bytes > minimum ? bytes : minimum;
}

bool isLastLevel(LevelSize level) { return level.w == 1 || level.h == 1; }

LevelSize nextLevel(LevelSize level) { return {level.w / 2, level.h / 2}; }

int levelCount(uint32_t width, uint32_t height) {
  if (width < 1 || height < 1) return 0;
  int count = 1;
  for (LevelSize level{width, height}; !isLastLevel(level); level = nextLevel(level)) ++count;
  return count;
}

Rgb8 expandRgb565(uint16_t color) {
  const int r5 = (color >> 11) & 0x1F;
  const int g6 = (color >> 5) & 0x3F;
  const int b5 = color & 0x1F;
  return {(r5 * 255) >> 5, (g6 * 255) >> 6, (b5 * 255) >> 5};
}

Rgb8 paletteColor(Rgb8 c0, Rgb8 c1, unsigned index) {
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

int alphaValue(uint8_t alpha0, uint8_t alpha1, unsigned index) {
  const int a0 = alpha0;
  const int a1 = alpha1;
  index &= 7u;
  if (index == 0) return a0;
  if (index == 1) return a1;
  const int i = static_cast<int>(index);
  if (a0 > a1) return ((8 - i) * a0 + (i - 1) * a1 + 3) / 7;  // eight-value ramp
  if (i == 6) return 0;                                        // six-value ramp
  if (i == 7) return 255;
  return ((6 - i) * a0 + (i - 1) * a1 + 2) / 5;
}
