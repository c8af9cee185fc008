#include "shared/container.h"

#include <cstring>

uint32_t floatBits(float value) {
  uint32_t bits;
  static_assert(sizeof bits == sizeof value, "IEEE single expected");
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float bitsFloat(uint32_t bits) {
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

int32_t headerCompressedSize(uint32_t width, uint32_t height, int32_t bitsPerPixel) {
  return static_cast<int32_t>(static_cast<uint64_t>(width) * height * static_cast<uint64_t>(bitsPerPixel) / 8);
}

bool isLastLevel(LevelSize level) { return level.w == 1 || level.h == 1; }

LevelSize nextLevel(LevelSize level) { return {level.w / 2, level.h / 2}; }
