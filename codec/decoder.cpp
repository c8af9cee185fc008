#include "decoder.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
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

static void decodeColorBlock(const uint8_t* block, uint32_t* pixels, uint32_t stride) {
  const Rgb8 c0 = expandRgb565(readLe16(block));
  const Rgb8 c1 = expandRgb565(readLe16(block + 2));
  uint32_t palette[4];
  for (unsigned i = 0; i < 4; ++i) {
    const Rgb8 c = paletteColor(c0, c1, i);
    palette[i] = packPixel(c.red, c.green, c.blue);
  }
  const uint32_t indices = readLe32(block + 4);
  for (unsigned y = 0; y < 4; ++y) {
    for (unsigned x = 0; x < 4; ++x) {
      pixels[y * stride + x] = palette[(indices >> (2 * x + 8 * y)) & 3u];
    }
  }
}

static void mergeAlphaBlock(const uint8_t* block, uint32_t* pixels, uint32_t stride) {
  const uint8_t alpha0 = block[0];
  const uint8_t alpha1 = block[1];
  uint32_t ramp[8];
  for (unsigned i = 0; i < 8; ++i) ramp[i] = static_cast<uint32_t>(alphaValue(alpha0, alpha1, i)) << 24;
  uint64_t indices = 0;  // 48 bits, little-endian, after the two endpoints
  for (int i = 5; i >= 0; --i) indices = indices << 8 | block[2 + i];
  for (unsigned y = 0; y < 4; ++y) {
    for (unsigned x = 0; x < 4; ++x) {
      uint32_t& pixel = pixels[y * stride + x];
      pixel = (pixel & 0x00FFFFFFu) | ramp[(indices >> (3 * x + 12 * y)) & 7u];
    }
  }
}

void decodeLevel(uint32_t w, uint32_t h, int32_t bitsPerPixel, const uint8_t* levelData,
                 uint32_t* pixels) {
  if (w < 4 || h < 4) return;
  const bool hasAlpha = bitsPerPixel == 8;
  const size_t blockSize = 2 * static_cast<size_t>(bitsPerPixel);
  const uint32_t tilesPerRow = w / 4;
  const uint32_t tileRows = h / 4;
  const uint8_t* block = levelData;
  for (uint32_t by = 0; by < tileRows; ++by) {
    for (uint32_t bx = 0; bx < tilesPerRow; ++bx, block += blockSize) {
      uint32_t* tile = pixels + static_cast<size_t>(4 * by) * w + 4 * bx;
      decodeColorBlock(hasAlpha ? block + kAlphaBlockSize : block, tile, w);
      if (hasAlpha) mergeAlphaBlock(block, tile, w);
    }
  }
}

size_t tgaFileSize(uint32_t w, uint32_t h, int32_t bitsPerPixel) {
  const size_t bytesPerPixel = bitsPerPixel == 8 ? 4 : 3;
  return kTgaHeaderSize + static_cast<size_t>(w) * h * bytesPerPixel + kTgaFooterSize;
}

void writeTgaFile(uint32_t w, uint32_t h, int32_t bitsPerPixel, const uint32_t* pixels,
                  uint8_t* out) {
  const bool hasAlpha = bitsPerPixel == 8;
  std::memset(out, 0, kTgaHeaderSize);
  out[2] = 2;  // uncompressed true-colour
  writeLe16(out + 12, static_cast<uint16_t>(w));
  writeLe16(out + 14, static_cast<uint16_t>(h));
  out[16] = hasAlpha ? 32 : 24;
  out[17] = 0x20;  // top-left origin
  uint8_t* p = out + kTgaHeaderSize;
  const size_t count = static_cast<size_t>(w) * h;
  if (hasAlpha) {
    for (size_t i = 0; i < count; ++i, p += 4) writeLe32(p, pixels[i]);
  } else {
    for (size_t i = 0; i < count; ++i, p += 3) {
      p[0] = static_cast<uint8_t>(pixels[i]);
      p[1] = static_cast<uint8_t>(pixels[i] >> 8);
      p[2] = static_cast<uint8_t>(pixels[i] >> 16);
    }
  }
  static const char kFooter[kTgaFooterSize] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
  std::memcpy(p, kFooter, kTgaFooterSize);
}

// Decodes one level into a file of its own. Returns false when the run must
// stop (the message has been printed).
static bool writeLevelFile(const std::string& name, uint32_t w, uint32_t h, int32_t bitsPerPixel,
                           const uint8_t* levelData) {
  std::vector<uint32_t> pixels;
  std::vector<uint8_t> file;
  try {
    pixels.assign(static_cast<size_t>(w) * h, 0u);  // small levels stay zero
    file.resize(tgaFileSize(w, h, bitsPerPixel));
  } catch (const std::bad_alloc&) {
    printf("Out of memory for a %" PRIu32 "x%" PRIu32 " level\n", w, h);
    return false;
  }
  decodeLevel(w, h, bitsPerPixel, levelData, pixels.data());
  writeTgaFile(w, h, bitsPerPixel, pixels.data(), file.data());
  FILE* out = fopen(name.c_str(), "wb");
  if (!out) {
    printf("Failed to create output file: %s\n", name.c_str());
    return false;
  }
  const bool written = fwrite(file.data(), 1, file.size(), out) == file.size();
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
