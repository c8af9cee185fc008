// Builds containers byte by byte for the decoder tests: a header and every
// level filled with one repeated block.
#pragma once

#include <cstdint>
#include <vector>

#include "shared/container.h"
#include "test_support.h"

inline Bytes headerBytes(int32_t width, int32_t height, int32_t format, int32_t compressedSize,
                         float meanAlpha) {
  TextureHeader header;
  header.width = width;
  header.height = height;
  header.format = format;
  header.compressedSize = compressedSize;
  header.meanAlpha = meanAlpha;
  Bytes bytes(kTextureHeaderSize);
  packTextureHeader(header, bytes.data());
  return bytes;
}

// A well-formed container whose every block is `block` (8 or 16 bytes).
inline Bytes makeContainer(uint32_t width, uint32_t height, int32_t format, const Bytes& block) {
  const int32_t compressed = static_cast<int32_t>(format == 3 ? width * height / 2 : width * height);
  Bytes bytes = headerBytes(static_cast<int32_t>(width), static_cast<int32_t>(height), format,
                            compressed, 1.0f);
  LevelSize level{width, height};
  for (;;) {
    const uint64_t levelBytes = levelByteCount(level.w, level.h, static_cast<uint64_t>(bitsPerPixel(format)));
    for (uint64_t i = 0; i < levelBytes; i += block.size()) bytes.insert(bytes.end(), block.begin(), block.end());
    if (isLastLevel(level)) return bytes;
    level = nextLevel(level);
  }
}
