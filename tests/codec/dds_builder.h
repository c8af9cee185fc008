// Writes standard DDS files for the tests: the 124-byte header (and the
// DX10 header), then every level filled with seeded random blocks or pixels.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "test_support.h"

struct DdsLayout {
  uint32_t width = 4, height = 4, mipCount = 1;  // mipCount as stored (0 means one level)
  const char* fourCc = "";                        // "DXT1" ... "DX10"; "" for bit masks
  uint32_t dxgi = 0;                              // with "DX10"
  uint32_t pixelFlags = 0x4;                      // 0x4 FourCC, 0x40 RGB, 0x20000 luminance, | 0x1 alpha
  uint32_t bitCount = 0;
  uint32_t masks[4] = {};                         // red, green, blue, alpha
  unsigned blockBytes = 0;                        // 8 or 16 for blocks, 0 for pixels
  enum Fill { Random, OpaqueBc1, Bc7EveryMode } fill = Random;
};

inline void putLe32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

inline Bytes ddsHeader(const DdsLayout& layout) {
  const bool dx10 = std::string(layout.fourCc) == "DX10";
  Bytes bytes(dx10 ? 148 : 128, 0);
  bytes[0] = 'D', bytes[1] = 'D', bytes[2] = 'S', bytes[3] = ' ';
  putLe32(bytes, 4, 124);
  putLe32(bytes, 8, 0x1007 | (layout.mipCount > 1 ? 0x20000 : 0));  // caps, height, width, pixel format (and mip count)
  putLe32(bytes, 12, layout.height);
  putLe32(bytes, 16, layout.width);
  putLe32(bytes, 28, layout.mipCount);
  putLe32(bytes, 76, 32);
  putLe32(bytes, 80, layout.pixelFlags);
  for (int i = 0; i < 4 && layout.fourCc[0]; ++i) bytes[84 + static_cast<size_t>(i)] = static_cast<uint8_t>(layout.fourCc[i]);
  putLe32(bytes, 88, dx10 ? 0 : layout.bitCount);  // the DX10 header names the format
  for (size_t i = 0; i < 4; ++i) putLe32(bytes, 92 + 4 * i, layout.masks[i]);
  putLe32(bytes, 108, 0x1000);
  if (dx10) {
    putLe32(bytes, 128, layout.dxgi);
    putLe32(bytes, 132, 3);  // a 2D texture
    putLe32(bytes, 140, 1);  // one of it
  }
  return bytes;
}

// The bytes of level k of the layout, counted here independently of the codec.
inline size_t ddsLevelBytes(const DdsLayout& layout, uint32_t k) {
  const uint32_t w = layout.width >> k ? layout.width >> k : 1, h = layout.height >> k ? layout.height >> k : 1;
  if (layout.blockBytes) return size_t{(w + 3) / 4} * ((h + 3) / 4) * layout.blockBytes;
  return size_t{w} * h * (layout.bitCount / 8);
}

inline Bytes makeDds(const DdsLayout& layout, uint32_t seed = 1) {
  Bytes bytes = ddsHeader(layout);
  std::mt19937 random(seed);
  for (uint32_t k = 0; k < (layout.mipCount ? layout.mipCount : 1); ++k) {
    const size_t start = bytes.size();
    for (size_t i = 0; i < ddsLevelBytes(layout, k); ++i) bytes.push_back(static_cast<uint8_t>(random()));
    for (size_t b = start; b < bytes.size() && layout.blockBytes; b += layout.blockBytes) {
      const size_t block = (b - start) / layout.blockBytes;
      if (layout.fill == DdsLayout::Bc7EveryMode) {  // modes 0 to 7 and the reserved one in turn, every partition
        const unsigned mode = block % 9, partition = block / 9 % 64;
        bytes[b] = static_cast<uint8_t>(mode == 8 ? 0 : (bytes[b] << (mode + 1) | 1u << mode));
        if (mode <= 3 || mode == 7) {  // the partition number just above the mode bits
          const unsigned field = (bytes[b] | bytes[b + 1] << 8) & ~(63u << (mode + 1));
          const unsigned value = field | (partition & (mode == 0 ? 15u : 63u)) << (mode + 1);
          bytes[b] = static_cast<uint8_t>(value), bytes[b + 1] = static_cast<uint8_t>(value >> 8);
        }
      } else if (layout.fill == DdsLayout::OpaqueBc1) {  // four-colour mode
        if (bytes[b] + 256 * bytes[b + 1] <= bytes[b + 2] + 256 * bytes[b + 3]) {
          std::swap(bytes[b], bytes[b + 2]);
          std::swap(bytes[b + 1], bytes[b + 3]);
          if (bytes[b] == bytes[b + 2] && bytes[b + 1] == bytes[b + 3]) bytes[b + 1] |= 0x80, bytes[b + 3] &= 0x7F;
        }
      } else if (block % 5 == 0) {  // equal endpoints, which random bytes almost never give
        const size_t colour = layout.blockBytes == 16 ? b + 8 : b;
        bytes[colour + 2] = bytes[colour], bytes[colour + 3] = bytes[colour + 1];
        if (layout.blockBytes == 16) bytes[b + 1] = bytes[b];
      }
    }
  }
  return bytes;
}
