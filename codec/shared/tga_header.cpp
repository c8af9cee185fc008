#include "shared/tga_header.h"

#include "shared/byte_order.h"

TgaHeader parseTgaHeader(const uint8_t bytes[kTgaHeaderSize]) {
  TgaHeader header;
  header.idLength = bytes[0];
  header.colorMapType = bytes[1];
  header.imageType = bytes[2];
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
