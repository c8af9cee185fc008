#include "sources/plain_tga_stream.h"

#include <algorithm>
#include <cstring>

#include "shared/pixel_layout.h"
#include "shared/tga_header.h"

void startPlainTgaStream(PlainTgaStream& stream, const PixelProducer& pixels, uint16_t width, uint16_t height,
                         bool withAlpha, bool topLeftOrigin) {
  stream.pixels = pixels;
  packPlainTgaHeader(width, height, withAlpha, topLeftOrigin, stream.header);
  stream.headerSent = 0;
  stream.bytesPerPixel = sourcePixelLayout(withAlpha).sourceBytesPerPixel;
  stream.pixelsLeft = static_cast<uint64_t>(width) * height;
  stream.partialSent = stream.bytesPerPixel;
}

namespace {

// Bytes of the split pixel still to send, at most `size`.
size_t sendPartial(PlainTgaStream& stream, uint8_t* out, size_t size) {
  const size_t n = std::min<size_t>(size, stream.bytesPerPixel - stream.partialSent);
  std::memcpy(out, stream.partial + stream.partialSent, n);
  stream.partialSent += static_cast<uint32_t>(n);
  return n;
}

bool readPlainTga(void* context, uint8_t* out, size_t size, size_t& got) {
  auto& stream = *static_cast<PlainTgaStream*>(context);
  got = 0;
  const size_t fromHeader = std::min(size, kTgaHeaderSize - stream.headerSent);
  std::memcpy(out, stream.header + stream.headerSent, fromHeader);
  stream.headerSent += fromHeader;
  got += fromHeader;
  got += sendPartial(stream, out + got, size - got);
  // Whole pixels straight into the caller's buffer (the encoder reads whole
  // rows), then at most one more split between this read and the next.
  const uint64_t whole = std::min<uint64_t>((size - got) / stream.bytesPerPixel, stream.pixelsLeft);
  if (whole > 0) {
    if (!stream.pixels.produce(stream.pixels.context, out + got, static_cast<size_t>(whole))) return false;
    got += static_cast<size_t>(whole) * stream.bytesPerPixel;
    stream.pixelsLeft -= whole;
  }
  if (got < size && stream.pixelsLeft > 0) {
    if (!stream.pixels.produce(stream.pixels.context, stream.partial, 1)) return false;
    --stream.pixelsLeft;
    stream.partialSent = 0;
    got += sendPartial(stream, out + got, size - got);
  }
  return true;
}

}  // namespace

ByteSource plainTgaByteSource(PlainTgaStream& stream) { return ByteSource{readPlainTga, &stream}; }
