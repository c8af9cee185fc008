#include "reference/reference_encoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "encode/mean_alpha.h"
#include "reference/block_encode.h"
#include "reference/mip.h"

static uint32_t levelBlockCount(uint32_t w, uint32_t h) {
  const uint64_t blocks = static_cast<uint64_t>(w) * h / kBlockPixels;
  return blocks > 1 ? static_cast<uint32_t>(blocks) : 1u;
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

static bool encodeLevelsFrom(const LevelSink& sink, LevelSize level, int firstNumber, int32_t format,
                             bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas);

bool encodeLevels(const LevelSink& sink, uint32_t width, uint32_t height, int32_t format,
                  bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas) {
  return encodeLevelsFrom(sink, LevelSize{width, height}, 0, format, topLeftOrigin, std::move(colors),
                          std::move(alphas));
}

static bool encodeLevelsFrom(const LevelSink& sink, LevelSize level, int firstNumber, int32_t format,
                      bool topLeftOrigin, std::vector<FloatColor> colors, std::vector<float> alphas) {
  std::vector<uint8_t> levelBytes;
  for (int number = firstNumber;; ++number) {
    const size_t byteCount = levelByteCount(level.w, level.h, static_cast<uint64_t>(bitsPerPixel(format)));
    try {
      levelBytes.resize(byteCount);  // level 0 is the largest: later levels reuse it
    } catch (const std::bad_alloc&) {
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
      return false;
    }
    reduceMipLevel(level.w, level.h, colors.data(), alphas.data(), nextColors.data(), nextAlphas.data());
    colors = std::move(nextColors);  // releases the finished level
    alphas = std::move(nextAlphas);
    level = next;
  }
  return true;
}

// b * k: the exact product rounded once to float.
static float unitValue(uint8_t byte) { return static_cast<float>(byte) * kByteToUnit; }

bool convertSourcePixels(const TgaHeader& header, const uint8_t* pixelBytes, size_t available, SourceImage& image) {
  image.width = header.width;
  image.height = header.height;
  image.format = header.pixelDepth == 32 ? kFormatRgba : kFormatRgb;
  image.topLeftOrigin = (header.descriptor & kTgaTopLeftOrigin) != 0;
  const size_t pixelCount = static_cast<size_t>(image.width) * image.height;
  image.colors.assign(pixelCount, FloatColor{});
  image.alphas.resize(pixelCount);
  const bool hasAlpha = image.format == kFormatRgba;
  const size_t bytesPerPixel = hasAlpha ? 4 : 3;
  float alphaSum = 0.0f;
  for (size_t i = 0; i < pixelCount; ++i) {
    uint8_t bgra[4] = {0, 0, 0, 0};  // blue, green, red(, alpha); past the end of the file: 0
    const size_t at = i * bytesPerPixel;
    if (at < available) std::memcpy(bgra, pixelBytes + at, std::min(bytesPerPixel, available - at));
    image.colors[i] = FloatColor{unitValue(bgra[2]), unitValue(bgra[1]), unitValue(bgra[0])};
    if (hasAlpha) {
      image.alphas[i] = unitValue(bgra[3]);
      alphaSum = addAlphaToSum(alphaSum, bgra[3]);
    } else {
      image.alphas[i] = 0.0f;
      alphaSum += 1.0f;
    }
  }
  image.meanAlpha = alphaSum / static_cast<float>(pixelCount);
  return true;
}

TextureHeader sourceTextureHeader(const SourceImage& image) {
  TextureHeader header;
  header.width = static_cast<int32_t>(image.width);
  header.height = static_cast<int32_t>(image.height);
  header.format = image.format;
  header.compressedSize = headerCompressedSize(image.width, image.height, bitsPerPixel(image.format));
  header.meanAlpha = image.meanAlpha;
  return header;
}

static bool appendLevel(void* context, const uint8_t* bytes, size_t size) {
  auto* container = static_cast<std::vector<uint8_t>*>(context);
  container->insert(container->end(), bytes, bytes + size);
  return true;
}

std::vector<uint8_t> referenceContainer(const std::vector<uint8_t>& tga) {
  if (tga.size() < kTgaHeaderSize) return {};
  const TgaHeader header = parseTgaHeader(tga.data());
  if (tgaHeaderProblem(header) != TgaHeaderProblem::None) return {};
  const size_t pixelStart = std::min(tga.size(), kTgaHeaderSize + header.idLength);
  SourceImage image;
  convertSourcePixels(header, tga.data() + pixelStart, tga.size() - pixelStart, image);
  std::vector<uint8_t> container(kTextureHeaderSize);
  packTextureHeader(sourceTextureHeader(image), container.data());
  encodeLevels(LevelSink{appendLevel, &container}, image.width, image.height, image.format, image.topLeftOrigin,
               std::move(image.colors), std::move(image.alphas));
  return container;
}
