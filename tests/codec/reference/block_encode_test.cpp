#include "reference/block_encode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "test_support.h"

namespace {

uint32_t floatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

Bytes encodeColors(const std::function<FloatColor(uint32_t)>& colorAt, ColorEndpoints* fitted = nullptr,
                   float* params = nullptr) {
  FloatColor colors[kBlockPixels];
  for (uint32_t j = 0; j < kBlockPixels; ++j) colors[j] = colorAt(j);
  ColorEndpoints endpoints;
  float localParams[kBlockPixels];
  float* t = params ? params : localParams;
  fitColorLine(colors, kBlockPixels, t, endpoints);
  if (fitted) *fitted = endpoints;
  Bytes block(8);
  writeColorBlock(endpoints, t, block.data());
  return block;
}

Bytes encodeAlphas(const std::function<float(uint32_t)>& alphaAt) {
  float alphas[kBlockPixels];
  for (uint32_t j = 0; j < kBlockPixels; ++j) alphas[j] = alphaAt(j);
  float normalized[kBlockPixels];
  AlphaRange range;
  normalizeAlphas(alphas, kBlockPixels, normalized, range);
  Bytes block(8);
  writeAlphaBlock(range, normalized, block.data());
  return block;
}

TEST(BlockEncode, RoundHalfDown) {
  const std::pair<float, int32_t> cases[] = {{2.5f, 2},  {15.5f, 15}, {2.5000002f, 3}, {30.6f, 31},
                                             {0.0f, 0},  {0.49f, 0},  {127.5f, 127},   {31.0f, 31}};
  for (const auto& [x, expected] : cases) EXPECT_EQ(roundHalfDown(x), expected) << x;
}

TEST(BlockEncode, QuantizeRgb565RoundsAndClamps) {
  const std::pair<FloatColor, uint16_t> cases[] = {
      {{0.5f, 0.5f, 0.5f}, 0x7BEF},  // 15.5 -> 15, 31.5 -> 31
      {{1.0f, 1.0f, 1.0f}, 0xFFFF},
      {{-0.037f, 0.0f, 0.0f}, 0x0000},  // below 0 clamps to 0
      {{1.2f, 2.0f, 1.5f}, 0xFFFF},     // above 1 clamps to the channel maximum
      {{0.0f, 0.5f, 0.0f}, 0x03E0},
      {{0.400f, 0.0f, 0.0f}, 12 << 11},
      {{0.402f, 0.0f, 0.0f}, 12 << 11},
  };
  for (const auto& [color, expected] : cases) {
    EXPECT_EQ(quantizeRgb565(color), expected) << color.red << " " << color.green << " " << color.blue;
  }
}

TEST(BlockEncode, ConstantsHaveTheirBitPatterns) {
  EXPECT_EQ(floatBits(kIndexThresholdLow), 0x3E2AAAABu);
  EXPECT_EQ(floatBits(kIndexThresholdHigh), 0x3F555555u);
}

TEST(BlockEncode, ColorBlocksOfTheReferenceExamples) {
  const FloatColor black{0, 0, 0}, white{1, 1, 1}, red{1, 0, 0}, green{0, 1, 0}, yellow{1, 1, 0};
  struct Case {
    const char* name;
    std::function<FloatColor(uint32_t)> colorAt;
    const char* bytes;
  };
  const Case cases[] = {
      {"pure red", [&](uint32_t) { return red; }, "00 F8 00 F8 00 00 00 00"},
      {"black/white", [&](uint32_t j) { return j % 2 ? white : black; }, "00 00 FF FF 44 44 44 44"},
      {"blue only", [&](uint32_t j) { return j % 2 ? FloatColor{0, 0, 1} : black; }, "00 00 1F 00 44 44 44 44"},
      {"black/red/green/yellow",
       [&](uint32_t j) {
         const FloatColor four[] = {black, red, green, yellow};
         return four[j % 4];
       },
       "E0 03 E0 FB 44 44 44 44"},
      {"same RGB565", [&](uint32_t j) { return FloatColor{j % 2 ? 0.402f : 0.400f, 0, 0}; }, "00 60 00 60 00 00 00 00"},
      {"grey", [&](uint32_t) { return FloatColor{0.5f, 0.5f, 0.5f}; }, "EF 7B EF 7B 00 00 00 00"},
  };
  for (const Case& c : cases) EXPECT_EQ(encodeColors(c.colorAt), hexBytes(c.bytes)) << c.name;
}

TEST(BlockEncode, LineFitOfTheReferenceExamples) {
  // Black/white: the direction is (1, 1, 1)/sqrt(3); this holds only when the
  // correlations use the sums of squares before the division by n.
  FloatColor colors[kBlockPixels];
  for (uint32_t j = 0; j < kBlockPixels; ++j) colors[j] = j % 2 ? FloatColor{1, 1, 1} : FloatColor{};
  const FloatColor unit = vecNormalize({1, 1, 1});
  const FloatColor d = fitLineDirection(colors, kBlockPixels, {0.5f, 0.5f, 0.5f}, {4, 4, 4});
  EXPECT_TRUE(vecEqual(d, unit)) << d.red << " " << d.green << " " << d.blue;
  // Only blue spreads: (0, 0, 1), not normalised.
  for (uint32_t j = 0; j < kBlockPixels; ++j) colors[j] = {0, 0, j % 2 ? 1.0f : 0.0f};
  EXPECT_TRUE(vecEqual(fitLineDirection(colors, kBlockPixels, {0, 0, 0.5f}, {0, 0, 4}), FloatColor{0, 0, 1}));

  // Black, red, green, yellow: no red/green correlation, so d = (1, 0, 0).
  ColorEndpoints ends;
  float params[kBlockPixels];
  encodeColors([](uint32_t j) { return FloatColor{static_cast<float>(j % 2), static_cast<float>(j / 2 % 2), 0}; },
               &ends, params);
  EXPECT_TRUE(vecEqual(ends.end0, {0, 0.5f, 0}));
  EXPECT_TRUE(vecEqual(ends.end1, {1, 0.5f, 0}));
  for (uint32_t j = 0; j < kBlockPixels; ++j) EXPECT_EQ(params[j], static_cast<float>(j % 2)) << j;

  // Sixteen equal colours: both ends are that colour, every parameter 0.
  encodeColors([](uint32_t) { return FloatColor{0.25f, 0.5f, 0.75f}; }, &ends, params);
  EXPECT_TRUE(vecEqual(ends.end0, {0.25f, 0.5f, 0.75f}) && vecEqual(ends.end1, ends.end0));
  for (float t : params) EXPECT_EQ(t, 0.0f);
}

TEST(BlockEncode, ColorIndexThresholds) {
  const std::pair<float, uint32_t> cases[] = {
      {0.0f, 0},
      {kIndexThresholdLow, 0},
      {std::nextafter(kIndexThresholdLow, 1.0f), 2},
      {0.5f, 2},
      {std::nextafter(0.5f, 1.0f), 3},
      {std::nextafter(kIndexThresholdHigh, 0.0f), 3},
      {kIndexThresholdHigh, 1},
      {1.0f, 1},
  };
  const ColorEndpoints ends{{0, 0, 0}, {1, 1, 1}};
  float params[kBlockPixels] = {};
  for (size_t i = 0; i < std::size(cases); ++i) params[i] = cases[i].first;
  uint8_t block[8];
  writeColorBlock(ends, params, block);
  EXPECT_EQ(Bytes(block, block + 4), hexBytes("00 00 FF FF"));
  const uint32_t indices = block[4] | block[5] << 8 | block[6] << 16 | static_cast<uint32_t>(block[7]) << 24;
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ((indices >> (2 * i)) & 3u, cases[i].second) << "t = " << cases[i].first;
  }
  // Equal quantised ends write indices 0 whatever the parameters; the ends keep their order.
  const ColorEndpoints swapped{{1, 0, 0}, {0.995f, 0, 0}};
  writeColorBlock(swapped, params, block);
  EXPECT_EQ(Bytes(block, block + 8), hexBytes("00 F8 00 F8 00 00 00 00"));
  writeColorBlock({{1, 1, 1}, {0, 0, 0}}, params, block);
  EXPECT_EQ(Bytes(block, block + 4), hexBytes("FF FF 00 00"));
}

