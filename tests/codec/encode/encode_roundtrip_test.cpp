// Encode -> decode round trips with a pinned minimum quality per level, and
// golden hashes of whole containers that every build must reproduce.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decode/memory_sink.h"
#include "tool/commands.h"
#include "simd_paths_here.h"
#include "tga_builder.h"
#include "encode_through_tool.h"

namespace {

Bytes encodeQuietly(const Bytes& tga, SimdPath path) {
  Bytes container;
  EXPECT_TRUE(encodeThroughTool(tga.data(), tga.size(), container, false, path));
  return container;
}

uint64_t fnv1a(const Bytes& bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3ull;
  return hash;
}

// PSNR of one channel of decoded level `level` against the box average of
// the source over 2^level x 2^level squares.
double levelPsnr(const Bytes& decodedTga, const PixelAt& source, int level, int channel) {
  const uint32_t w = decodedTga[12] | decodedTga[13] << 8;
  const uint32_t h = decodedTga[14] | decodedTga[15] << 8;
  const uint32_t depth = decodedTga[16] / 8u;
  const uint32_t scale = 1u << level;
  double squaredError = 0;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      double sum = 0;
      for (uint32_t dy = 0; dy < scale; ++dy) {
        for (uint32_t dx = 0; dx < scale; ++dx) {
          const Bgra p = source(x * scale + dx, y * scale + dy);
          sum += (channel == 0 ? p.blue : channel == 1 ? p.green : channel == 2 ? p.red : p.alpha);
        }
      }
      const double error = sum / (scale * scale) - decodedTga[18 + (y * w + x) * depth + static_cast<uint32_t>(channel)];
      squaredError += error * error;
    }
  }
  return 10.0 * std::log10(255.0 * 255.0 / (squaredError / (w * h) + 1e-12));
}

TEST(EncodeRoundTrip, QualityOfEveryDecodedLevel) {
  const PixelAt stripes = [](uint32_t x, uint32_t y) {
    const uint8_t v = static_cast<uint8_t>((x / 4 + y / 8) % 2 ? 200 : 40);
    return Bgra{v, static_cast<uint8_t>(255 - v), 128, static_cast<uint8_t>(x * 4)};
  };
  struct Case {
    const char* name;
    uint16_t w, h;
    uint8_t depth;
    bool topDown;
    PixelAt pixel;
    // Per level with both sides >= 4, worst channel: measured minus about 0.5 dB.
    std::vector<double> minimumPsnr;
  };
  const Case cases[] = {
      {"natural 32-bit bottom-up", 64, 64, 32, false, naturalPixel, {31.2, 30.3, 27.4, 24.6, 27.0}},  // measured 31.75 30.82 27.93 25.14 27.54
      {"natural 24-bit top-down", 128, 32, 24, true, naturalPixel, {31.3, 30.3, 27.2, 26.1}},  // measured 31.87 30.83 27.76 26.66
      {"stripes 32-bit top-down", 32, 32, 32, true, stripes, {31.5, 31.5, 31.5, 35.5}},  // measured 32.00 32.00 32.00 36.09
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes container = encodeQuietly(makeTga(c.w, c.h, c.depth, c.topDown, c.pixel), bestSimdPath());
    LevelFilesInMemory levels;
    decodeContainer(container.data(), container.size(), bestSimdPath(), memoryTgaFileSink(levels));
    ASSERT_GE(levels.files.size(), c.minimumPsnr.size());
    for (size_t level = 0; level < c.minimumPsnr.size(); ++level) {
      const Bytes& decoded = levels.files[level];
      ASSERT_GT(decoded.size(), 18u) << level;
      double worst = 1000;
      for (int channel = 0; channel < c.depth / 8; ++channel) {
        worst = std::min(worst, levelPsnr(decoded, c.pixel, static_cast<int>(level), channel));
      }
      EXPECT_GE(worst, c.minimumPsnr[level]) << "level " << level;
    }
  }
}

// The same source must give the same container on every build: these hashes
// pin the exact bytes of the float arithmetic, the tiling and the mip chain.
TEST(EncodeRoundTrip, GoldenContainers) {
  const PixelAt gradient = [](uint32_t x, uint32_t y) {
    return Bgra{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16), static_cast<uint8_t>(x * y),
                static_cast<uint8_t>(255 - x * 8)};
  };
  struct Case {
    const char* name;
    Bytes tga;
    uint64_t hash;
  };
  const Case cases[] = {
      {"natural 64x64 32-bit bottom-up", makeTga(64, 64, 32, false, naturalPixel), 0x812c98294e6ea133ull},
      {"natural 128x32 24-bit top-down", makeTga(128, 32, 24, true, naturalPixel), 0x29dcef61e4e83a00ull},
      {"gradient 16x16 32-bit top-down", makeTga(16, 16, 32, true, gradient), 0x88f3dd5902943120ull},
      {"natural 256x2 32-bit strip", makeTga(256, 2, 32, false, naturalPixel), 0x9907340dc266e71eull},
  };
  for (SimdPath path : simdPathsHere()) {  // every path, the same bytes
    for (const Case& c : cases) {
      const uint64_t hash = fnv1a(encodeQuietly(c.tga, path));
      EXPECT_EQ(hash, c.hash) << c.name << " on " << simdPathName(path) << std::hex << ": 0x" << hash;
    }
  }
}

}  // namespace
