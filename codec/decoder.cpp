#include "decoder.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "container.h"
#include "output_name.h"

// A TGA stores its sides in 16 bits.
constexpr int32_t kMaxTgaSide = 65535;

static bool readWholeFile(FILE* in, std::vector<uint8_t>& data) {
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) data.insert(data.end(), chunk, chunk + got);
  return !ferror(in);
}

void decodeContainer(const std::string& path) {
  FILE* in = fopen(path.c_str(), "rb");
  if (!in) {
    printf("Failed to open Sourcefile: %s\n", path.c_str());
    return;
  }
  std::vector<uint8_t> data;
  const bool readOk = readWholeFile(in, data);
  fclose(in);
  if (!readOk) {
    printf("Failed to read Sourcefile: %s\n", path.c_str());
    return;
  }
  decodeContainerBytes(data.data(), data.size(), outputBaseName(path));
}

void printHeader(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t compressedSize,
                 float meanAlpha) {
  printf("Header:\n");
  printf("Width/Height: %i/%i\n", width, height);
  printf("Bits per pixel: %i\n", bitsPerPixel);
  printf("Compressed Size: %i\n", compressedSize);
  // A damaged header may hold a NaN; C runtimes disagree on its sign, so it
  // is spelt out to print the same everywhere.
  if (std::isnan(meanAlpha)) {
    printf("Mean Alpha: %s\n", std::signbit(meanAlpha) ? "-nan" : "nan");
  } else {
    printf("Mean Alpha: %f\n", static_cast<double>(meanAlpha));
  }
}

static void dumpBytes(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) printf("%02x ", bytes[i]);
}

// Alpha of each block position, already in bits 24-31 of a pixel word.
static void decodeAlphaBlock(const uint8_t* block, uint32_t alphas[16]) {
  int ramp[8];
  alphaRamp(block[0], block[1], ramp);
  uint64_t indices = 0;  // 48 bits, little-endian, after the two endpoints
  for (int i = 5; i >= 0; --i) indices = indices << 8 | block[2 + i];
  for (unsigned p = 0; p < 16; ++p) alphas[p] = static_cast<uint32_t>(ramp[(indices >> (3 * p)) & 7u]) << 24;
}

// One block into a 4x4 tile of pixel words; alphas is null for format 3.
static void decodeBlock(const uint8_t* colorBlock, const uint32_t* alphas, uint32_t* pixels,
                        uint32_t stride) {
  const Rgb8 c0 = expandRgb565(readLe16(colorBlock));
  const Rgb8 c1 = expandRgb565(readLe16(colorBlock + 2));
  uint32_t palette[4];
  for (unsigned i = 0; i < 4; ++i) {
    const Rgb8 c = paletteColor(c0, c1, i);
    palette[i] = packPixel(c.red, c.green, c.blue);
  }
  static const uint32_t kOpaqueNone[16] = {};
  if (!alphas) alphas = kOpaqueNone;
  // Byte 4 + y of the ColorBlock holds row y, two bits per pixel from the left.
  for (unsigned y = 0; y < 4; ++y) {
    const unsigned row = colorBlock[4 + y];
    uint32_t* out = pixels + y * stride;
    const uint32_t* a = alphas + 4 * y;
    out[0] = palette[row & 3u] | a[0];
    out[1] = palette[(row >> 2) & 3u] | a[1];
    out[2] = palette[(row >> 4) & 3u] | a[2];
    out[3] = palette[row >> 6] | a[3];
  }
}

// Decodes the blocks of one tile row into four rows of pixel words (stride w).
static void decodeTileRow(uint32_t w, int32_t bitsPerPixel, const uint8_t* blocks, uint32_t* rows) {
  const size_t blockSize = 2 * static_cast<size_t>(bitsPerPixel);
  uint32_t alphas[16];
  for (uint32_t bx = 0; bx < w / 4; ++bx, blocks += blockSize) {
    if (bitsPerPixel == 8) {  // AlphaBlock, then ColorBlock
      decodeAlphaBlock(blocks, alphas);
      decodeBlock(blocks + kAlphaBlockSize, alphas, rows + 4 * bx, w);
    } else {
      decodeBlock(blocks, nullptr, rows + 4 * bx, w);
    }
  }
}

static size_t tileRowBytes(uint32_t w, int32_t bitsPerPixel) {
  return static_cast<size_t>(w / 4) * 2 * static_cast<size_t>(bitsPerPixel);
}

void decodeLevel(uint32_t w, uint32_t h, int32_t bitsPerPixel, const uint8_t* levelData,
                 uint32_t* pixels) {
  if (w < 4 || h < 4) return;
  for (uint32_t by = 0; by < h / 4; ++by) {
    decodeTileRow(w, bitsPerPixel, levelData + by * tileRowBytes(w, bitsPerPixel),
                  pixels + static_cast<size_t>(4 * by) * w);
  }
}

static size_t tgaBytesPerPixel(int32_t bitsPerPixel) { return bitsPerPixel == 8 ? 4 : 3; }

size_t tgaFileSize(uint32_t w, uint32_t h, int32_t bitsPerPixel) {
  return kTgaHeaderSize + static_cast<size_t>(w) * h * tgaBytesPerPixel(bitsPerPixel) + kTgaFooterSize;
}

static void writeTgaHeader(uint32_t w, uint32_t h, int32_t bitsPerPixel, uint8_t* out) {
  std::memset(out, 0, kTgaHeaderSize);
  out[2] = 2;  // uncompressed true-colour
  writeLe16(out + 12, static_cast<uint16_t>(w));
  writeLe16(out + 14, static_cast<uint16_t>(h));
  out[16] = bitsPerPixel == 8 ? 32 : 24;
  out[17] = 0x20;  // top-left origin
}

