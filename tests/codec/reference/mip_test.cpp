#include "reference/mip.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Reduced {
  std::vector<FloatColor> colors;
  std::vector<float> alphas;
};

Reduced reduce(uint32_t w, uint32_t h, const std::vector<FloatColor>& colors, const std::vector<float>& alphas) {
  const FloatColor marker{-1, -1, -1};
  Reduced out{std::vector<FloatColor>(4, marker), std::vector<float>(4, -1.0f)};
  reduceMipLevel(w, h, colors.data(), alphas.data(), out.colors.data(), out.alphas.data());
  return out;
}

TEST(Mip, AveragesTwoByTwoSquares) {
  // 4 x 2: output 0 averages columns 0-1, output 1 columns 2-3, both rows.
  const std::vector<FloatColor> colors = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 1},
                                          {1, 1, 1}, {0, 0, 1}, {0, 1, 0}, {0, 0, 1}};
  const std::vector<float> alphas = {1, 1, 0, 0, 1, 0, 1, 0};
  const Reduced r = reduce(4, 2, colors, alphas);
  EXPECT_TRUE(vecEqual(r.colors[0], {0.5f, 0.25f, 0.5f}));
  EXPECT_TRUE(vecEqual(r.colors[1], {0.0f, 0.75f, 0.5f}));
  EXPECT_EQ(r.alphas[0], 0.75f);
  EXPECT_EQ(r.alphas[1], 0.25f);
  EXPECT_EQ(r.alphas[2], -1.0f) << "only (w/2) x (h/2) entries are written";
}

TEST(Mip, EqualAndCheckeredInputs) {
  const FloatColor c{0.3f, 0.7f, 0.1f};
  Reduced r = reduce(2, 2, {c, c, c, c}, {1, 1, 1, 1});
  EXPECT_TRUE(vecEqual(r.colors[0], c));
  EXPECT_EQ(r.alphas[0], 1.0f);
  const FloatColor b{0, 0, 0}, w{1, 1, 1};
  r = reduce(4, 4, {b, w, b, w, w, b, w, b, b, w, b, w, w, b, w, b}, std::vector<float>(16, 0.0f));
  for (const FloatColor& grey : r.colors) EXPECT_TRUE(vecEqual(grey, {0.5f, 0.5f, 0.5f}));
}

TEST(Mip, AlphaIsSummedInDoubleAndRoundedOnce) {
  // In float, 1 + 2^-24 rounds back to 1 three times; in double the sum is
  // 1 + 3*2^-24, and a quarter of it rounds (half to even) to 0.25 + 2^-24.
  const float tiny = 0x1p-24f;
  const Reduced r = reduce(2, 2, std::vector<FloatColor>(4), {tiny, tiny, tiny, 1.0f});
  EXPECT_EQ(r.alphas[0], 0.25f + 0x1p-24f);
}

TEST(Mip, DegenerateSidesWriteNothing) {
  for (const auto& [w, h] : {std::pair<uint32_t, uint32_t>{1, 4}, {4, 1}}) {
    const Reduced r = reduce(w, h, std::vector<FloatColor>(4, {1, 1, 1}), std::vector<float>(4, 1.0f));
    EXPECT_EQ(r.alphas, std::vector<float>(4, -1.0f)) << w << "x" << h;
    EXPECT_TRUE(vecEqual(r.colors[0], {-1, -1, -1}));
  }
}

}  // namespace
