// The header of a TGA source: its fields and the checks an encodable source
// passes (uncompressed true-colour, 24 or 32 bits, power-of-two sides).
#pragma once

#include <cstdint>

#include "shared/tga_format.h"

struct TgaHeader {
  uint8_t idLength = 0;
  uint8_t colorMapType = 0;
  uint8_t imageType = 0;
  uint16_t colorMapFirst = 0;  // index of the map's first entry
  uint16_t colorMapLength = 0;  // entries in the map
  uint8_t colorMapEntryBits = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixelDepth = 0;
  uint8_t descriptor = 0;  // bit kTgaTopLeftOrigin: the first stored row is the top row
};

// The low four bits of the descriptor: attribute (alpha) bits per pixel.
constexpr uint8_t kTgaAttributeBitsMask = 0x0F;

TgaHeader parseTgaHeader(const uint8_t bytes[kTgaHeaderSize]);

// 2, 4, 8, ... 32768 pass; 0, 1 and every side with an odd factor fail.
bool isPowerOfTwoSide(uint16_t side);

// The first check a header fails, in the order they are made.
enum class TgaHeaderProblem { None, ImageType, Depth, Height, Width };
TgaHeaderProblem tgaHeaderProblem(const TgaHeader& header);

// The header of the plain source the encoder streams (uncompressed true
// colour, 24 or 32 bits, no image ID, no colour map) for pixels of the
// given sides and row order.
void packPlainTgaHeader(uint16_t width, uint16_t height, bool withAlpha, bool topLeftOrigin,
                        uint8_t bytes[kTgaHeaderSize]);
