// The TGA kinds beyond the plain one: colour-mapped (types 1 and 9), true
// colour of 15 and 16 bits or with a colour map to skip (types 2 and 10),
// grey and grey + alpha (types 3 and 11), run-length packed (9, 10, 11),
// either origin. Each is read a stretch at a time into the pixels of the
// plain 24/32-bit TGA that holds the same image (plain_tga_stream.h); the
// plain kind itself is streamed by the encoder as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encode/encoder.h"
#include "shared/tga_header.h"
#include "sources/plain_tga_stream.h"

// A header the encoder streams without conversion.
bool isPlainTga(const TgaHeader& header);

// The first check a header of any kind fails (type, depth, height, width,
// in the order the plain kind checks them).
TgaHeaderProblem tgaKindProblem(const TgaHeader& header);

// Whether the plain TGA of this kind's pixels has 32 bits: a 32-bit colour
// or map entry, 16 bits with an attribute bit (descriptor bits 0-3 not 0),
// or grey + alpha.
bool tgaKindHasAlpha(const TgaHeader& header);

// Bytes of one stored pixel (or colour-map index).
uint32_t tgaStoredPixelBytes(const TgaHeader& header);

struct TgaKindReader {
  ByteSource source;  // the bytes after the header
  TgaHeader header;
  bool withAlpha = false;
  uint32_t storedBytes = 0;
  std::vector<uint8_t> colorMap;  // four bytes (BGRA) per entry
  std::vector<uint8_t> buffer;    // read ahead from the source
  size_t at = 0, end = 0;
  bool sourceEnded = false;
  uint32_t packetLeft = 0;  // pixels left in the current run-length packet
  bool packetIsRun = false;
  uint8_t runPixel[4] = {};
  uint64_t missingBytes = 0;  // pixel bytes the source did not hold
};

// Skips the image ID and reads the colour map (entries the source does not
// hold read as 0) of a header that tgaKindProblem passed; false on a read
// error or when memory runs out.
bool startTgaKindReader(TgaKindReader& reader, const ByteSource& rest, const TgaHeader& header);

// The pixels, in stored order, as the plain TGA holds them; pixel bytes the
// source does not hold count as 0 (and in missingBytes).
PixelProducer tgaKindPixels(TgaKindReader& reader);
