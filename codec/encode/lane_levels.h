// The level loop of the lane paths. The source is read once, a few rows at
// a time: each tile row of level 0 is encoded as it arrives and reduced into
// a four-row window of level 1, whose tile rows are encoded and reduced in
// turn as their windows fill, and so on down the chain. Only the encoded
// levels and the first level with a side below 4 (which the plain loop
// takes over) are held whole, so the pixels pass through the cache once and
// a 32-bit source needs little more memory than its container.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "encode/encoder.h"
#include "encode/lane_kernels.h"
#include "encode/mean_alpha.h"

// The source's pixel bytes in stored order. read returns `size` bytes from
// `offset` on, either in place or copied into scratch (which holds size
// bytes); bytes the source does not hold read as 0. Offsets only grow. It
// returns null when the source cannot be read (and has reported why).
struct PixelRows {
  const uint8_t* (*read)(void* context, size_t offset, size_t size, uint8_t* scratch);
  void* context;
};

struct EncodedLevel {
  LevelSize size;
  std::unique_ptr<uint8_t[]> bytes;
};

// Everything the lane pass produces before the container is written.
struct LaneChain {
  float meanAlpha = 0.0f;
  std::vector<EncodedLevel> levels;  // levels 0, 1, ... with both sides >= 4
  LevelSize rest{0, 0};              // the next level, for the plain loop
  std::vector<FloatColor> restColors;
  std::vector<float> restAlphas;
};

enum class LaneChainResult { Done, ReadFailed, OutOfMemory };

// One pass over a width x height source (both sides >= 4) of format 3 or 4.
LaneChainResult encodeLaneChain(const LaneKernels& kernels, uint32_t width, uint32_t height, int32_t format,
                                bool topLeftOrigin, const PixelRows& rows, LaneChain& chain);

// Prints each level's line and hands its bytes to the sink, then runs the
// plain loop on the rest of the chain. Fails like encodeLevels.
bool writeLaneChain(const LevelSink& sink, int32_t format, bool topLeftOrigin, LaneChain& chain);
