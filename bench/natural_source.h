// A natural-looking TGA source for the benchmarks, made in memory.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

// Smooth value noise in three octaves plus grain: large soft shapes with
// fine detail, like a photographed surface. Integer arithmetic only.
inline uint32_t lattice(uint32_t x, uint32_t y) {
  uint32_t h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return (h ^ (h >> 16)) & 255u;
}

inline uint32_t valueNoise(uint32_t x, uint32_t y, uint32_t cell) {
  const uint32_t cx = x / cell, cy = y / cell, fx = x % cell, fy = y % cell;
  const uint32_t top = lattice(cx, cy) * (cell - fx) + lattice(cx + 1, cy) * fx;
  const uint32_t bottom = lattice(cx, cy + 1) * (cell - fx) + lattice(cx + 1, cy + 1) * fx;
  return (top * (cell - fy) + bottom * fy) / (cell * cell);
}

inline uint8_t clampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

inline std::vector<uint8_t> naturalTga(uint32_t side, uint8_t depth) {
  std::vector<uint8_t> tga(18, 0);
  tga[2] = 2;
  tga[12] = tga[14] = static_cast<uint8_t>(side);
  tga[13] = tga[15] = static_cast<uint8_t>(side >> 8);
  tga[16] = depth;
  tga[17] = 0x20;
  for (uint32_t y = 0; y < side; ++y) {
    for (uint32_t x = 0; x < side; ++x) {
      const int shade = static_cast<int>(valueNoise(x, y, 64) / 2 + valueNoise(x, y, 16) / 3 +
                                         valueNoise(x, y, 4) / 6 + lattice(x, y) / 32);
      tga.insert(tga.end(), {clampByte(shade - 30), clampByte(shade), clampByte(shade + 20)});
      if (depth == 32) tga.push_back(clampByte(static_cast<int>(valueNoise(x + 7, y, 32))));
    }
  }
  return tga;
}

// The size of a decoded level's TGA file: header, pixels (3 or 4 bytes
// each) and footer.
inline size_t tgaFileSize(uint32_t w, uint32_t h, int32_t bitsPerPixel) {
  return 18 + static_cast<size_t>(w) * h * (bitsPerPixel == 8 ? 4 : 3) + 26;
}

}  // namespace bench
