// Encoder level loop: tiles every mip level into 4x4 blocks, encodes them and
// reduces the level to the next one, down to the first level with a side of 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "container.h"
#include "encode/float_color.h"

// Where the finished levels go. write receives one whole level's bytes and
// returns false when they could not be stored (it reports why itself).
struct LevelSink {
  bool (*write)(void* context, const uint8_t* bytes, size_t size);
  void* context;
  bool printProgress;  // the "Encoding Mip Level" lines
};

// "Encoding Mip Level N (WxH)" and "Out of memory for mip level N (WxH)".
void printLevelLine(int number, LevelSize level);
void reportLevelOutOfMemory(int number, LevelSize level);
// "Finished Encoding", no line end: printed once the container is complete.
void printEncodingFinished();

// max(1, w*h/16) blocks, the level size of the container.
uint32_t levelBlockCount(uint32_t w, uint32_t h);

// Bytes per block of a format: 16 for format 4 (AlphaBlock, ColorBlock), 8 otherwise.
size_t blockByteCount(int32_t format);

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

// Encodes every block of one level into out (levelBlockCount * blockByteCount
// bytes). Allocation-free.
void encodeLevelBlocks(uint32_t w, uint32_t h, int32_t format, bool topLeftOrigin,
                       const FloatColor* colors, const float* alphas, uint8_t* out);

// Writes every level of the chain to the sink. Takes ownership of the level-0
// arrays (w x h entries each, stored order). Returns false when a level could
// not be allocated (reported here) or stored (reported by the sink).
bool encodeLevels(const LevelSink& sink, uint32_t width, uint32_t height, int32_t format,
                  bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas);

// The same from level `level`, numbered firstNumber, on: the lane paths hand
// over here once a level has a side below 4.
bool encodeLevelsFrom(const LevelSink& sink, LevelSize level, int firstNumber, int32_t format,
                      bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas);
