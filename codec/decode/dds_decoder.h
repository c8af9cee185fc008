// Standard DDS textures to one TGA file per mip level, through the same
// sink as our containers: top-left origin, 24-bit without alpha, 32-bit
// with it. No file, no console.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/dds_header.h"
#include "decode/decoder.h"

// Whether the level files carry alpha: BC2, BC3, BC7 and masks with an
// alpha channel always; BC1 when a block of a level the file holds in full
// has a transparent pixel.
bool ddsOutputHasAlpha(const uint8_t* data, size_t size, const DdsTexture& texture);

// Every level the file holds in full, in order; the first one it does not
// hold stops the run as Truncated. data and size are the whole file.
DecodeResult decodeDdsTexture(const uint8_t* data, size_t size, const DdsTexture& texture, const TgaFileSink& sink);