static const char kTgaFooter[kTgaFooterSize] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";

// Pixel words to file bytes: blue, green, red(, alpha).
static void packPixelBytes(const uint32_t* pixels, size_t count, int32_t bitsPerPixel, uint8_t* out) {
  if (bitsPerPixel == 8) {
    for (size_t i = 0; i < count; ++i, out += 4) writeLe32(out, pixels[i]);
    return;
  }
  for (size_t i = 0; i < count; ++i, out += 3) {
    out[0] = static_cast<uint8_t>(pixels[i]);
    out[1] = static_cast<uint8_t>(pixels[i] >> 8);
    out[2] = static_cast<uint8_t>(pixels[i] >> 16);
  }
}

void writeTgaFile(uint32_t w, uint32_t h, int32_t bitsPerPixel, const uint32_t* pixels,
                  uint8_t* out) {
  writeTgaHeader(w, h, bitsPerPixel, out);
  const size_t count = static_cast<size_t>(w) * h;
  packPixelBytes(pixels, count, bitsPerPixel, out + kTgaHeaderSize);
  std::memcpy(out + kTgaHeaderSize + count * tgaBytesPerPixel(bitsPerPixel), kTgaFooter, kTgaFooterSize);
}

// Streams one level's TGA file a tile row (four pixel rows) at a time, so
// that no whole-level buffer is needed. Rows that no block covers (levels
// with a side below 4, or rows past the last whole tile) are zero pixels.
static bool streamLevel(FILE* out, uint32_t w, uint32_t h, int32_t bitsPerPixel,
                        const uint8_t* levelData) {
  const size_t rowBytes = static_cast<size_t>(w) * tgaBytesPerPixel(bitsPerPixel);
  std::vector<uint32_t> words(static_cast<size_t>(w) * 4, 0u);
  std::vector<uint8_t> strip(rowBytes * 4, 0u);
  uint8_t header[kTgaHeaderSize];
  writeTgaHeader(w, h, bitsPerPixel, header);
  bool ok = fwrite(header, 1, sizeof header, out) == sizeof header;
  const uint32_t tileRows = w < 4 ? 0 : h / 4;
  for (uint32_t by = 0; by < tileRows && ok; ++by) {
    decodeTileRow(w, bitsPerPixel, levelData + by * tileRowBytes(w, bitsPerPixel), words.data());
    packPixelBytes(words.data(), words.size(), bitsPerPixel, strip.data());
    ok = fwrite(strip.data(), 1, strip.size(), out) == strip.size();
  }
  std::fill(strip.begin(), strip.end(), uint8_t{0});
  for (uint32_t y = tileRows * 4; y < h && ok; ++y) ok = fwrite(strip.data(), 1, rowBytes, out) == rowBytes;
  return ok && fwrite(kTgaFooter, 1, kTgaFooterSize, out) == kTgaFooterSize;
}

// Decodes one level into a file of its own. Returns false when the run must
// stop (the message has been printed).
static bool writeLevelFile(const std::string& name, uint32_t w, uint32_t h, int32_t bitsPerPixel,
                           const uint8_t* levelData) {
  FILE* out = fopen(name.c_str(), "wb");
  if (!out) {
    printf("Failed to create output file: %s\n", name.c_str());
    return false;
  }
  bool written = false;
  try {
    written = streamLevel(out, w, h, bitsPerPixel, levelData);
  } catch (const std::bad_alloc&) {
    printf("Out of memory for a %" PRIu32 "x%" PRIu32 " level\n", w, h);
    fclose(out);
    return false;
  }
  if (fclose(out) != 0 || !written) {
    printf("Failed to write output file: %s\n", name.c_str());
    return false;
  }
  return true;
}

void decodeContainerBytes(const uint8_t* data, size_t size, const std::string& baseName) {
  if (size < kTextureHeaderSize) {
    printf("Container too short: %zu bytes, a header needs %zu\n", size, kTextureHeaderSize);
    return;
  }
  const TextureHeader header = unpackTextureHeader(data);
  const int32_t bpp = bitsPerPixel(header.format);
  printHeader(header.width, header.height, bpp, header.compressedSize, header.meanAlpha);
  if (header.format != kFormatRgb && header.format != kFormatRgba) {
    printf("Unsupported container format %i (expected 3 or 4)\n", header.format);
    return;
  }
  if (header.width > kMaxTgaSide || header.height > kMaxTgaSide) {
    printf("Image too large for a TGA file: %ix%i\n", header.width, header.height);
    return;
  }
  size_t offset = kTextureHeaderSize;
  if (header.width >= 1 && header.height >= 1) {
    LevelSize level{static_cast<uint32_t>(header.width), static_cast<uint32_t>(header.height)};
    for (int number = 0;; ++number, level = nextLevel(level)) {
      const uint64_t levelBytes = levelByteCount(level.w, level.h, static_cast<uint64_t>(bpp));
      if (levelBytes > size - offset) {
        printf("Container truncated: level %i needs %" PRIu64 " bytes, %zu remain\n", number,
               levelBytes, size - offset);
        return;
      }
      printf("Decoding Level %i\n", number);
      if (!writeLevelFile(baseName + std::to_string(number) + ".tga", level.w, level.h, bpp,
                          data + offset)) {
        return;
      }
      offset += static_cast<size_t>(levelBytes);
      if (isLastLevel(level)) break;
    }
  }
  dumpBytes(data + offset, size - offset);
}