TEST(BlockEncode, AlphaBlocksOfTheReferenceExamples) {
  struct Case {
    const char* name;
    std::function<float(uint32_t)> alphaAt;
    const char* bytes;
  };
  const float level128 = 128.0f * 0.0039215688593685627f;
  const Case cases[] = {
      {"opaque", [](uint32_t) { return 1.0f; }, "FF 00 00 00 00 00 00 00"},
      {"transparent", [](uint32_t) { return 0.0f; }, "FF 00 49 92 24 49 92 24"},
      {"128/255", [&](uint32_t) { return level128; }, "80 00 00 00 00 00 00 00"},
      {"alternating", [](uint32_t j) { return j % 2 ? 0.0f : 1.0f; }, "FF 00 08 82 20 08 82 20"},
      // Max and min within one step of 1/255 round to equal endpoint bytes.
      {"equal ends", [](uint32_t j) { return j == 0 ? 0.5010f : 0.5002f; }, "80 80 48 92 24 49 92 24"},
  };
  for (const Case& c : cases) EXPECT_EQ(encodeAlphas(c.alphaAt), hexBytes(c.bytes)) << c.name;
}

TEST(BlockEncode, AlphaIndexThresholds) {
  const std::pair<float, uint32_t> cases[] = {
      {0.0f, 0}, {1.0f, 0}, {std::nextafter(1.0f, 2.0f), 2}, {3.0f, 2}, {5.0f, 3}, {7.0f, 4}, {9.0f, 5},
      {11.0f, 6}, {std::nextafter(11.0f, 12.0f), 7}, {std::nextafter(13.0f, 0.0f), 7}, {13.0f, 1}, {14.0f, 1}};
  for (const auto& [h, index] : cases) EXPECT_EQ(alphaRampIndex(h), index) << "h = " << h;

  // A normalised 0.5 is h = 7, index 4; an endpoint product of 127.5 rounds down.
  float normalized[kBlockPixels];
  for (float& v : normalized) v = 0.5f;
  uint8_t block[8];
  writeAlphaBlock({0.5f, 0.0f}, normalized, block);
  EXPECT_EQ(Bytes(block, block + 8), hexBytes("7F 00 24 49 92 24 49 92"));
}

TEST(BlockEncode, AlphaRangeAdjustment) {
  struct Case {
    float common, maxAlpha, minAlpha, normalized;
  };
  const Case cases[] = {{0.0f, 1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f, 1.0f}, {0.25f, 0.25f, 0.0f, 1.0f}};
  for (const Case& c : cases) {
    float alphas[kBlockPixels], normalized[kBlockPixels];
    for (float& a : alphas) a = c.common;
    AlphaRange range;
    normalizeAlphas(alphas, kBlockPixels, normalized, range);
    EXPECT_EQ(range.maxAlpha, c.maxAlpha) << c.common;
    EXPECT_EQ(range.minAlpha, c.minAlpha) << c.common;
    for (float v : normalized) EXPECT_EQ(v, c.normalized) << c.common;
  }
}

}  // namespace
