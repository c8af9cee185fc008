// Standard DDS textures: the 124-byte header after the "DDS " magic, the
// optional DX10 header, and what Tessark makes of them. Only 2D textures in
// BC1, BC2, BC3, BC7 or in pixels described by bit masks are accepted;
// everything else is refused with a description of what the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shared/container.h"
#include "shared/pixel_layout.h"

constexpr size_t kDdsHeaderSize = 128;       // magic and the 124-byte header
constexpr size_t kDdsDx10HeaderSize = 20;    // follows when the FourCC is "DX10"

enum class DdsBlocks { None, Bc1, Bc2, Bc3, Bc7 };  // None: pixels described by bit masks

// One channel of a pixel described by bit masks; bits 0 when absent.
struct ChannelBits {
  uint32_t mask = 0;
  unsigned shift = 0;
  unsigned bits = 0;
};

struct DdsPixelFormat {
  DdsBlocks blocks = DdsBlocks::None;
  unsigned bitsPerPixel = 0;
  ChannelBits red, green, blue, alpha;  // luminance: red, green and blue share one mask
  std::string name;                     // as printed: "BC1 (DXT1)", "B8G8R8A8", "L8A8", ...
};

struct DdsTexture {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t levels = 0;
  size_t dataOffset = 0;  // where level 0 starts
  DdsPixelFormat format;
};

struct DdsHeaderResult {
  bool accepted = false;
  DdsTexture texture;  // when accepted
  std::string found;   // when refused: what the file holds, in words ("cube map", ...)
};

bool hasDdsMagic(const uint8_t* data, size_t size);

// Reads and checks the headers; reads nothing past size.
DdsHeaderResult readDdsHeader(const uint8_t* data, size_t size);

// Level k: each side halved k times, never below 1.
LevelSize ddsLevelSize(const DdsTexture& texture, uint32_t level);

// The stored pixels of a format, decoded with or without alpha.
PixelLayout ddsPixelLayout(const DdsPixelFormat& format, bool withAlpha);

// The bytes of one level: whole 4x4 blocks (partial ones at the right and
// bottom edges included), or rows of whole pixels without padding.
uint64_t ddsLevelByteCount(const DdsPixelFormat& format, LevelSize size);
