#include "shared/tga_header.h"

#include "shared/byte_order.h"

#include <cstring>

TgaHeader parseTgaHeader(const uint8_t bytes[kTgaHeaderSize]) {
  TgaHeader header;
  header.idLength = bytes[0];
  header.colorMapType = bytes[1];
  header.imageType = bytes[2];
  header.colorMapFirst = readLe16(bytes + 3);
  header.colorMapLength = readLe16(bytes + 5);
  header.colorMapEntryBits = bytes[7];
  header.width = readLe16(bytes + 12);
  header.height = readLe16(bytes + 14);
  header.pixelDepth = bytes[16];
  header.descriptor = bytes[17];
  return header;
}

bool isPowerOfTwoSide(uint16_t side) {
  if (side == 0) return false;
  for (unsigned v = side; v != 2; v /= 2) {
    if (v % 2 != 0) return false;
  }
  return true;
}

TgaHeaderProblem tgaHeaderProblem(const TgaHeader& header) {
  if (header.colorMapType != 0 || header.imageType != kTgaTrueColor) return TgaHeaderProblem::ImageType;
  if (header.pixelDepth != 24 && header.pixelDepth != 32) return TgaHeaderProblem::Depth;
  if (!isPowerOfTwoSide(header.height)) return TgaHeaderProblem::Height;
  if (!isPowerOfTwoSide(header.width)) return TgaHeaderProblem::Width;
  return TgaHeaderProblem::None;
}

void packPlainTgaHeader(uint16_t width, uint16_t height, bool withAlpha, bool topLeftOrigin,
                        uint8_t bytes[kTgaHeaderSize]) {
  std::memset(bytes, 0, kTgaHeaderSize);
  bytes[2] = kTgaTrueColor;
  writeLe16(bytes + 12, width);
  writeLe16(bytes + 14, height);
  bytes[16] = withAlpha ? 32 : 24;
  bytes[17] = topLeftOrigin ? kTgaTopLeftOrigin : 0;
}
