// TGA source reader: the first half of the encode operation. Reads and checks
// an uncompressed 24/32-bit TGA, turns its pixels into the level-0 arrays,
// writes the container header and hands over to the level loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "container.h"
#include "tga_format.h"
#include "simd_path.h"
#include "encode/float_color.h"
#include "encode/lane_levels.h"


struct TgaHeader {
  uint8_t idLength = 0;
  uint8_t colorMapType = 0;
  uint8_t imageType = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixelDepth = 0;
  uint8_t descriptor = 0;  // bit kTgaTopLeftOrigin: the first stored row is the top row
};

TgaHeader parseTgaHeader(const uint8_t bytes[kTgaHeaderSize]);

// 2, 4, 8, ... 32768 pass; 0, 1 and every side with an odd factor fail.
bool isPowerOfTwoSide(uint16_t side);

// The message of the first check the header fails (type, depth, height,
// width, in this order), or nullptr when it passes.
const char* tgaHeaderProblem(const TgaHeader& header);

// The source as level 0 of the encoder.
struct SourceImage {
  uint32_t width = 0;
  uint32_t height = 0;
  int32_t format = 0;  // 3 for 24-bit, 4 for 32-bit
  bool topLeftOrigin = false;
  std::vector<FloatColor> colors;  // stored pixel order (plain path)
  std::vector<float> alphas;
  float meanAlpha = 0.0f;
  // Lane paths: the levels, already encoded while the source was read.
  bool encodedByLanes = false;
  LaneChain lanes;
};

// Converts width x height pixels from pixelBytes; bytes at or past
// `available` count as 0. Returns false when the arrays cannot be allocated
// (reported).
bool convertSourcePixels(const TgaHeader& header, const uint8_t* pixelBytes, size_t available,
                         SourceImage& image);

TextureHeader sourceTextureHeader(const SourceImage& image);

// The lane kernels for this source on this path, or null when the plain
// level loop encodes it whole (a side below 4).
const LaneKernels* sourceLaneKernels(const TgaHeader& header, SimdPath path);

// A whole TGA file held in memory becomes a whole container in memory; the
// same checks and messages as encodeTexture. printProgress gates the
// "Sourcefile Read." and level lines. Returns false when nothing was encoded.
bool encodeTgaBytes(const uint8_t* data, size_t size, std::vector<uint8_t>& container,
                    bool printProgress, SimdPath path);
// The same on the path chosen by the processor and TESSARK_SIMD.
bool encodeTgaBytes(const uint8_t* data, size_t size, std::vector<uint8_t>& container,
                    bool printProgress);

// Reads and checks a 24/32-bit TGA source, writes "<base>.dds" and encodes
// every mip level into it. Every outcome is printed; false when the encode
// failed, which leaves any older container of that name as it was.
bool encodeTexture(const std::string& sourcePath);
