// PNG and JPEG sources for the tests, written with stb_image_write (its
// deflate for PNG, so that every colour type and bit depth can be built),
// and the library's own decode of a JPEG.
#pragma once

#include <cstdint>
#include <vector>

#include "test_support.h"

// A PNG of rows already packed at the bit depth (no filter byte), with the
// given extra chunks' data (PLTE, tRNS; empty: none) before its image data.
Bytes pngFile(uint32_t width, uint32_t height, uint8_t colourType, uint8_t bitDepth, const std::vector<Bytes>& rows,
              const Bytes& palette = {}, const Bytes& transparency = {});

// A baseline JPEG of RGB pixels, top row first.
Bytes jpegFile(uint32_t width, uint32_t height, const Bytes& rgb);

// What stb_image decodes from a JPEG: RGB, top row first.
Bytes decodedJpeg(const Bytes& jpeg);
