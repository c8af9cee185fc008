// The decoder's tile-row kernels against each other on every endpoint pair,
// and whole containers decoded on every path.
#include "decode_kernels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "container.h"
#include "decoder.h"
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
    plainDecodeTileRow(w, bitsPerPixel, blocks.data(), plain.data(), rowBytes);
    for (SimdPath path : simdPathsHere()) {
      Bytes rows(4 * rowBytes, 0xA5);  // a different fill: every byte must be written
      tileRowDecoderFor(path)(w, bitsPerPixel, blocks.data(), rows.data(), rowBytes);
      size_t first = 0;
      while (first < rows.size() && rows[first] == plain[first]) ++first;
      EXPECT_EQ(first, rows.size()) << simdPathName(path) << " " << bitsPerPixel << " bits per pixel: first difference in block "
                                    << (first % rowBytes) / (rowBytes / 65536) << ", row " << first / rowBytes;
    }
  }
}

TEST(DecodeKernels, WholeContainersAreTheSameOnEveryPath) {
  for (int32_t format : {3, 4}) {
    for (uint32_t side : {4u, 64u, 256u}) {
      const uint32_t height = side / 2 < 4 ? side : side / 2;
      Bytes container;
      uint64_t state = 0x1234567u + side;
      {
        TextureHeader header{static_cast<int32_t>(side), static_cast<int32_t>(height), format, 0, 1.0f};
        container.resize(kTextureHeaderSize);
        packTextureHeader(header, container.data());
        uint64_t size = 0;
        for (LevelSize level{side, height};; level = nextLevel(level)) {
          size += levelByteCount(level.w, level.h, static_cast<uint64_t>(bitsPerPixel(format)));
          if (isLastLevel(level)) break;
        }
        for (uint64_t i = 0; i < size; ++i) {
          state = state * 6364136223846793005ull + 1442695040888963407ull;
          container.push_back(static_cast<uint8_t>(state >> 56));
        }
      }
      std::vector<std::vector<Bytes>> filesPerPath;
      for (SimdPath path : simdPathsHere()) {
        ScratchDir dir;
        testing::internal::CaptureStdout();
        decodeContainerBytes(container.data(), container.size(), (dir / "level").string(), path);
        testing::internal::GetCapturedStdout();
        std::vector<Bytes> files;
        for (const std::string& name : dir.fileNames()) files.push_back(readFileBytes(dir / name));
        filesPerPath.push_back(files);
      }
      for (size_t p = 1; p < filesPerPath.size(); ++p) {
        EXPECT_TRUE(filesPerPath[p] == filesPerPath[0]) << "format " << format << ", " << side << " wide, path " << p;
      }
      EXPECT_GE(filesPerPath[0].size(), 3u);
    }
  }
}

}  // namespace
