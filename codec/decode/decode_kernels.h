// The decoder's tile-row kernels: one tile row of blocks straight into four
// rows of TGA pixel bytes (blue, green, red(, alpha)), rowBytes apart. The
// plain kernel runs everywhere; the AVX2 kernel (x86-64 builds, chosen at
// run time) looks the 16 indices of a block up in its palette and ramp
// eight pixels at a time and writes the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shared/pixel_layout.h"
#include "shared/simd_path.h"

using TileRowDecoder = void (*)(uint32_t w, const PixelLayout& layout, const uint8_t* blocks, uint8_t* rows,
                                size_t rowBytes);

void plainDecodeTileRow(uint32_t w, const PixelLayout& layout, const uint8_t* blocks, uint8_t* rows, size_t rowBytes);
// Only in x86-64 builds; call only when the processor has AVX2.
void avx2DecodeTileRow(uint32_t w, const PixelLayout& layout, const uint8_t* blocks, uint8_t* rows, size_t rowBytes);

// The kernel of a path: AVX2 for SimdPath::Avx2, else the plain one.
TileRowDecoder tileRowDecoderFor(SimdPath path);
