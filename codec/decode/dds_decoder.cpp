#include "decode/dds_decoder.h"

#include <algorithm>
#include <vector>

#include "decode/dds_blocks.h"
#include "decode/level_file.h"
#include "shared/byte_order.h"
#include "shared/tga_format.h"

namespace {

using BlockDecoder = void (*)(const uint8_t* block, uint32_t words[16]);

BlockDecoder blockDecoderFor(DdsBlocks blocks) {
  switch (blocks) {
    case DdsBlocks::Bc1: return decodeBc1Block;
    case DdsBlocks::Bc2: return decodeBc2Block;
    case DdsBlocks::Bc3: return decodeBc3Block;
    case DdsBlocks::Bc7: return decodeBc7Block;
    case DdsBlocks::None: break;
  }
  return nullptr;
}

// Pixel words as TGA bytes: blue, green, red and, with alpha, alpha.
template <bool withAlpha>
void storePixels(const uint32_t* words, unsigned count, uint8_t* out) {
  for (unsigned i = 0; i < count; ++i) {
    const uint32_t word = words[i];
    out[0] = static_cast<uint8_t>(word);
    out[1] = static_cast<uint8_t>(word >> 8);
    out[2] = static_cast<uint8_t>(word >> 16);
    if constexpr (withAlpha) {
      out[3] = static_cast<uint8_t>(word >> 24);
      out += 4;
    } else {
      out += 3;
    }
  }
}

// One row of blocks into `rows` (1 to 4) rows of TGA bytes; blocks past the
// right edge lose their outer columns.
template <bool withAlpha>
void decodeBlockRow(BlockDecoder decode, const PixelLayout& layout, const uint8_t* blocks, uint32_t w, uint32_t rows,
                    uint8_t* out, size_t rowBytes) {
  const size_t pixelBytes = layout.tgaBytesPerPixel;
  uint32_t words[16];
  for (uint32_t x = 0; x < w; x += 4, blocks += layout.blockBytes) {
    decode(blocks, words);
    const unsigned columns = std::min<uint32_t>(4, w - x);
    for (uint32_t y = 0; y < rows; ++y) storePixels<withAlpha>(words + 4 * y, columns, out + y * rowBytes + x * pixelBytes);
  }
}

// A channel of `bits` bits on the 8-bit scale: up to 8 bits by repeating
// its bits below themselves, wider ones rounded to the nearest of 0..255.
uint32_t channelByte(uint32_t pixel, const ChannelBits& channel) {
  const uint32_t value = (pixel & channel.mask) >> channel.shift;
  if (channel.bits >= 8) {
    const uint32_t largest = (1u << channel.bits) - 1;
    return (value * 255 + largest / 2) / largest;
  }
  uint32_t wide = value << (8 - channel.bits);
  for (unsigned filled = channel.bits; filled < 8; filled *= 2) wide |= wide >> filled;
  return wide & 0xFF;
}

// One row of pixels described by bit masks into TGA bytes.
template <bool withAlpha>
void decodeMaskedRow(const DdsPixelFormat& format, const PixelLayout& layout, const uint8_t* pixels, uint32_t w,
                     uint8_t* out) {
  const unsigned pixelBytes = layout.sourceBytesPerPixel;
  for (uint32_t x = 0; x < w; ++x, pixels += pixelBytes) {
    uint32_t pixel = 0;
    for (unsigned i = 0; i < pixelBytes; ++i) pixel |= static_cast<uint32_t>(pixels[i]) << (8 * i);
    const uint32_t alpha = format.alpha.bits ? channelByte(pixel, format.alpha) : 255;
    const uint32_t word = channelByte(pixel, format.blue) | channelByte(pixel, format.green) << 8 |
                          channelByte(pixel, format.red) << 16 | alpha << 24;
    storePixels<withAlpha>(&word, 1, out + x * layout.tgaBytesPerPixel);
  }
}

// Bytes decoded before each write, as for our containers.
constexpr size_t kStripBytes = 512 * 1024;

// One level's TGA file, a strip of rows at a time. Throws std::bad_alloc
// when the strip cannot grow.
template <bool withAlpha>
bool streamLevel(const TgaFileSink& sink, const DdsPixelFormat& format, const PixelLayout& layout, LevelSize level,
                 const uint8_t* levelData, std::vector<uint8_t>& strip) {
  const bool blocks = layout.blockBytes != 0;
  const size_t rowBytes = static_cast<size_t>(level.w) * layout.tgaBytesPerPixel;
  const uint32_t bandRows = blocks ? 4 : 1;  // a row of blocks, or of pixels
  const uint32_t bands = (level.h + bandRows - 1) / bandRows;
  const size_t bandBytes = bandRows * rowBytes;
  const size_t bandInput = blocks ? (level.w + 3) / 4 * layout.blockBytes : level.w * layout.sourceBytesPerPixel;
  const uint32_t stripBands = std::max<uint32_t>(1, std::min<uint32_t>(bands, static_cast<uint32_t>(kStripBytes / bandBytes)));
  if (strip.size() < stripBands * bandBytes) strip.resize(stripBands * bandBytes);
  const BlockDecoder decode = blockDecoderFor(format.blocks);
  uint8_t header[kTgaHeaderSize];
  packTgaFileHeader(level.w, level.h, layout.withAlpha, header);
  bool ok = sink.write(sink.context, header, sizeof header);
  for (uint32_t band = 0; band < bands && ok; band += stripBands) {
    const uint32_t count = std::min(stripBands, bands - band);
    for (uint32_t b = 0; b < count; ++b) {
      const uint8_t* input = levelData + (band + b) * bandInput;
      uint8_t* out = strip.data() + b * bandBytes;
      if (blocks) {
        const uint32_t rows = std::min<uint32_t>(4, level.h - 4 * (band + b));
        decodeBlockRow<withAlpha>(decode, layout, input, level.w, rows, out, rowBytes);
      } else {
        decodeMaskedRow<withAlpha>(format, layout, input, level.w, out);
      }
    }
    const uint32_t rowsWritten = std::min(count * bandRows, level.h - band * bandRows);
    ok = sink.write(sink.context, strip.data(), rowsWritten * rowBytes);
  }
  return ok && sink.write(sink.context, reinterpret_cast<const uint8_t*>(kTgaFooter), kTgaFooterSize);
}

// Calls visit(level, size, levelData) for each level the file holds in
// full, in order; returns the number of the first it does not hold (or the
// level count), with that level's needs in needed.
template <class Visit>
uint32_t forEachHeldLevel(const uint8_t* data, size_t size, const DdsTexture& texture, uint64_t& needed,
                          Visit visit) {
  size_t offset = texture.dataOffset;
  for (uint32_t level = 0; level < texture.levels; ++level) {
    const LevelSize levelSize = ddsLevelSize(texture, level);
    needed = ddsLevelByteCount(texture.format, levelSize);
    if (offset > size || needed > size - offset) return level;
    if (!visit(level, levelSize, data + offset)) return level;
    offset += static_cast<size_t>(needed);
  }
  return texture.levels;
}

}  // namespace

