// The decoder's tile-row kernels against each other on every endpoint pair,
// and whole containers decoded on every path.
#include "decode/decode_kernels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/memory_sink.h"
#include "shared/container.h"
#include "shared/tga_format.h"
#include "simd_paths_here.h"
#include "test_support.h"

namespace {

// One tile row of 65536 blocks: block b has the colour endpoints b and a
// scramble of b with scrambled indices, and the alpha endpoints b mod 256
// and b / 256 (so every pair, both ramps and equal endpoints occur) with
// indices that shift with b, so that every alpha index meets every pair.
Bytes everyEndpointPair(int32_t bitsPerPixel) {
  Bytes blocks;
  for (uint32_t b = 0; b < 65536; ++b) {
    if (bitsPerPixel == 8) {
      uint64_t alpha = (b & 0xFF) | (b >> 8) << 8;
      for (uint32_t p = 0; p < 16; ++p) alpha |= static_cast<uint64_t>((p + b) & 7) << (16 + 3 * p);
      for (int i = 0; i < 8; ++i) blocks.push_back(static_cast<uint8_t>(alpha >> (8 * i)));
    }
    const uint32_t color1 = (b * 40503u + 12345u) & 0xFFFF;
    const uint32_t indices = (b * 2654435761u) ^ 0xE4E4E4E4u;
    for (uint32_t v : {b & 0xFF, b >> 8, color1 & 0xFF, color1 >> 8, indices, indices >> 8, indices >> 16, indices >> 24}) {
      blocks.push_back(static_cast<uint8_t>(v));
    }
  }
  return blocks;
}

TEST(DecodeKernels, EveryPathDecodesEveryEndpointPairAlike) {
  for (int32_t bitsPerPixel : {8, 4}) {
    const Bytes blocks = everyEndpointPair(bitsPerPixel);
    const uint32_t w = 4 * 65536;
    const size_t rowBytes = static_cast<size_t>(w) * (bitsPerPixel == 8 ? 4 : 3);
    Bytes plain(4 * rowBytes, 0x5A);
    const PixelLayout layout = containerPixelLayout(bitsPerPixel == 8 ? kFormatRgba : kFormatRgb);
    plainDecodeTileRow(w, layout, blocks.data(), plain.data(), rowBytes);
    for (SimdPath path : simdPathsHere()) {
      Bytes rows(4 * rowBytes, 0xA5);  // a different fill: every byte must be written
      tileRowDecoderFor(path)(w, layout, blocks.data(), rows.data(), rowBytes);
      size_t first = 0;
      while (first < rows.size() && rows[first] == plain[first]) ++first;
      EXPECT_EQ(first, rows.size()) << simdPathName(path) << " " << bitsPerPixel << " bits per pixel: first difference in block "
                                    << (first % rowBytes) / (rowBytes / 65536) << ", row " << first / rowBytes;
    }
  }
}

// Pixels that no block covers (a side below 4, or past the last whole tile)
// must be zero bytes in every level: nothing may carry over from a level
// decoded before.
void expectUncoveredPixelsZero(const Bytes& tga, const std::string& where) {
  const uint32_t w = tga[12] | tga[13] << 8, h = tga[14] | tga[15] << 8;
  const size_t depth = tga[16] / 8;
  const uint32_t coveredW = h < 4 ? 0 : w / 4 * 4, coveredH = w < 4 ? 0 : h / 4 * 4;
  size_t nonZero = 0;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      if (x < coveredW && y < coveredH) continue;
      for (size_t i = 0; i < depth; ++i) nonZero += tga[kTgaHeaderSize + (static_cast<size_t>(y) * w + x) * depth + i] != 0;
    }
  }
  EXPECT_EQ(nonZero, 0u) << where << ": " << w << "x" << h;
}

TEST(DecodeKernels, WholeContainersAreTheSameOnEveryPath) {
  // Sides that are not multiples of 4 come from hand-made containers only.
  const LevelSize sizes[] = {{4, 4}, {64, 32}, {256, 128}, {10, 8}, {20, 28}, {36, 9}};
  for (int32_t format : {3, 4}) {
    for (const LevelSize size : sizes) {
      Bytes container;
      uint64_t state = 0x1234567u + size.w;
      {
        TextureHeader header{static_cast<int32_t>(size.w), static_cast<int32_t>(size.h), format, 0, 1.0f};
        container.resize(kTextureHeaderSize);
        packTextureHeader(header, container.data());
        uint64_t bytes = 0;
        for (LevelSize level = size;; level = nextLevel(level)) {
          bytes += levelByteCount(level.w, level.h, static_cast<uint64_t>(bitsPerPixel(format)));
          if (isLastLevel(level)) break;
        }
        for (uint64_t i = 0; i < bytes; ++i) {
          state = state * 6364136223846793005ull + 1442695040888963407ull;
          container.push_back(static_cast<uint8_t>(state >> 56));
        }
      }
      const std::string where = "format " + std::to_string(format) + ", " + std::to_string(size.w) + "x" + std::to_string(size.h);
      std::vector<std::vector<Bytes>> filesPerPath;
      for (SimdPath path : simdPathsHere()) {
        LevelFilesInMemory levels;
        EXPECT_EQ(decodeContainer(container.data(), container.size(), path, memoryTgaFileSink(levels)).status,
                  DecodeStatus::Decoded);
        for (const Bytes& tga : levels.files) expectUncoveredPixelsZero(tga, where + ", " + simdPathName(path));
        filesPerPath.push_back(levels.files);
      }
      for (size_t p = 1; p < filesPerPath.size(); ++p) {
        EXPECT_TRUE(filesPerPath[p] == filesPerPath[0]) << where << ", path " << p;
      }
      EXPECT_GE(filesPerPath[0].size(), 3u);
    }
  }
}

}  // namespace
