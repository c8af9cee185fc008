// Decoder: a compressed texture container becomes one TGA file per mip level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "simd_path.h"
#include "tga_format.h"

// Opens the container, decodes every level into "<base><level>.tga" and
// dumps trailing bytes in hexadecimal. Every outcome is printed; false when
// the decode failed. Each level file appears only once complete.
bool decodeContainer(const std::string& path);

// The same on a container already in memory; baseName is the output stem.
// The path (chosenSimdPath() unless given) picks the tile-row kernel; every
// path writes the same files.
bool decodeContainerBytes(const uint8_t* data, size_t size, const std::string& baseName);
bool decodeContainerBytes(const uint8_t* data, size_t size, const std::string& baseName, SimdPath path);

void printHeader(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t compressedSize,
                 float meanAlpha);

// Pixel word: blue in bits 0-7, green 8-15, red 16-23, alpha 24-31.
inline uint32_t packPixel(int red, int green, int blue) {
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 |
         static_cast<uint32_t>(blue);
}

// The size of the TGA file of one level: the header, top-left origin pixels
// (24-bit for 4 bits per pixel, 32-bit for 8) and the TGA 2.0 footer.
size_t tgaFileSize(uint32_t w, uint32_t h, int32_t bitsPerPixel);
