// The plain encoder, block by block and level by level: the straightforward
// reference that every lane path of the product is compared against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reference/float_color.h"
#include "shared/container.h"
#include "shared/tga_header.h"

// Where the finished levels go. write receives one whole level's bytes and
// returns false when they could not be stored (it reports why itself).
struct LevelSink {
  bool (*write)(void* context, const uint8_t* bytes, size_t size);
  void* context;
};

// The 16 pixels of block b of a w x h level, in position order 4*row + column
// with row 0 at the top of the displayed image. Stored rows are turned over
// unless topLeftOrigin is set.
//  - Sides both >= 4: block b is tile (b mod (w/4), b div (w/4)).
//  - Sides both <= 4: every pixel goes to block 0 at entry 4*row + column.
//  - One side <= 2, the other >= 8: block b takes the displayed pixels 16b
//    to 16b+15, counted row by row from the top-left corner.
// Entries no pixel reaches get black and the alpha of the level's first
// stored pixel, which lies in the block and so never widens its alpha range.
void gatherBlock(uint32_t w, uint32_t h, bool topLeftOrigin, const FloatColor* colors,
                 const float* alphas, uint32_t b, FloatColor blockColors[16], float blockAlphas[16]);

// Encodes every block of one level into out (levelByteCount bytes).
void encodeLevelBlocks(uint32_t w, uint32_t h, int32_t format, bool topLeftOrigin,
                       const FloatColor* colors, const float* alphas, uint8_t* out);

// Writes every level of the chain to the sink. Takes ownership of the level-0
// arrays (w x h entries each, stored order). Returns false when a level could
// not be allocated or stored.
bool encodeLevels(const LevelSink& sink, uint32_t width, uint32_t height, int32_t format,
                  bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas);

// The plain reader: the level-0 arrays of a whole TGA file in memory
// (bytes the file does not hold count as 0).
struct SourceImage {
  uint32_t width = 0;
  uint32_t height = 0;
  int32_t format = 0;  // 3 for 24-bit, 4 for 32-bit
  bool topLeftOrigin = false;
  std::vector<FloatColor> colors;  // stored pixel order
  std::vector<float> alphas;
  float meanAlpha = 0.0f;
};
bool convertSourcePixels(const TgaHeader& header, const uint8_t* pixelBytes, size_t available, SourceImage& image);
TextureHeader sourceTextureHeader(const SourceImage& image);

// A whole container from a whole TGA file, or empty when the header is rejected.
std::vector<uint8_t> referenceContainer(const std::vector<uint8_t>& tga);
