// What the decoder's TGA files and the encoder's TGA sources share.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kTgaHeaderSize = 18;
constexpr size_t kTgaFooterSize = 26;
constexpr uint8_t kTgaTrueColor = 2;        // image type: uncompressed true-colour
constexpr uint8_t kTgaTopLeftOrigin = 0x20; // image descriptor: the first stored row is the top row

// The 18-byte header of an uncompressed true-colour TGA with top-left
// origin, 24 or 32 bits per pixel.
inline void packTgaFileHeader(uint32_t width, uint32_t height, bool withAlpha, uint8_t out[kTgaHeaderSize]) {
  for (size_t i = 0; i < kTgaHeaderSize; ++i) out[i] = 0;
  out[2] = kTgaTrueColor;
  out[12] = static_cast<uint8_t>(width);
  out[13] = static_cast<uint8_t>(width >> 8);
  out[14] = static_cast<uint8_t>(height);
  out[15] = static_cast<uint8_t>(height >> 8);
  out[16] = withAlpha ? 32 : 24;
  out[17] = kTgaTopLeftOrigin;
}

// The TGA 2.0 footer: no extension area, no developer directory, the signature.
inline constexpr char kTgaFooter[kTgaFooterSize] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
