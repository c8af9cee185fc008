#include "shared/container.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

uint64_t containerSize(uint32_t width, uint32_t height, int32_t format) {
  uint64_t size = kTextureHeaderSize;
  LevelSize level{width, height};
  for (;;) {
    size += levelByteCount(level.w, level.h, static_cast<uint64_t>(bitsPerPixel(format)));
    if (isLastLevel(level)) return size;
    level = nextLevel(level);
  }
}

std::vector<uint64_t> levelOffsets(uint32_t width, uint32_t height, int32_t format) {
  std::vector<uint64_t> offsets;
  uint64_t offset = kTextureHeaderSize;
  LevelSize level{width, height};
  for (;;) {
    offsets.push_back(offset);
    offset += levelByteCount(level.w, level.h, static_cast<uint64_t>(bitsPerPixel(format)));
    if (isLastLevel(level)) return offsets;
    level = nextLevel(level);
  }
}

TEST(Container, BitsPerPixelDoublesTheFormatWithSixReplacedByFour) {
  EXPECT_EQ(bitsPerPixel(3), 4);
  EXPECT_EQ(bitsPerPixel(4), 8);
}

TEST(Container, LevelWalkCountsAndLastLevels) {
  struct Case {
    uint32_t w, h;
    int levels;
    uint32_t lastW, lastH;
  };
  const Case cases[] = {
      {256, 256, 9, 1, 1}, {256, 64, 7, 4, 1},  {2, 2048, 2, 1, 1024},
      {2, 2, 2, 1, 1},     {8, 8, 4, 1, 1},     {16, 4, 3, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    int levels = 1;
    LevelSize last{c.w, c.h};
    for (; !isLastLevel(last); last = nextLevel(last)) ++levels;
    EXPECT_EQ(levels, c.levels);
    EXPECT_EQ(last.w, c.lastW);
    EXPECT_EQ(last.h, c.lastH);
  }
}

TEST(Container, FileSizesFollowTheLevelSizeRule) {
  struct Case {
    uint32_t w, h;
    int32_t format;
    uint64_t bytes;
  };
  const Case cases[] = {
      {2, 2, 3, 36},
      {2, 2, 4, 52},
      {8, 8, 4, 132},
      {16, 4, 3, 68},
      // 2x2048 ends with 1x1024: 64 blocks of 8 bytes after the 2x2048 level's 256 blocks.
      {2, 2048, 3, 20 + 256 * 8 + 64 * 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " format " + std::to_string(c.format));
    EXPECT_EQ(containerSize(c.w, c.h, c.format), c.bytes);
  }
}

TEST(Container, EightByEightFormatFourLevelOffsets) {
  EXPECT_EQ(levelOffsets(8, 8, 4), (std::vector<uint64_t>{20, 84, 100, 116}));
}

TEST(Container, LevelByteCountHasAOneBlockMinimum) {
  EXPECT_EQ(levelByteCount(1, 1, 4), 8u);
  EXPECT_EQ(levelByteCount(2, 2, 8), 16u);
  EXPECT_EQ(levelByteCount(4, 1, 4), 8u);
  EXPECT_EQ(levelByteCount(1, 1024, 4), 512u);
  EXPECT_EQ(levelByteCount(65535, 65535, 8), 65535ull * 65535ull);
}

TEST(Container, HeaderRoundTripsLittleEndian) {
  TextureHeader header;
  header.width = 64;
  header.height = 32;
  header.format = 3;
  header.compressedSize = 1024;
  header.meanAlpha = 1.0f;
  uint8_t bytes[kTextureHeaderSize];
  packTextureHeader(header, bytes);
  const uint8_t expected[kTextureHeaderSize] = {64, 0, 0, 0, 32, 0, 0, 0, 3, 0,
                                                0,  0, 0, 4, 0, 0, 0, 0, 0x80, 0x3F};
  EXPECT_EQ(0, memcmp(bytes, expected, sizeof bytes));
  const TextureHeader back = unpackTextureHeader(bytes);
  EXPECT_EQ(back.width, 64);
  EXPECT_EQ(back.height, 32);
  EXPECT_EQ(back.format, 3);
  EXPECT_EQ(back.compressedSize, 1024);
  EXPECT_EQ(back.meanAlpha, 1.0f);
}

bool sameColor(Rgb8 a, Rgb8 b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

TEST(Container, ExpandRgb565ReadsFullIntensityAs247And251) {
  EXPECT_TRUE(sameColor(expandRgb565(0xFFFF), Rgb8{247, 251, 247}));
  EXPECT_TRUE(sameColor(expandRgb565(0x0000), Rgb8{0, 0, 0}));
  EXPECT_TRUE(sameColor(expandRgb565(0x001F), Rgb8{0, 0, 247}));
  EXPECT_TRUE(sameColor(expandRgb565(0xF800), Rgb8{247, 0, 0}));
}

TEST(Container, PaletteOfWhiteAndBlackInBothOrders) {
  const Rgb8 white = expandRgb565(0xFFFF);
  const Rgb8 black = expandRgb565(0x0000);
  const Rgb8 forward[4] = {{247, 251, 247}, {0, 0, 0}, {164, 167, 164}, {82, 83, 82}};
  const Rgb8 swapped[4] = {{0, 0, 0}, {247, 251, 247}, {82, 83, 82}, {164, 167, 164}};
  for (unsigned i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(sameColor(paletteColor(white, black, i), forward[i]));
    EXPECT_TRUE(sameColor(paletteColor(black, white, i), swapped[i]));
  }
}

TEST(Container, AlphaRamps) {
  struct Case {
    uint8_t alpha0, alpha1;
    int values[8];
  };
  const Case cases[] = {
      {255, 0, {255, 0, 219, 182, 146, 109, 73, 36}},   // eight-value ramp
      {0, 255, {0, 255, 51, 102, 153, 204, 0, 255}},    // six-value ramp
      {100, 100, {100, 100, 100, 100, 100, 100, 0, 255}},  // equal: six-value ramp
      {0, 0, {0, 0, 0, 0, 0, 0, 0, 255}},
  };
  for (const Case& c : cases) {
    for (unsigned i = 0; i < 8; ++i) {
      SCOPED_TRACE(std::to_string(c.alpha0) + "/" + std::to_string(c.alpha1) + " index " + std::to_string(i));
      EXPECT_EQ(alphaValue(c.alpha0, c.alpha1, i), c.values[i]);
    }
  }
}

}  // namespace
