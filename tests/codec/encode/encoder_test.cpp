#include "reference/reference_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "memory_source.h"
#include "tga_builder.h"
#include "encode_through_tool.h"

namespace {

constexpr int F = -1;  // an entry no pixel reaches

// Which stored pixel lands at each entry of block b; pixel i carries red = i + 1.
std::vector<int> gatheredPixels(uint32_t w, uint32_t h, bool topLeft, uint32_t b, std::vector<float>* alphasOut = nullptr) {
  std::vector<FloatColor> colors(static_cast<size_t>(w) * h);
  std::vector<float> alphas(colors.size());
  for (size_t i = 0; i < colors.size(); ++i) {
    colors[i] = {static_cast<float>(i + 1), 0, 0};
    alphas[i] = 0.5f + static_cast<float>(i) / 1024.0f;
  }
  FloatColor blockColors[16];
  float blockAlphas[16];
  gatherBlock(w, h, topLeft, colors.data(), alphas.data(), b, blockColors, blockAlphas);
  std::vector<int> source(16);
  for (int p = 0; p < 16; ++p) {
    source[p] = static_cast<int>(blockColors[p].red) - 1;
    if (source[p] >= 0) {
      EXPECT_EQ(blockAlphas[p], alphas[static_cast<size_t>(source[p])]) << p;
    }
  }
  if (alphasOut) alphasOut->assign(blockAlphas, blockAlphas + 16);
  return source;
}

TEST(Encoder, GathersTilesSmallLevelsAndStrips) {
  struct Case {
    uint32_t w, h;
    bool topLeft;
    uint32_t block;
    std::vector<int> source;
  };
  const Case cases[] = {
      {8, 4, true, 0, {0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19, 24, 25, 26, 27}},
      {8, 4, true, 1, {4, 5, 6, 7, 12, 13, 14, 15, 20, 21, 22, 23, 28, 29, 30, 31}},
      {8, 4, false, 0, {24, 25, 26, 27, 16, 17, 18, 19, 8, 9, 10, 11, 0, 1, 2, 3}},
      {2, 2, true, 0, {0, 1, F, F, 2, 3, F, F, F, F, F, F, F, F, F, F}},
      {2, 2, false, 0, {2, 3, F, F, 0, 1, F, F, F, F, F, F, F, F, F, F}},
      {4, 2, false, 0, {4, 5, 6, 7, 0, 1, 2, 3, F, F, F, F, F, F, F, F}},
      {2, 4, true, 0, {0, 1, F, F, 2, 3, F, F, 4, 5, F, F, 6, 7, F, F}},
      {4, 1, true, 0, {0, 1, 2, 3, F, F, F, F, F, F, F, F, F, F, F, F}},
      {1, 4, true, 0, {0, F, F, F, 1, F, F, F, 2, F, F, F, 3, F, F, F}},
      {1, 1, false, 0, {0, F, F, F, F, F, F, F, F, F, F, F, F, F, F, F}},
      // One side <= 2, the other >= 8: 16 displayed pixels at a time, row by row.
      {8, 2, true, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
      {8, 2, false, 0, {8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7}},
      {16, 2, false, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
      {2, 16, true, 1, {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}},
      {8, 1, true, 0, {0, 1, 2, 3, 4, 5, 6, 7, F, F, F, F, F, F, F, F}},
      {1, 8, false, 0, {7, 6, 5, 4, 3, 2, 1, 0, F, F, F, F, F, F, F, F}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + (c.topLeft ? " top-down" : " bottom-up") +
                 " block " + std::to_string(c.block));
    std::vector<float> alphas;
    EXPECT_EQ(gatheredPixels(c.w, c.h, c.topLeft, c.block, &alphas), c.source);
    // Unfilled entries: black (checked above) and the first stored pixel's alpha.
    for (int p = 0; p < 16; ++p) {
      if (c.source[p] == F) {
        EXPECT_EQ(alphas[p], 0.5f) << p;
      }
    }
  }
}

Bytes encodeInMemory(const Bytes& tga, std::string* printed = nullptr) {
  struct Run {
    const Bytes* tga;
    Bytes container;
  } run{&tga, {}};
  const std::string out = captureStdout(
      [](void* context) {
        auto* r = static_cast<Run*>(context);
        encodeThroughTool(r->tga->data(), r->tga->size(), r->container, true);
      },
      &run);
  if (printed) *printed = out;
  return run.container;
}

TEST(Encoder, PrintsOneLinePerLevel) {
  std::string printed;
  encodeInMemory(makeTga(4, 4, 24, true, naturalPixel), &printed);
  EXPECT_EQ(printed,
            "Sourcefile Read.\nEncoding Mip Level 0 (4x4)\nEncoding Mip Level 1 (2x2)\n"
            "Encoding Mip Level 2 (1x1)\nFinished Encoding");
  encodeInMemory(makeTga(256, 128, 32, false, naturalPixel), &printed);
  EXPECT_EQ(printed.substr(0, 47), "Sourcefile Read.\nEncoding Mip Level 0 (256x128)");
  EXPECT_EQ(printed.substr(printed.size() - 44), "Encoding Mip Level 7 (2x1)\nFinished Encoding");
}

// Whole chains, strip levels included, are written as exactly their blocks;
// under AddressSanitizer this also shows that no level is read out of bounds.
TEST(Encoder, ContainerSizesOfWholeChains) {
  struct Case {
    uint16_t w, h;
    uint8_t depth;
    size_t bytes;
  };
  const Case cases[] = {
      {2, 2, 24, 36},      {2, 2, 32, 52},      {4, 4, 24, 44},       {8, 8, 32, 132},
      {16, 4, 24, 68},     {8, 4, 24, 52},      {256, 64, 24, 10948}, {8, 2, 24, 36},
      {2, 8, 32, 52},      {2048, 2, 24, 2580}, {2, 2048, 32, 5140},  {1024, 4, 24, 2708},
      {4, 1024, 32, 5396}, {16, 2, 32, 68},
  };
  for (const Case& c : cases) {
    for (bool topDown : {false, true}) {
      const Bytes container = encodeInMemory(makeTga(c.w, c.h, c.depth, topDown, naturalPixel));
      EXPECT_EQ(container.size(), c.bytes) << c.w << "x" << c.h << " " << int(c.depth) << "-bit";
    }
  }
}

TEST(Encoder, BottomUpAndTopDownSourcesGiveTheSameLevelZero) {
  for (uint8_t depth : {24, 32}) {
    const Bytes bottomUp = encodeInMemory(makeTga(32, 16, depth, false, naturalPixel));
    const Bytes topDown = encodeInMemory(makeTga(32, 16, depth, true, naturalPixel));
    // Level 0 only: the mean alpha and the mip sums add in stored order.
    const long levelZeroEnd = 20 + (depth == 32 ? 32 * 16 : 32 * 16 / 2);
    ASSERT_EQ(bottomUp.size(), topDown.size());
    EXPECT_EQ(Bytes(bottomUp.begin() + 20, bottomUp.begin() + levelZeroEnd),
              Bytes(topDown.begin() + 20, topDown.begin() + levelZeroEnd));
  }
}

// Level 0 in place already is left out, and every other byte still lands at
// its own offset; with the rest it is written like any level.
TEST(Encoder, LevelZeroInPlaceNeverReachesTheSink) {
  const Bytes tga = makeTga(16, 8, 32, false, naturalPixel);
  const Bytes whole = encodeInMemory(tga);
  const size_t levelZeroEnd = 20 + 16 * 8;
  for (LevelZeroBytes levelZero : {LevelZeroBytes::WithTheRest, LevelZeroBytes::InPlace}) {
    MemoryBytes memory{tga.data(), tga.size()};
    EncodedTexture texture;
    ASSERT_EQ(encodeTgaSource(memoryByteSource(memory), scalarLaneKernels(), texture).status, EncodeStatus::Encoded);
    Bytes stored(whole.size(), 0xEE);
    const auto storeAt = [](void* context, uint64_t offset, const uint8_t* bytes, size_t size) {
      std::copy(bytes, bytes + size, static_cast<Bytes*>(context)->begin() + static_cast<long>(offset));
      return true;
    };
    ASSERT_TRUE(writeContainer(texture, levelZero, ContainerSink{storeAt, nullptr, &stored}));
    Bytes expected = whole;
    if (levelZero == LevelZeroBytes::InPlace) std::fill(expected.begin() + 20, expected.begin() + levelZeroEnd, 0xEE);
    EXPECT_EQ(stored, expected);
  }
}

}  // namespace
