#include "decode/decoder.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "container.h"
#include "decode/decode_kernels.h"
#include "output_messages.h"
#include "output_name.h"
#include "files/regular_file.h"
#include "output_file.h"

// A TGA stores its sides in 16 bits.
constexpr int32_t kMaxTgaSide = 65535;

// Reads exactly the size the file reported when it was opened, so memory
// stays bounded by it even if the file grows meanwhile. Fails on a read error
// or when the file does not fit in memory.
static bool readWholeFile(FILE* in, uint64_t size, std::vector<uint8_t>& data) {
  if (static_cast<uint64_t>(static_cast<size_t>(size)) != size) return false;
  try {
    data.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  data.resize(fread(data.data(), 1, data.size(), in));
  return !ferror(in);
}

bool decodeContainer(const std::string& path) {
  FILE* in = nullptr;
  uint64_t size = 0;
  switch (openRegularFile(path, in, size)) {
    case InputOpenResult::CannotOpen:
      printf("Failed to open Sourcefile: %s\n", path.c_str());
      return false;
    case InputOpenResult::NotRegularFile:
      printf("Sourcefile is not a regular file: %s\n", path.c_str());
      return false;
    case InputOpenResult::Opened:
      break;
  }
  std::vector<uint8_t> data;
  const bool readOk = readWholeFile(in, size, data);
  fclose(in);
  if (!readOk) {
    printf("Failed to read Sourcefile: %s\n", path.c_str());
    return false;
  }
  return decodeContainerBytes(data.data(), data.size(), outputBaseName(path));
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

// A ColorBlock's four colours as pixel words (alpha byte 0).
static void blockPalette(const uint8_t* colorBlock, uint32_t palette[4]) {
  const Rgb8 c0 = expandRgb565(readLe16(colorBlock));
  const Rgb8 c1 = expandRgb565(readLe16(colorBlock + 2));
  for (unsigned i = 0; i < 4; ++i) {
    const Rgb8 c = paletteColor(c0, c1, i);
    palette[i] = packPixel(c.red, c.green, c.blue);
  }
}


// The AlphaBlock's eight alphas, already in bits 24-31.
static inline void blockAlphaRamp(const uint8_t* alphaBlock, uint32_t ramp[8]) {
  int values[8];
  alphaRamp(alphaBlock[0], alphaBlock[1], values);
  for (int i = 0; i < 8; ++i) ramp[i] = static_cast<uint32_t>(values[i]) << 24;
}

// The 16 pixel words of one block in position order (row by row): the
// ColorBlock's colours, and for format 4 the AlphaBlock's alphas in bits 24-31.
static void decodeBlockWords(const uint8_t* colorBlock, const uint8_t* alphaBlock, uint32_t words[16]) {
  uint32_t palette[4];
  blockPalette(colorBlock, palette);
  uint32_t ramp[8] = {};  // stays 0 for format 3
  uint64_t alphaIndices = 0;  // 48 bits, little-endian, after the two endpoints
  if (alphaBlock) {
    blockAlphaRamp(alphaBlock, ramp);
    for (int i = 5; i >= 0; --i) alphaIndices = alphaIndices << 8 | alphaBlock[2 + i];
  }
  const uint32_t indices = readLe32(colorBlock + 4);  // position p in bits 2p, 2p + 1
  for (unsigned p = 0; p < 16; ++p) {
    words[p] = palette[(indices >> (2 * p)) & 3u] | ramp[(alphaIndices >> (3 * p)) & 7u];
  }
}

// Calls store(block x, words) for the w/4 blocks of one tile row.
template <class Store>
static void forEachBlockWords(uint32_t w, int32_t bitsPerPixel, const uint8_t* blocks, Store store) {
  const size_t blockSize = 2 * static_cast<size_t>(bitsPerPixel);
  uint32_t words[16];
  for (uint32_t bx = 0; bx < w / 4; ++bx, blocks += blockSize) {
    if (bitsPerPixel == 8) {  // AlphaBlock, then ColorBlock
      decodeBlockWords(blocks + kAlphaBlockSize, blocks, words);
    } else {
      decodeBlockWords(blocks, nullptr, words);
    }
    store(bx, words);
  }
}

static size_t tgaBytesPerPixel(int32_t bitsPerPixel) { return bitsPerPixel == 8 ? 4 : 3; }

// One tile row into TGA bytes, four pixel rows of rowBytes each; the pixel
// size is a constant so the byte packing inlines.
template <size_t pixelBytes>
static void decodeTileRowInto(uint32_t w, int32_t bitsPerPixel, const uint8_t* blocks, uint8_t* rows,
                              size_t rowBytes) {
  forEachBlockWords(w, bitsPerPixel, blocks, [&](uint32_t bx, const uint32_t words[16]) {
    for (unsigned y = 0; y < 4; ++y) {
      uint8_t* out = rows + y * rowBytes + 4 * bx * pixelBytes;
      for (unsigned x = 0; x < 4; ++x, out += pixelBytes) {
        const uint32_t word = words[4 * y + x];
        out[0] = static_cast<uint8_t>(word);
        out[1] = static_cast<uint8_t>(word >> 8);
        out[2] = static_cast<uint8_t>(word >> 16);
        if constexpr (pixelBytes == 4) out[3] = static_cast<uint8_t>(word >> 24);
      }
    }
  });
}

void plainDecodeTileRow(uint32_t w, int32_t bitsPerPixel, const uint8_t* blocks, uint8_t* rows, size_t rowBytes) {
  if (tgaBytesPerPixel(bitsPerPixel) == 4) {
    decodeTileRowInto<4>(w, bitsPerPixel, blocks, rows, rowBytes);
  } else {
    decodeTileRowInto<3>(w, bitsPerPixel, blocks, rows, rowBytes);
  }
}

// TESSARK_X86_LANES: x86-64 builds, which have the AVX2 kernel.
TileRowDecoder tileRowDecoderFor(SimdPath path) {
#ifdef TESSARK_X86_LANES
  if (path == SimdPath::Avx2) return avx2DecodeTileRow;
#else
  (void)path;
#endif
  return plainDecodeTileRow;
}

static size_t tileRowBytes(uint32_t w, int32_t bitsPerPixel) {
  return static_cast<size_t>(w / 4) * 2 * static_cast<size_t>(bitsPerPixel);
}

size_t tgaFileSize(uint32_t w, uint32_t h, int32_t bitsPerPixel) {
  return kTgaHeaderSize + static_cast<size_t>(w) * h * tgaBytesPerPixel(bitsPerPixel) + kTgaFooterSize;
}

static void writeTgaHeader(uint32_t w, uint32_t h, int32_t bitsPerPixel, uint8_t* out) {
  std::memset(out, 0, kTgaHeaderSize);
  out[2] = kTgaTrueColor;
  writeLe16(out + 12, static_cast<uint16_t>(w));
  writeLe16(out + 14, static_cast<uint16_t>(h));
  out[16] = bitsPerPixel == 8 ? 32 : 24;
  out[17] = kTgaTopLeftOrigin;
}

static const char kTgaFooter[kTgaFooterSize] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";

// Bytes decoded before each write: large enough that a level takes few
// writes, small enough to stay in the cache.
constexpr size_t kStripBytes = 512 * 1024;

// Streams one level's TGA file a strip of tile rows at a time, so that no
// whole-level buffer is needed. Rows that no block covers (levels with a
// side below 4, or rows past the last whole tile) are zero pixels.
static bool streamLevel(FILE* out, uint32_t w, uint32_t h, int32_t bitsPerPixel, const uint8_t* levelData,
                        TileRowDecoder decodeTileRow, std::vector<uint8_t>& strip) {
  const size_t rowBytes = static_cast<size_t>(w) * tgaBytesPerPixel(bitsPerPixel);
  const uint32_t tileRows = w < 4 ? 0 : h / 4;
  const size_t tileRowPixelBytes = 4 * rowBytes;
  const uint32_t stripTileRows = std::max<uint32_t>(
      1, std::min<uint32_t>(tileRows, static_cast<uint32_t>(kStripBytes / tileRowPixelBytes)));
  if (strip.size() < stripTileRows * tileRowPixelBytes) strip.resize(stripTileRows * tileRowPixelBytes);
  // Columns past the last whole tile are never decoded: zero pixels, not
  // whatever an earlier level left in the strip.
  if (w % 4 != 0) std::fill(strip.begin(), strip.begin() + stripTileRows * tileRowPixelBytes, uint8_t{0});
  uint8_t header[kTgaHeaderSize];
  writeTgaHeader(w, h, bitsPerPixel, header);
  bool ok = fwrite(header, 1, sizeof header, out) == sizeof header;
  for (uint32_t by = 0; by < tileRows && ok; by += stripTileRows) {
    const uint32_t count = std::min(stripTileRows, tileRows - by);
    for (uint32_t t = 0; t < count; ++t) {
      decodeTileRow(w, bitsPerPixel, levelData + (by + t) * tileRowBytes(w, bitsPerPixel),
                    strip.data() + t * tileRowPixelBytes, rowBytes);
    }
    ok = fwrite(strip.data(), 1, count * tileRowPixelBytes, out) == count * tileRowPixelBytes;
  }
  if (tileRows * 4 < h) std::fill(strip.begin(), strip.begin() + rowBytes, uint8_t{0});
  for (uint32_t y = tileRows * 4; y < h && ok; ++y) ok = fwrite(strip.data(), 1, rowBytes, out) == rowBytes;
  return ok && fwrite(kTgaFooter, 1, kTgaFooterSize, out) == kTgaFooterSize;
}

// Decodes one level into a file of its own, which appears under its name
// only once complete. Returns false when the run must stop (the message has
// been printed).
static bool writeLevelFile(const std::string& name, uint32_t w, uint32_t h, int32_t bitsPerPixel,
                           const uint8_t* levelData, TileRowDecoder decodeTileRow, std::vector<uint8_t>& strip) {
  OutputFile out;
  if (!createOutputFile(name, out)) {
    reportOutputNotCreated(name);
    return false;
  }
  bool written = false;
  try {
    written = streamLevel(out.stream, w, h, bitsPerPixel, levelData, decodeTileRow, strip);
  } catch (const std::bad_alloc&) {
    printf("Out of memory for a %" PRIu32 "x%" PRIu32 " level\n", w, h);
    discardOutputFile(out);
    return false;
  }
  if (!written) {
    discardOutputFile(out);
  } else if (commitOutputFile(out)) {
    return true;
  }
  reportOutputNotWritten(name);
  return false;
}

bool decodeContainerBytes(const uint8_t* data, size_t size, const std::string& baseName) {
  return decodeContainerBytes(data, size, baseName, chosenSimdPath());
}

bool decodeContainerBytes(const uint8_t* data, size_t size, const std::string& baseName, SimdPath path) {
  if (size < kTextureHeaderSize) {
    printf("Container too short: %zu bytes, a header needs %zu\n", size, kTextureHeaderSize);
    return false;
  }
  const TextureHeader header = unpackTextureHeader(data);
  const int32_t bpp = bitsPerPixel(header.format);
  printHeader(header.width, header.height, bpp, header.compressedSize, header.meanAlpha);
  if (header.format != kFormatRgb && header.format != kFormatRgba) {
    printf("Unsupported container format %i (expected 3 or 4)\n", header.format);
    return false;
  }
  const bool hasLevels = header.width >= 1 && header.height >= 1;
  if (hasLevels && (header.width > kMaxTgaSide || header.height > kMaxTgaSide)) {
    printf("Image too large for a TGA file: %ix%i\n", header.width, header.height);
    return false;
  }
  size_t offset = kTextureHeaderSize;
  std::vector<uint8_t> strip;  // the decoded pixel bytes of a few tile rows, reused by every level
  if (hasLevels) {
    LevelSize level{static_cast<uint32_t>(header.width), static_cast<uint32_t>(header.height)};
    for (int number = 0;; ++number, level = nextLevel(level)) {
      const uint64_t levelBytes = levelByteCount(level.w, level.h, static_cast<uint64_t>(bpp));
      if (levelBytes > size - offset) {
        printf("Container truncated: level %i needs %" PRIu64 " bytes, %zu remain\n", number,
               levelBytes, size - offset);
        return false;
      }
      printf("Decoding Level %i\n", number);
      if (!writeLevelFile(baseName + std::to_string(number) + ".tga", level.w, level.h, bpp, data + offset,
                          tileRowDecoderFor(path), strip)) {
        return false;
      }
      offset += static_cast<size_t>(levelBytes);
      if (isLastLevel(level)) break;
    }
  }
  dumpBytes(data + offset, size - offset);
  return true;
}
