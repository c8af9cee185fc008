#include "sources/tga_kinds.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "shared/byte_order.h"
#include "shared/pixel_layout.h"

namespace {

constexpr uint8_t kColorMapped = 1, kGrey = 3, kRunLength = 8;  // 8 is added to a type when packed
constexpr size_t kReadAhead = 64 * 1024;

uint8_t baseType(const TgaHeader& header) { return header.imageType & ~kRunLength; }

bool isKnownType(uint8_t type) { return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11; }

bool hasAttributeBit(const TgaHeader& header) { return (header.descriptor & kTgaAttributeBitsMask) != 0; }

bool isColourDepth(uint8_t bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

bool colourHasAlpha(const TgaHeader& header, uint8_t bits) { return bits == 32 || (bits == 16 && hasAttributeBit(header)); }

uint32_t bytesOfBits(uint32_t bits) { return (bits + 7) / 8; }

// 5 bits to 8 by repeating the high bits: 0 stays 0, 31 becomes 255.
uint8_t expandFive(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

// One stored colour of `bits` bits (15, 16: A RRRRR GGGGG BBBBB little
// endian; 24: BGR; 32: BGRA) as BGRA; alpha 255 where the colour has none.
void colourToBgra(const uint8_t* stored, uint8_t bits, bool attributeIsAlpha, uint8_t bgra[4]) {
  if (bits <= 16) {
    const uint32_t v = readLe16(stored);
    bgra[0] = expandFive(v & 31);
    bgra[1] = expandFive((v >> 5) & 31);
    bgra[2] = expandFive((v >> 10) & 31);
    bgra[3] = !attributeIsAlpha || (v & 0x8000) ? 255 : 0;
    return;
  }
  bgra[0] = stored[0];
  bgra[1] = stored[1];
  bgra[2] = stored[2];
  bgra[3] = bits == 32 ? stored[3] : 255;
}

// Up to `size` bytes from the read-ahead buffer; fewer only at the end of
// the source.
bool take(TgaKindReader& reader, uint8_t* out, size_t size, size_t& got) {
  got = 0;
  while (got < size) {
    if (reader.at == reader.end) {
      if (reader.sourceEnded) return true;
      size_t read = 0;
      if (!reader.source.read(reader.source.context, reader.buffer.data(), reader.buffer.size(), read)) return false;
      reader.at = 0;
      reader.end = read;
      reader.sourceEnded = read < reader.buffer.size();
      if (read == 0) return true;
    }
    const size_t n = std::min(size - got, reader.end - reader.at);
    std::memcpy(out + got, reader.buffer.data() + reader.at, n);
    reader.at += n;
    got += n;
  }
  return true;
}

// One stored pixel (or index) as BGRA.
void storedToBgra(const TgaKindReader& reader, const uint8_t* stored, uint8_t bgra[4]) {
  const TgaHeader& header = reader.header;
  switch (baseType(header)) {
    case kColorMapped: {
      const uint32_t index = header.pixelDepth == 8 ? stored[0] : readLe16(stored);
      const uint32_t entry = index - header.colorMapFirst;  // wraps for an index below the first
      if (index >= header.colorMapFirst && entry < header.colorMapLength) {
        std::memcpy(bgra, reader.colorMap.data() + 4 * static_cast<size_t>(entry), 4);
      } else {
        std::memset(bgra, 0, 4);  // no entry: black, transparent
      }
      return;
    }
    case kGrey:
      bgra[0] = bgra[1] = bgra[2] = stored[0];
      bgra[3] = header.pixelDepth == 16 ? stored[1] : 255;
      return;
    default: colourToBgra(stored, header.pixelDepth, hasAttributeBit(header), bgra); return;
  }
}

// One stored pixel, or zeros (counted missing) where the source has ended.
bool nextStored(TgaKindReader& reader, uint8_t stored[4]) {
  size_t got = 0;
  if (!take(reader, stored, reader.storedBytes, got)) return false;
  std::memset(stored + got, 0, 4 - got);
  reader.missingBytes += reader.storedBytes - got;
  return true;
}

bool nextPixel(TgaKindReader& reader, uint8_t bgra[4]) {
  uint8_t stored[4];
  if ((reader.header.imageType & kRunLength) == 0) {
    if (!nextStored(reader, stored)) return false;
    storedToBgra(reader, stored, bgra);
    return true;
  }
  if (reader.packetLeft == 0) {
    uint8_t packet = 0;
    size_t got = 0;
    if (!take(reader, &packet, 1, got)) return false;
    if (got == 0) {  // no packet: every pixel from here on is missing, its bytes 0
      reader.missingBytes += reader.storedBytes;
      const uint8_t zeros[4] = {};
      storedToBgra(reader, zeros, bgra);
      return true;
    }
    reader.packetLeft = (packet & 0x7Fu) + 1;
    reader.packetIsRun = (packet & 0x80u) != 0;
    if (reader.packetIsRun) {
      if (!nextStored(reader, stored)) return false;
      storedToBgra(reader, stored, reader.runPixel);
    }
  }
  --reader.packetLeft;
  if (reader.packetIsRun) {
    std::memcpy(bgra, reader.runPixel, 4);
    return true;
  }
  if (!nextStored(reader, stored)) return false;
  storedToBgra(reader, stored, bgra);
  return true;
}

bool produceTgaKindPixels(void* context, uint8_t* out, size_t pixels) {
  auto& reader = *static_cast<TgaKindReader*>(context);
  const uint32_t outBytes = sourcePixelLayout(reader.withAlpha).sourceBytesPerPixel;
  uint8_t bgra[4];
  for (size_t i = 0; i < pixels; ++i, out += outBytes) {
    if (!nextPixel(reader, bgra)) return false;
    std::memcpy(out, bgra, outBytes);
  }
  return true;
}

}  // namespace

bool isPlainTga(const TgaHeader& header) { return tgaHeaderProblem(header) == TgaHeaderProblem::None; }

TgaHeaderProblem tgaKindProblem(const TgaHeader& header) {
  const uint8_t type = baseType(header);
  const bool mapped = type == kColorMapped;
  if (!isKnownType(header.imageType) || header.colorMapType > 1 || (mapped && header.colorMapType != 1))
    return TgaHeaderProblem::ImageType;
  const bool depthFits = mapped   ? (header.pixelDepth == 8 || header.pixelDepth == 16) &&
                                      isColourDepth(header.colorMapEntryBits) && header.colorMapLength > 0
                         : type == kGrey ? header.pixelDepth == 8 || header.pixelDepth == 16
                                         : isColourDepth(header.pixelDepth);
  if (!depthFits) return TgaHeaderProblem::Depth;
  if (!isPowerOfTwoSide(header.height)) return TgaHeaderProblem::Height;
  if (!isPowerOfTwoSide(header.width)) return TgaHeaderProblem::Width;
  return TgaHeaderProblem::None;
}

bool tgaKindHasAlpha(const TgaHeader& header) {
  switch (baseType(header)) {
    case kColorMapped: return colourHasAlpha(header, header.colorMapEntryBits);
    case kGrey: return header.pixelDepth == 16;
    default: return colourHasAlpha(header, header.pixelDepth);
  }
}

uint32_t tgaStoredPixelBytes(const TgaHeader& header) { return bytesOfBits(header.pixelDepth); }

bool startTgaKindReader(TgaKindReader& reader, const ByteSource& rest, const TgaHeader& header) {
  reader.source = rest;
  reader.header = header;
  reader.withAlpha = tgaKindHasAlpha(header);
  reader.storedBytes = tgaStoredPixelBytes(header);
  try {
    reader.buffer.resize(kReadAhead);
    const size_t entryBytes = header.colorMapType == 1 ? bytesOfBits(header.colorMapEntryBits) : 0;
    std::vector<uint8_t> skipped(std::max<size_t>(header.idLength, entryBytes));
    size_t got = 0;
    if (!take(reader, skipped.data(), header.idLength, got)) return false;
    if (header.colorMapType != 1) return true;
    // A map the pixels do not index (true colour, grey) is read and dropped.
    const bool kept = baseType(header) == kColorMapped;
    if (kept) reader.colorMap.assign(4 * static_cast<size_t>(header.colorMapLength), 0);
    for (size_t entry = 0; entry < header.colorMapLength; ++entry) {
      std::fill(skipped.begin(), skipped.end(), 0);
      if (!take(reader, skipped.data(), entryBytes, got)) return false;
      if (kept) colourToBgra(skipped.data(), header.colorMapEntryBits, hasAttributeBit(header), &reader.colorMap[4 * entry]);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

PixelProducer tgaKindPixels(TgaKindReader& reader) { return PixelProducer{produceTgaKindPixels, &reader}; }
