// Any source the encoder does not stream as it is (run-length packed,
// grey, colour-mapped, 15/16-bit TGA; PNG; JPEG) reaches it as the plain
// 24/32-bit TGA of the same pixels, made on the fly: the same encoder
// path, so the container is byte for byte the plain TGA's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encode/encoder.h"
#include "shared/tga_format.h"

// Writes the next `pixels` pixels in stored order, 3 (BGR) or 4 (BGRA)
// bytes each, into out; false on a read error.
struct PixelProducer {
  bool (*produce)(void* context, uint8_t* out, size_t pixels);
  void* context;
};

struct PlainTgaStream {
  PixelProducer pixels;
  uint8_t header[kTgaHeaderSize];
  size_t headerSent = 0;
  uint32_t bytesPerPixel = 3;
  uint64_t pixelsLeft = 0;
  uint8_t partial[4] = {};  // one pixel split between two reads
  uint32_t partialSent = 4;
};

// The stream of a width x height image of the given alpha and row order.
void startPlainTgaStream(PlainTgaStream& stream, const PixelProducer& pixels, uint16_t width, uint16_t height,
                         bool withAlpha, bool topLeftOrigin);

ByteSource plainTgaByteSource(PlainTgaStream& stream);
