#include "encode/encoder.h"

#include <cstdio>
#include <new>
#include <utility>

#include "encode/block_encode.h"
#include "container.h"
#include "encode/mip.h"

uint32_t levelBlockCount(uint32_t w, uint32_t h) {
  const uint64_t blocks = static_cast<uint64_t>(w) * h / kBlockPixels;
  return blocks > 1 ? static_cast<uint32_t>(blocks) : 1u;
}

size_t blockByteCount(int32_t format) {
  return format == kFormatRgba ? kAlphaBlockSize + kColorBlockSize : kColorBlockSize;
}

static size_t storedIndex(uint32_t w, uint32_t h, bool topLeftOrigin, uint32_t x, uint32_t displayRow) {
  const uint32_t storedRow = topLeftOrigin ? displayRow : h - 1 - displayRow;
  return static_cast<size_t>(storedRow) * w + x;
}

// Sides both >= 4: one 4x4 tile, four pixels of one stored row at a time.
static void gatherTile(uint32_t w, uint32_t h, bool topLeftOrigin, const FloatColor* colors,
                       const float* alphas, uint32_t b, FloatColor blockColors[16], float blockAlphas[16]) {
  const uint32_t tilesPerRow = w / 4;
  const uint32_t left = 4 * (b % tilesPerRow);
  const uint32_t top = 4 * (b / tilesPerRow);
  for (uint32_t row = 0; row < 4; ++row) {
    const size_t source = storedIndex(w, h, topLeftOrigin, left, top + row);
    for (uint32_t column = 0; column < 4; ++column) {
      blockColors[4 * row + column] = colors[source + column];
      blockAlphas[4 * row + column] = alphas[source + column];
    }
  }
}

void gatherBlock(uint32_t w, uint32_t h, bool topLeftOrigin, const FloatColor* colors,
                 const float* alphas, uint32_t b, FloatColor blockColors[16], float blockAlphas[16]) {
  if (w >= 4 && h >= 4) {
    gatherTile(w, h, topLeftOrigin, colors, alphas, b, blockColors, blockAlphas);
    return;
  }
  for (uint32_t p = 0; p < kBlockPixels; ++p) {
    blockColors[p] = FloatColor{};
    blockAlphas[p] = alphas[0];
  }
  const bool strip = w >= 8 || h >= 8;
  if (strip) {
    // Displayed pixels 16b .. 16b+15, row by row; only 8x1 and 1x8 levels
    // have fewer than 16 pixels in all.
    const uint64_t first = static_cast<uint64_t>(b) * kBlockPixels;
    const uint64_t pixelCount = static_cast<uint64_t>(w) * h;
    for (uint32_t p = 0; p < kBlockPixels && first + p < pixelCount; ++p) {
      const uint64_t displayed = first + p;
      const size_t source = storedIndex(w, h, topLeftOrigin, static_cast<uint32_t>(displayed % w),
                                        static_cast<uint32_t>(displayed / w));
      blockColors[p] = colors[source];
      blockAlphas[p] = alphas[source];
    }
    return;
  }
  for (uint32_t row = 0; row < h; ++row) {  // the level fits in block 0
    for (uint32_t column = 0; column < w; ++column) {
      const size_t source = storedIndex(w, h, topLeftOrigin, column, row);
      blockColors[4 * row + column] = colors[source];
      blockAlphas[4 * row + column] = alphas[source];
    }
  }
}

void encodeLevelBlocks(uint32_t w, uint32_t h, int32_t format, bool topLeftOrigin,
                       const FloatColor* colors, const float* alphas, uint8_t* out) {
  const uint32_t blockCount = levelBlockCount(w, h);
  for (uint32_t b = 0; b < blockCount; ++b) {
    FloatColor blockColors[kBlockPixels];
    float blockAlphas[kBlockPixels];
    gatherBlock(w, h, topLeftOrigin, colors, alphas, b, blockColors, blockAlphas);
    ColorEndpoints endpoints;
    float params[kBlockPixels];
    fitColorLine(blockColors, kBlockPixels, params, endpoints);
    AlphaRange range;
    float normalized[kBlockPixels];
    normalizeAlphas(blockAlphas, kBlockPixels, normalized, range);
    if (format == kFormatRgba) {
      writeAlphaBlock(range, normalized, out);
      out += kAlphaBlockSize;
    }
    writeColorBlock(endpoints, params, out);
    out += kColorBlockSize;
  }
}

void printLevelLine(int number, LevelSize level) {
  printf("Encoding Mip Level %i (%ix%i)\n", number, static_cast<int>(level.w), static_cast<int>(level.h));
}

void reportLevelOutOfMemory(int number, LevelSize level) {
  printf("Out of memory for mip level %i (%ix%i)\n", number, static_cast<int>(level.w), static_cast<int>(level.h));
}

bool encodeLevels(const LevelSink& sink, uint32_t width, uint32_t height, int32_t format,
                  bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas) {
  return encodeLevelsFrom(sink, LevelSize{width, height}, 0, format, topLeftOrigin, std::move(colors),
                          std::move(alphas));
}

bool encodeLevelsFrom(const LevelSink& sink, LevelSize level, int firstNumber, int32_t format,
                      bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas) {
  std::vector<uint8_t> levelBytes;
  for (int number = firstNumber;; ++number) {
    if (sink.printProgress) printLevelLine(number, level);
    const size_t byteCount = levelBlockCount(level.w, level.h) * blockByteCount(format);
    try {
      levelBytes.resize(byteCount);  // level 0 is the largest: later levels reuse it
    } catch (const std::bad_alloc&) {
      reportLevelOutOfMemory(number, level);
      return false;
    }
    encodeLevelBlocks(level.w, level.h, format, topLeftOrigin, colors.data(), alphas.data(),
                      levelBytes.data());
    if (!sink.write(sink.context, levelBytes.data(), byteCount)) return false;
    if (isLastLevel(level)) break;

    const LevelSize next = nextLevel(level);
    const size_t nextCount = static_cast<size_t>(next.w) * next.h;
    std::vector<FloatColor> nextColors;
    std::vector<float> nextAlphas;
    try {
      nextColors.assign(nextCount, FloatColor{});
      nextAlphas.resize(nextCount);
    } catch (const std::bad_alloc&) {
      reportLevelOutOfMemory(number + 1, next);
      return false;
    }
    reduceMipLevel(level.w, level.h, colors.data(), alphas.data(), nextColors.data(), nextAlphas.data());
    colors = std::move(nextColors);  // releases the finished level
    alphas = std::move(nextAlphas);
    level = next;
  }
  return true;
}

void printEncodingFinished() { printf("Finished Encoding"); }
