// The AVX2 tile-row decoder. This file alone is built with -mavx2; it uses
// no inline function shared with other files (its palette and ramp are its
// own, and the tests compare them with the plain kernel's on every endpoint
// pair), so no AVX2 instruction reaches code that runs on other processors.
#include <immintrin.h>

#include <cstring>

#include "decode/decode_kernels.h"

namespace {

// Pixel words of four pixels as TGA bytes: 16 for 32-bit files, the first
// 12 (blue, green, red of each) for 24-bit ones.
void storeFourPixels(uint8_t* out, __m128i words, bool withAlpha) {
  if (withAlpha) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), words);
    return;
  }
  const __m128i packed = _mm_shuffle_epi8(words, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
  const int32_t last = _mm_extract_epi32(packed, 2);
  std::memcpy(out + 8, &last, 4);
}

// Eight consecutive fields of `bits` wide from `fields` (position p at bit
// shifts[p]), each used as an index into table.
__m256i lookUp(__m256i table, uint32_t fields, __m256i shifts, int mask) {
  const __m256i indices = _mm256_and_si256(_mm256_srlv_epi32(_mm256_set1_epi32(static_cast<int>(fields)), shifts),
                                           _mm256_set1_epi32(mask));
  return _mm256_permutevar8x32_epi32(table, indices);
}

// alphaRamp (container.h) for eight indices at once, alphas in bits 24-31.
// The divisions become exact multiplications: n / 7 = (n * 9363) >> 16 for
// the n <= 7 * 255 + 3 of the eight-value ramp, n / 5 = (n * 13108) >> 16
// for the n <= 5 * 255 + 2 of the six-value one.
__m256i alphaRampWords(const uint8_t* alphaBlock) {
  const int a0 = alphaBlock[0], a1 = alphaBlock[1];
  const __m256i first = _mm256_set1_epi32(a0), second = _mm256_set1_epi32(a1);
  __m256i ramp;
  if (a0 > a1) {  // i from 2 to 7: ((8 - i) a0 + (i - 1) a1 + 3) / 7
    const __m256i n = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(first, _mm256_setr_epi32(0, 0, 6, 5, 4, 3, 2, 1)),
                                                        _mm256_mullo_epi32(second, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6))),
                                       _mm256_set1_epi32(3));
    ramp = _mm256_srli_epi32(_mm256_mullo_epi32(n, _mm256_set1_epi32(9363)), 16);
  } else {  // i from 2 to 5: ((6 - i) a0 + (i - 1) a1 + 2) / 5; then 0 and 255
    const __m256i n = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(first, _mm256_setr_epi32(0, 0, 4, 3, 2, 1, 0, 0)),
                                                        _mm256_mullo_epi32(second, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 0, 0))),
                                       _mm256_set1_epi32(2));
    ramp = _mm256_srli_epi32(_mm256_mullo_epi32(n, _mm256_set1_epi32(13108)), 16);
    ramp = _mm256_blend_epi32(ramp, _mm256_setr_epi32(0, 0, 0, 0, 0, 0, 0, 255), 0xC0);
  }
  ramp = _mm256_blend_epi32(ramp, _mm256_setr_epi32(a0, a1, 0, 0, 0, 0, 0, 0), 0x03);  // 0: alpha0, 1: alpha1
  return _mm256_slli_epi32(ramp, 24);
}

// The ColorBlock's four colours as pixel words (paletteColor of
// container.h): the endpoints' 8-bit channels in 16-bit lanes, blue, green,
// red, 0 for each; colours 2 and 3 are (2 c0 + c1) / 3 and (c0 + 2 c1) / 3,
// the division exact as (n * 43691) >> 17 for the n <= 765 here.
__m128i paletteWords(const uint8_t* colorBlock) {
  const int color0 = colorBlock[0] | colorBlock[1] << 8, color1 = colorBlock[2] | colorBlock[3] << 8;
  const auto channel = [](int color, int shift, int mask, int bits) { return ((color >> shift & mask) * 255) >> bits; };
  const __m128i ends = _mm_setr_epi16(static_cast<int16_t>(channel(color0, 0, 31, 5)), static_cast<int16_t>(channel(color0, 5, 63, 6)),
                                      static_cast<int16_t>(channel(color0, 11, 31, 5)), 0,
                                      static_cast<int16_t>(channel(color1, 0, 31, 5)), static_cast<int16_t>(channel(color1, 5, 63, 6)),
                                      static_cast<int16_t>(channel(color1, 11, 31, 5)), 0);
  const __m128i swapped = _mm_shuffle_epi32(ends, _MM_SHUFFLE(1, 0, 3, 2));  // c1, c0
  const __m128i sums = _mm_add_epi16(_mm_add_epi16(ends, ends), swapped);    // 2 c0 + c1, 2 c1 + c0
  const __m128i thirds = _mm_srli_epi16(_mm_mulhi_epu16(sums, _mm_set1_epi16(static_cast<int16_t>(43691))), 1);
  return _mm_packus_epi16(ends, thirds);  // colours 0, 1, 2, 3 as little-endian words
}

}  // namespace

void avx2DecodeTileRow(uint32_t w, const PixelLayout& layout, const uint8_t* blocks, uint8_t* rows, size_t rowBytes) {
  const bool withAlpha = layout.withAlpha;
  const size_t blockSize = layout.blockBytes;
  const size_t pixelBytes = layout.tgaBytesPerPixel;
  const __m256i colorShiftsTop = _mm256_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14);  // rows 0 and 1
  const __m256i colorShiftsBottom = _mm256_setr_epi32(16, 18, 20, 22, 24, 26, 28, 30);
  const __m256i alphaShifts = _mm256_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21);
  for (uint32_t bx = 0; bx < w / 4; ++bx, blocks += blockSize) {
    const uint8_t* colorBlock = withAlpha ? blocks + 8 : blocks;
    const __m256i colors = _mm256_broadcastsi128_si256(paletteWords(colorBlock));
    uint32_t indices;  // little-endian, as every x86 processor
    std::memcpy(&indices, colorBlock + 4, 4);
    __m256i top = lookUp(colors, indices, colorShiftsTop, 3);
    __m256i bottom = lookUp(colors, indices, colorShiftsBottom, 3);
    if (withAlpha) {
      const __m256i alphas = alphaRampWords(blocks);
      uint64_t alphaBits;
      std::memcpy(&alphaBits, blocks, 8);
      alphaBits >>= 16;  // the 48 index bits, position p at bit 3p
      top = _mm256_or_si256(top, lookUp(alphas, static_cast<uint32_t>(alphaBits & 0xFFFFFF), alphaShifts, 7));
      bottom = _mm256_or_si256(bottom, lookUp(alphas, static_cast<uint32_t>(alphaBits >> 24), alphaShifts, 7));
    }
    uint8_t* out = rows + 4 * bx * pixelBytes;
    storeFourPixels(out, _mm256_castsi256_si128(top), withAlpha);
    storeFourPixels(out + rowBytes, _mm256_extracti128_si256(top, 1), withAlpha);
    storeFourPixels(out + 2 * rowBytes, _mm256_castsi256_si128(bottom), withAlpha);
    storeFourPixels(out + 3 * rowBytes, _mm256_extracti128_si256(bottom, 1), withAlpha);
  }
}
