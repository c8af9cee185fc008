// Builds TGA sources byte by byte for the encoder tests.
#pragma once

#include <cstdint>
#include <functional>

#include "test_support.h"

struct Bgra {
  uint8_t blue, green, red, alpha;
};

// Pixel of the displayed image, x from the left, y from the top.
using PixelAt = std::function<Bgra(uint32_t x, uint32_t y)>;

inline Bytes tgaHeader(uint16_t width, uint16_t height, uint8_t depth, bool topDown,
                       uint8_t imageType = 2, uint8_t colorMapType = 0, uint8_t idLength = 0) {
  Bytes header(18, 0);
  header[0] = idLength;
  header[1] = colorMapType;
  header[2] = imageType;
  header[12] = static_cast<uint8_t>(width);
  header[13] = static_cast<uint8_t>(width >> 8);
  header[14] = static_cast<uint8_t>(height);
  header[15] = static_cast<uint8_t>(height >> 8);
  header[16] = depth;
  header[17] = topDown ? 0x20 : 0x00;
  return header;
}

// Header and pixels; bottom-up sources store the displayed bottom row first.
inline Bytes makeTga(uint16_t width, uint16_t height, uint8_t depth, bool topDown, const PixelAt& pixel) {
  Bytes tga = tgaHeader(width, height, depth, topDown);
  for (uint32_t stored = 0; stored < height; ++stored) {
    const uint32_t y = topDown ? stored : height - 1u - stored;
    for (uint32_t x = 0; x < width; ++x) {
      const Bgra p = pixel(x, y);
      tga.insert(tga.end(), {p.blue, p.green, p.red});
      if (depth == 32) tga.push_back(p.alpha);
    }
  }
  return tga;
}

inline uint8_t clampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Triangle wave 0..255..0 with a period of 512 steps.
inline int triangle(uint32_t t) {
  const int phase = static_cast<int>(t % 512u);
  return phase < 256 ? phase : 511 - phase;
}

// Smooth shapes plus a little deterministic grain, like a photographed
// texture. Integer arithmetic only, so every platform builds the same image.
inline Bgra naturalPixel(uint32_t x, uint32_t y) {
  const int grain = static_cast<int>(((x * 73856093u) ^ (y * 19349663u)) % 17u) - 8;
  const int base = (triangle(x * 9) + triangle(y * 13) + triangle((x + 2 * y) * 5)) / 3 + grain;
  return {clampByte(base - 20), clampByte(base), clampByte(base + 25),
          clampByte(triangle((x + y) * 6) + grain)};
}
