// An independent reading of standard DDS files for the tests, written from
// the public format descriptions (Microsoft's DDS and block-compression
// pages, the Khronos BPTC extension) and sharing nothing with codec/: it
// works one texel at a time, straight from the file's bytes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct ReferenceLevel {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<std::array<uint8_t, 4>> rgba;  // red, green, blue, alpha; row by row from the top
};

struct ReferenceTexture {
  std::vector<ReferenceLevel> levels;  // those the file holds in full
  bool withAlpha = false;              // what the TGA files must carry
};

// Only the formats Tessark accepts; anything else gives no levels.
ReferenceTexture referenceDecodeDds(const std::vector<uint8_t>& file);
