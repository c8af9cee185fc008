#include "decode/dds_blocks.h"

#include "shared/byte_order.h"
#include "shared/container.h"

namespace {

uint32_t pixelWord(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  return blue | green << 8 | red << 16 | alpha << 24;
}

// An RGB565 endpoint with each field's bits repeated into the low bits:
// 31 gives 255, 63 gives 255.
Rgb8 replicateRgb565(uint16_t color) {
  const int r5 = color >> 11 & 0x1F, g6 = color >> 5 & 0x3F, b5 = color & 0x1F;
  return {r5 << 3 | r5 >> 2, g6 << 2 | g6 >> 4, b5 << 3 | b5 >> 2};
}

// The four colours of a colour block; threeColour picks BC1's half and
// transparent black for index 3 when color0 <= color1.
void colourPalette(const uint8_t* block, bool threeColourAllowed, uint32_t palette[4]) {
  const uint16_t color0 = readLe16(block), color1 = readLe16(block + 2);
  const Rgb8 c0 = replicateRgb565(color0), c1 = replicateRgb565(color1);
  palette[0] = pixelWord(c0.red, c0.green, c0.blue, 255);
  palette[1] = pixelWord(c1.red, c1.green, c1.blue, 255);
  if (threeColourAllowed && color0 <= color1) {
    palette[2] = pixelWord((c0.red + c1.red) / 2, (c0.green + c1.green) / 2, (c0.blue + c1.blue) / 2, 255);
    palette[3] = 0;
    return;
  }
  palette[2] = pixelWord((2 * c0.red + c1.red) / 3, (2 * c0.green + c1.green) / 3, (2 * c0.blue + c1.blue) / 3, 255);
  palette[3] = pixelWord((c0.red + 2 * c1.red) / 3, (c0.green + 2 * c1.green) / 3, (c0.blue + 2 * c1.blue) / 3, 255);
}

void colourBlockWords(const uint8_t* block, bool threeColourAllowed, uint32_t words[16]) {
  uint32_t palette[4];
  colourPalette(block, threeColourAllowed, palette);
  const uint32_t indices = readLe32(block + 4);
  for (unsigned p = 0; p < 16; ++p) words[p] = palette[indices >> (2 * p) & 3u];
}

uint64_t readLe64(const uint8_t* bytes) { return readLe32(bytes) | static_cast<uint64_t>(readLe32(bytes + 4)) << 32; }

}  // namespace

void decodeBc1Block(const uint8_t* block, uint32_t words[16]) { colourBlockWords(block, true, words); }

bool bc1BlockHasTransparency(const uint8_t* block) {
  if (readLe16(block) > readLe16(block + 2)) return false;
  const uint32_t indices = readLe32(block + 4);
  // A 2-bit index of 3 has both bits set.
  return (indices & indices >> 1 & 0x55555555u) != 0;
}

void decodeBc2Block(const uint8_t* block, uint32_t words[16]) {
  colourBlockWords(block + 8, false, words);
  const uint64_t alphas = readLe64(block);
  for (unsigned p = 0; p < 16; ++p) {
    words[p] = (words[p] & 0x00FFFFFFu) | static_cast<uint32_t>(alphas >> (4 * p) & 0xF) * 17 << 24;
  }
}

void decodeBc3Block(const uint8_t* block, uint32_t words[16]) {
  colourBlockWords(block + 8, false, words);
  int ramp[8];
  alphaRamp(block[0], block[1], ramp);
  const uint64_t indices = readLe64(block) >> 16;
  for (unsigned p = 0; p < 16; ++p) {
    words[p] = (words[p] & 0x00FFFFFFu) | static_cast<uint32_t>(ramp[indices >> (3 * p) & 7]) << 24;
  }
}
