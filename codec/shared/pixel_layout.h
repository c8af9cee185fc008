// How a texture format lays out its pixels, derived once from the format and
// handed to everything that sizes blocks, rows or pixels: the encoder, its
// lane kernels, the decoder and its tile-row kernels, the standard DDS
// decoder. A new format is a new way to fill this in, not a new set of
// `? 4 : 3` scattered through the code.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelLayout {
  uint32_t bitsPerPixel = 0;         // stored bits per pixel (a block's bytes x 8 / 16 for block formats)
  uint32_t blockBytes = 0;           // bytes of one 4x4 block; 0 where pixels are stored one by one
  bool withAlpha = false;            // the pixels carry alpha (a decoded TGA is then 32-bit)
  uint32_t channels = 0;             // blue, green, red(, alpha): 3 or 4
  uint32_t sourceBytesPerPixel = 0;  // a stored or source pixel, where pixels are stored one by one
  uint32_t tgaBytesPerPixel = 0;     // a pixel of a decoded TGA file: 3 or 4
};

// The two kinds of format: 4x4 blocks of blockBytes bytes, or pixels of
// bitsPerPixel bits stored one by one; the pixels have alpha or not.
PixelLayout blockPixelLayout(uint32_t blockBytes, bool withAlpha);
PixelLayout plainPixelLayout(uint32_t bitsPerPixel, bool withAlpha);

// Our containers: format 3 (a 24-bit source, one ColorBlock per block) or 4
// (a 32-bit source, AlphaBlock then ColorBlock). Only for those two formats.
bool isContainerFormat(int32_t format);
PixelLayout containerPixelLayout(int32_t format);

// The container format a TGA source of this depth (24 or 32) is encoded to.
int32_t containerFormatForDepth(uint32_t pixelDepth);
// The layout of the plain TGA source, with alpha or without, that every kind
// of source is turned into: the container's it is encoded to.
PixelLayout sourcePixelLayout(bool withAlpha);

// Bytes of one row of whole 4x4 blocks of a level `width` pixels wide.
size_t tileRowBytes(const PixelLayout& layout, uint32_t width);

// levelByteCount (container.h) of a level in this layout.
uint64_t levelBytes(const PixelLayout& layout, uint32_t width, uint32_t height);
