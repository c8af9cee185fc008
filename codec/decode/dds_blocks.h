// The published block formats of standard DDS textures, one 4x4 block at a
// time: 16 pixel words in position order (row by row from the top left),
// blue in bits 0-7, green 8-15, red 16-23, alpha 24-31.
#pragma once

#include <cstdint>

// BC1: 8 bytes. When color0 > color1, four colours (the endpoints and their
// thirds); otherwise three (the endpoints and their half) and index 3 is
// transparent black.
void decodeBc1Block(const uint8_t* block, uint32_t words[16]);
// Whether a BC1 block has a transparent pixel (three-colour mode, index 3).
bool bc1BlockHasTransparency(const uint8_t* block);
// BC2: 8 bytes of 4-bit alphas, then a four-colour BC1 block.
void decodeBc2Block(const uint8_t* block, uint32_t words[16]);
// BC3: an 8-byte alpha block (two endpoints and their ramp), then a
// four-colour BC1 block.
void decodeBc3Block(const uint8_t* block, uint32_t words[16]);
// BC7: 16 bytes in one of eight modes; the reserved ninth gives transparent black.
void decodeBc7Block(const uint8_t* block, uint32_t words[16]);
