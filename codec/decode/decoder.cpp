#include "decode/decoder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "decode/decode_kernels.h"
#include "decode/level_file.h"
#include "shared/byte_order.h"
#include "shared/tga_format.h"

// Pixel word: blue in bits 0-7, green 8-15, red 16-23, alpha 24-31.
static uint32_t packPixel(int red, int green, int blue) {
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue);
}

// A TGA stores its sides in 16 bits.
constexpr int32_t kMaxTgaSide = 65535;

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
static void forEachBlockWords(uint32_t w, const PixelLayout& layout, const uint8_t* blocks, Store store) {
  const size_t blockSize = layout.blockBytes;
  const bool withAlpha = layout.withAlpha;
  uint32_t words[16];
  for (uint32_t bx = 0; bx < w / 4; ++bx, blocks += blockSize) {
    if (withAlpha) {  // AlphaBlock, then ColorBlock
      decodeBlockWords(blocks + kAlphaBlockSize, blocks, words);
    } else {
      decodeBlockWords(blocks, nullptr, words);
    }
    store(bx, words);
  }
}

// One tile row into TGA bytes, four pixel rows of rowBytes each; the pixel
// size is a constant so the byte packing inlines.
template <size_t pixelBytes>
static void decodeTileRowInto(uint32_t w, const PixelLayout& layout, const uint8_t* blocks, uint8_t* rows,
                              size_t rowBytes) {
  forEachBlockWords(w, layout, blocks, [&](uint32_t bx, const uint32_t words[16]) {
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

void plainDecodeTileRow(uint32_t w, const PixelLayout& layout, const uint8_t* blocks, uint8_t* rows, size_t rowBytes) {
  if (layout.tgaBytesPerPixel == 4) {
    decodeTileRowInto<4>(w, layout, blocks, rows, rowBytes);
  } else {
    decodeTileRowInto<3>(w, layout, blocks, rows, rowBytes);
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

// Bytes decoded before each write: large enough that a level takes few
// writes, small enough to stay in the cache.
constexpr size_t kStripBytes = 512 * 1024;

// What every level of one container is written with.
struct LevelWriter {
  const TgaFileSink& sink;
  const PixelLayout& layout;
  TileRowDecoder decodeTileRow;
  std::vector<uint8_t>& strip;  // the decoded pixel bytes of a few tile rows, reused by every level
};

// Streams one level's TGA file a strip of tile rows at a time, so that no
// whole-level buffer is needed. Rows that no block covers (levels with a
// side below 4, or rows past the last whole tile) are zero pixels. Throws
// std::bad_alloc when the strip cannot grow.
static bool streamLevel(const LevelWriter& writer, LevelSize level, const uint8_t* levelData) {
  const TgaFileSink& sink = writer.sink;
  std::vector<uint8_t>& strip = writer.strip;
  const uint32_t w = level.w, h = level.h;
  const size_t rowBytes = static_cast<size_t>(w) * writer.layout.tgaBytesPerPixel;
  const size_t blockRowBytes = tileRowBytes(writer.layout, w);
  const uint32_t tileRows = w < 4 ? 0 : h / 4;
  const size_t tileRowPixelBytes = 4 * rowBytes;
  const uint32_t stripTileRows = std::max<uint32_t>(
      1, std::min<uint32_t>(tileRows, static_cast<uint32_t>(kStripBytes / tileRowPixelBytes)));
  if (strip.size() < stripTileRows * tileRowPixelBytes) strip.resize(stripTileRows * tileRowPixelBytes);
  // Columns past the last whole tile are never decoded: zero pixels, not
  // whatever an earlier level left in the strip.
  if (w % 4 != 0) std::fill(strip.begin(), strip.begin() + stripTileRows * tileRowPixelBytes, uint8_t{0});
  uint8_t header[kTgaHeaderSize];
  packTgaFileHeader(w, h, writer.layout.withAlpha, header);
  bool ok = sink.write(sink.context, header, sizeof header);
  for (uint32_t by = 0; by < tileRows && ok; by += stripTileRows) {
    const uint32_t count = std::min(stripTileRows, tileRows - by);
    for (uint32_t t = 0; t < count; ++t) {
      writer.decodeTileRow(w, writer.layout, levelData + (by + t) * blockRowBytes, strip.data() + t * tileRowPixelBytes,
                           rowBytes);
    }
    ok = sink.write(sink.context, strip.data(), count * tileRowPixelBytes);
  }
  if (tileRows * 4 < h) std::fill(strip.begin(), strip.begin() + rowBytes, uint8_t{0});
  for (uint32_t y = tileRows * 4; y < h && ok; ++y) ok = sink.write(sink.context, strip.data(), rowBytes);
  return ok && sink.write(sink.context, reinterpret_cast<const uint8_t*>(kTgaFooter), kTgaFooterSize);
}

static DecodeResult withStatus(DecodeResult result, DecodeStatus status) {
  result.status = status;
  return result;
}

DecodeResult decodeContainer(const uint8_t* data, size_t size, SimdPath path, const TgaFileSink& sink) {
  DecodeResult result;
  if (size < kTextureHeaderSize) {
    result.remaining = size;
    return withStatus(result, DecodeStatus::TooShort);
  }
  result.header = unpackTextureHeader(data);
  const TextureHeader& header = result.header;
  sink.headerRead(sink.context, header);
  if (!isContainerFormat(header.format)) return withStatus(result, DecodeStatus::UnsupportedFormat);
  const PixelLayout layout = containerPixelLayout(header.format);
  const bool hasLevels = header.width >= 1 && header.height >= 1;
  if (hasLevels && (header.width > kMaxTgaSide || header.height > kMaxTgaSide)) {
    return withStatus(result, DecodeStatus::TooLarge);
  }
  size_t offset = kTextureHeaderSize;
  std::vector<uint8_t> strip;
  const LevelWriter writer{sink, layout, tileRowDecoderFor(path), strip};
  if (hasLevels) {
    LevelSize level{static_cast<uint32_t>(header.width), static_cast<uint32_t>(header.height)};
    for (int number = 0;; ++number, level = nextLevel(level)) {
      result.level = number;
      result.size = level;
      result.needed = levelBytes(layout, level.w, level.h);
      result.remaining = size - offset;
      if (result.needed > result.remaining) return withStatus(result, DecodeStatus::Truncated);
      sink.levelStarted(sink.context, number);
      const DecodeStatus status =
          writeLevelFile(sink, number, [&] { return streamLevel(writer, level, data + offset); });
      if (status != DecodeStatus::Decoded) return withStatus(result, status);
      offset += static_cast<size_t>(result.needed);
      if (isLastLevel(level)) break;
    }
  }
  result.trailingOffset = offset;
  return result;
}