bool ddsOutputHasAlpha(const uint8_t* data, size_t size, const DdsTexture& texture) {
  const DdsPixelFormat& format = texture.format;
  if (format.blocks == DdsBlocks::None) return format.alpha.bits != 0;
  if (format.blocks != DdsBlocks::Bc1) return true;
  bool transparent = false;
  uint64_t needed = 0;
  forEachHeldLevel(data, size, texture, needed, [&](uint32_t, LevelSize level, const uint8_t* blocks) {
    const uint64_t count = ddsLevelByteCount(format, level) / 8;
    for (uint64_t i = 0; i < count && !transparent; ++i) transparent = bc1BlockHasTransparency(blocks + 8 * i);
    return !transparent;
  });
  return transparent;
}

DecodeResult decodeDdsTexture(const uint8_t* data, size_t size, const DdsTexture& texture, const TgaFileSink& sink) {
  const PixelLayout layout = ddsPixelLayout(texture.format, ddsOutputHasAlpha(data, size, texture));
  DecodeResult result;
  std::vector<uint8_t> strip;  // reused by every level
  size_t offset = texture.dataOffset;
  const uint32_t stopped =
      forEachHeldLevel(data, size, texture, result.needed, [&](uint32_t level, LevelSize levelSize, const uint8_t* levelData) {
        result.level = static_cast<int>(level);
        result.size = levelSize;
        sink.levelStarted(sink.context, result.level);
        result.status = writeLevelFile(sink, result.level, [&] {
          return layout.withAlpha ? streamLevel<true>(sink, texture.format, layout, levelSize, levelData, strip)
                                  : streamLevel<false>(sink, texture.format, layout, levelSize, levelData, strip);
        });
        offset += static_cast<size_t>(result.needed);
        return result.status == DecodeStatus::Decoded;
      });
  if (result.status != DecodeStatus::Decoded) return result;
  if (stopped < texture.levels) {
    result.status = DecodeStatus::Truncated;
    result.level = static_cast<int>(stopped);
    result.size = ddsLevelSize(texture, stopped);
    result.remaining = offset <= size ? size - offset : 0;
  }
  result.trailingOffset = offset;
  return result;
}
