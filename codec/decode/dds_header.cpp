#include "decode/dds_header.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "shared/byte_order.h"

namespace {

// Header fields, as offsets from the start of the file.
constexpr size_t kSizeField = 4, kFlagsField = 8, kHeightField = 12, kWidthField = 16, kDepthField = 24,
                 kMipCountField = 28, kPixelFormatSizeField = 76, kPixelFlagsField = 80, kFourCcField = 84,
                 kBitCountField = 88, kRedMaskField = 92, kGreenMaskField = 96, kBlueMaskField = 100,
                 kAlphaMaskField = 104, kCaps2Field = 112;
constexpr size_t kDxgiFormatField = 128, kDimensionField = 132, kMiscFlagField = 136, kArraySizeField = 140;

constexpr uint32_t kHeaderSizeValue = 124, kPixelFormatSizeValue = 32;
constexpr uint32_t kFlagDepth = 0x800000;
constexpr uint32_t kPixelAlphaPixels = 0x1, kPixelAlphaOnly = 0x2, kPixelFourCc = 0x4, kPixelRgb = 0x40,
                   kPixelYuv = 0x200, kPixelLuminance = 0x20000, kPixelBumpDuDv = 0x80000;
constexpr uint32_t kCaps2CubeMap = 0x200, kCaps2Volume = 0x200000;
constexpr uint32_t kDimension1d = 2, kDimension2d = 3, kDimension3d = 4, kMiscTextureCube = 0x4;
constexpr uint32_t kLargestTgaSide = 65535;

constexpr uint32_t fourCc(const char* code) {
  return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) | static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

std::string fourCcText(uint32_t code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>(code >> (8 * i));
    if (c < 0x20 || c > 0x7E) return "FourCC " + std::to_string(code);
    text += c;
  }
  return "FourCC '" + text + "'";
}

DdsHeaderResult refused(std::string found) {
  DdsHeaderResult result;
  result.found = std::move(found);
  return result;
}

std::string contradiction(const std::string& what) { return "header that contradicts itself (" + what + ")"; }

DdsPixelFormat blockFormat(DdsBlocks blocks, std::string name) {
  DdsPixelFormat format;
  format.blocks = blocks;
  format.bitsPerPixel = blocks == DdsBlocks::Bc1 ? 4 : 8;
  format.name = std::move(name);
  return format;
}

// A channel from its mask: one run of 1 to 16 bits inside the pixel.
bool readChannel(uint32_t mask, unsigned pixelBits, const char* channel, ChannelBits& out, std::string& problem) {
  if (mask == 0) {
    problem = std::string("the ") + channel + " mask is 0";
    return false;
  }
  unsigned shift = 0;
  while (!(mask >> shift & 1u)) ++shift;
  unsigned bits = 0;
  while (shift + bits < 32 && (mask >> (shift + bits) & 1u)) ++bits;
  if (shift + bits > pixelBits || (shift + bits < 32 && mask >> (shift + bits) != 0) || bits > 16) {
    problem = std::string("the ") + channel + " mask is not one run of up to 16 bits within the " +
              std::to_string(pixelBits) + "-bit pixel";
    return false;
  }
  out = {mask, shift, bits};
  return true;
}

// "B8G8R8A8", "L8A8", "B5G5R5X1": the channels from the lowest bit up, X
// for bits no channel uses.
std::string maskedName(const DdsPixelFormat& format, bool luminance) {
  std::vector<std::pair<const ChannelBits*, char>> channels;
  if (luminance) {
    channels.push_back({&format.red, 'L'});
  } else {
    channels.insert(channels.end(), {{&format.red, 'R'}, {&format.green, 'G'}, {&format.blue, 'B'}});
  }
  if (format.alpha.bits) channels.push_back({&format.alpha, 'A'});
  std::sort(channels.begin(), channels.end(), [](const auto& a, const auto& b) { return a.first->shift < b.first->shift; });
  std::string name;
  unsigned next = 0;
  for (const auto& [channel, letter] : channels) {
    if (channel->shift > next) name += "X" + std::to_string(channel->shift - next);
    name += letter + std::to_string(channel->bits);
    next = channel->shift + channel->bits;
  }
  if (next < format.bitsPerPixel) name += "X" + std::to_string(format.bitsPerPixel - next);
  return name;
}

// Pixels described by bit masks: 16, 24 or 32-bit RGB with or without
// alpha, 8 or 16-bit luminance with or without alpha.
DdsHeaderResult maskedFormat(uint32_t flags, uint32_t bitCount, const uint32_t masks[4], DdsPixelFormat& format) {
  const bool luminance = (flags & kPixelLuminance) != 0;
  const bool bitCountFits = luminance ? (bitCount == 8 || bitCount == 16)
                                      : (bitCount == 16 || bitCount == 24 || bitCount == 32);
  if (!bitCountFits) {
    return refused("texture in " + std::to_string(bitCount) + "-bit " + (luminance ? "luminance" : "RGB") + " pixels");
  }
  format.blocks = DdsBlocks::None;
  format.bitsPerPixel = bitCount;
  std::string problem;
  if (!readChannel(masks[0], bitCount, luminance ? "luminance" : "red", format.red, problem)) {
    return refused(contradiction(problem));
  }
  if (luminance) {
    format.green = format.blue = format.red;
  } else if (!readChannel(masks[1], bitCount, "green", format.green, problem) ||
             !readChannel(masks[2], bitCount, "blue", format.blue, problem)) {
    return refused(contradiction(problem));
  }
  if ((flags & kPixelAlphaPixels) && !readChannel(masks[3], bitCount, "alpha", format.alpha, problem)) {
    return refused(contradiction(problem));
  }
  const uint32_t colour = luminance ? format.red.mask : format.red.mask | format.green.mask | format.blue.mask;
  const bool overlap = (!luminance && ((format.red.mask & format.green.mask) || (format.red.mask & format.blue.mask) ||
                                       (format.green.mask & format.blue.mask))) ||
                       (colour & format.alpha.mask);
  if (overlap) return refused(contradiction("two bit masks overlap"));
  format.name = maskedName(format, luminance);
  DdsHeaderResult result;
  result.accepted = true;
  return result;
}

struct DxgiFormat {
  uint32_t code;
  DdsBlocks blocks;
  const char* name;
  unsigned bits;     // masked formats: pixel size
  uint32_t masks[4]; // red, green, blue, alpha
};

const DxgiFormat kDxgiFormats[] = {
    {27, DdsBlocks::None, "R8G8B8A8_TYPELESS", 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
    {28, DdsBlocks::None, "R8G8B8A8_UNORM", 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
    {29, DdsBlocks::None, "R8G8B8A8_UNORM_SRGB", 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
    {70, DdsBlocks::Bc1, "BC1_TYPELESS", 0, {}},
    {71, DdsBlocks::Bc1, "BC1_UNORM", 0, {}},
    {72, DdsBlocks::Bc1, "BC1_UNORM_SRGB", 0, {}},
    {73, DdsBlocks::Bc2, "BC2_TYPELESS", 0, {}},
    {74, DdsBlocks::Bc2, "BC2_UNORM", 0, {}},
    {75, DdsBlocks::Bc2, "BC2_UNORM_SRGB", 0, {}},
    {76, DdsBlocks::Bc3, "BC3_TYPELESS", 0, {}},
    {77, DdsBlocks::Bc3, "BC3_UNORM", 0, {}},
    {78, DdsBlocks::Bc3, "BC3_UNORM_SRGB", 0, {}},
    {85, DdsBlocks::None, "B5G6R5_UNORM", 16, {0xF800, 0x07E0, 0x001F, 0}},
    {86, DdsBlocks::None, "B5G5R5A1_UNORM", 16, {0x7C00, 0x03E0, 0x001F, 0x8000}},
    {87, DdsBlocks::None, "B8G8R8A8_UNORM", 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {88, DdsBlocks::None, "B8G8R8X8_UNORM", 32, {0xFF0000, 0xFF00, 0xFF, 0}},
    {90, DdsBlocks::None, "B8G8R8A8_TYPELESS", 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {91, DdsBlocks::None, "B8G8R8A8_UNORM_SRGB", 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {92, DdsBlocks::None, "B8G8R8X8_TYPELESS", 32, {0xFF0000, 0xFF00, 0xFF, 0}},
    {93, DdsBlocks::None, "B8G8R8X8_UNORM_SRGB", 32, {0xFF0000, 0xFF00, 0xFF, 0}},
    {97, DdsBlocks::Bc7, "BC7_TYPELESS", 0, {}},
    {98, DdsBlocks::Bc7, "BC7_UNORM", 0, {}},
    {99, DdsBlocks::Bc7, "BC7_UNORM_SRGB", 0, {}},
    {115, DdsBlocks::None, "B4G4R4A4_UNORM", 16, {0x0F00, 0x00F0, 0x000F, 0xF000}},
};

// What a refused DXGI format is, in words.
std::string dxgiRefusal(uint32_t code) {
  const std::string number = "DXGI format " + std::to_string(code);
  if (code >= 79 && code <= 81) return "texture in BC4 blocks (" + number + ")";
  if (code >= 82 && code <= 84) return "texture in BC5 blocks (" + number + ")";
  if (code >= 94 && code <= 96) return "texture in BC6H blocks (" + number + ")";
  static const uint32_t floats[] = {1, 2, 3, 5, 6, 9, 10, 15, 16, 25, 26, 33, 34, 39, 40, 41, 53, 54, 67};
  if (std::find(std::begin(floats), std::end(floats), code) != std::end(floats)) {
    return "texture in float pixels (" + number + ")";
  }
  return "texture in " + number;
}

DdsHeaderResult dx10Format(const uint8_t* data, DdsPixelFormat& format) {
  const uint32_t code = readLe32(data + kDxgiFormatField);
  const uint32_t dimension = readLe32(data + kDimensionField);
  const uint32_t arraySize = readLe32(data + kArraySizeField);
  if (readLe32(data + kMiscFlagField) & kMiscTextureCube) return refused("cube map");
  if (dimension == kDimension3d) return refused("volume texture");
  if (dimension != kDimension1d && dimension != kDimension2d) {
    return refused(contradiction("resource dimension " + std::to_string(dimension)));
  }
  if (arraySize == 0) return refused(contradiction("an array of 0 textures"));
  if (arraySize > 1) return refused("array of " + std::to_string(arraySize) + " textures");
  const auto* known = std::find_if(std::begin(kDxgiFormats), std::end(kDxgiFormats),
                                   [code](const DxgiFormat& f) { return f.code == code; });
  if (known == std::end(kDxgiFormats)) return refused(dxgiRefusal(code));
  const std::string name = std::string(known->name) + " (DX10)";
  if (known->blocks != DdsBlocks::None) {
    format = blockFormat(known->blocks, name);
  } else {
    const uint32_t flags = kPixelRgb | (known->masks[3] ? kPixelAlphaPixels : 0);
    DdsHeaderResult result = maskedFormat(flags, known->bits, known->masks, format);
    format.name = name;
    return result;
  }
  DdsHeaderResult result;
  result.accepted = true;
  return result;
}

DdsHeaderResult fourCcFormat(uint32_t code, DdsPixelFormat& format) {
  struct Named {
    const char* fourCc;
    DdsBlocks blocks;
    const char* name;
  };
  static const Named blocks[] = {{"DXT1", DdsBlocks::Bc1, "BC1 (DXT1)"}, {"DXT2", DdsBlocks::Bc2, "BC2 (DXT2)"},
                                 {"DXT3", DdsBlocks::Bc2, "BC2 (DXT3)"}, {"DXT4", DdsBlocks::Bc3, "BC3 (DXT4)"},
                                 {"DXT5", DdsBlocks::Bc3, "BC3 (DXT5)"}};
  for (const Named& named : blocks) {
    if (code == fourCc(named.fourCc)) {
      format = blockFormat(named.blocks, named.name);
      DdsHeaderResult result;
      result.accepted = true;
      return result;
    }
  }
  if (code == fourCc("ATI1") || code == fourCc("BC4U") || code == fourCc("BC4S")) {
    return refused("texture in BC4 blocks (" + fourCcText(code) + ")");
  }
  if (code == fourCc("ATI2") || code == fourCc("BC5U") || code == fourCc("BC5S")) {
    return refused("texture in BC5 blocks (" + fourCcText(code) + ")");
  }
  if (code >= 111 && code <= 116) return refused("texture in float pixels (" + fourCcText(code) + ")");
  return refused("texture in pixels of " + fourCcText(code));
}

}  // namespace

bool hasDdsMagic(const uint8_t* data, size_t size) {
  return size >= 4 && data[0] == 'D' && data[1] == 'D' && data[2] == 'S' && data[3] == ' ';
}

DdsHeaderResult readDdsHeader(const uint8_t* data, size_t size) {
  if (size < kDdsHeaderSize) {
    return refused("file of " + std::to_string(size) + " bytes, cut short in its " +
                   std::to_string(kDdsHeaderSize) + "-byte header");
  }
  if (readLe32(data + kSizeField) != kHeaderSizeValue || readLe32(data + kPixelFormatSizeField) != kPixelFormatSizeValue) {
    return refused(contradiction("header sizes " + std::to_string(readLe32(data + kSizeField)) + " and " +
                                 std::to_string(readLe32(data + kPixelFormatSizeField)) + ", not 124 and 32"));
  }
  const uint32_t flags = readLe32(data + kPixelFlagsField);
  const uint32_t code = readLe32(data + kFourCcField);
  const uint32_t bitCount = readLe32(data + kBitCountField);
  const uint32_t caps2 = readLe32(data + kCaps2Field);
  if (caps2 & kCaps2CubeMap) return refused("cube map");
  if ((caps2 & kCaps2Volume) || ((readLe32(data + kFlagsField) & kFlagDepth) && readLe32(data + kDepthField) > 1)) {
    return refused("volume texture");
  }
  DdsTexture texture;
  texture.height = readLe32(data + kHeightField);
  texture.width = readLe32(data + kWidthField);
  texture.dataOffset = kDdsHeaderSize;
  DdsHeaderResult result;
  const bool dx10 = (flags & kPixelFourCc) && code == fourCc("DX10");
  if (dx10) {
    if (size < kDdsHeaderSize + kDdsDx10HeaderSize) {
      return refused("file of " + std::to_string(size) + " bytes, cut short in its DX10 header");
    }
    texture.dataOffset += kDdsDx10HeaderSize;
    result = dx10Format(data, texture.format);
  } else if (flags & kPixelFourCc) {
    result = fourCcFormat(code, texture.format);
  } else if (flags & (kPixelYuv | kPixelBumpDuDv)) {
    return refused(flags & kPixelYuv ? "texture in YUV pixels" : "texture in signed bump-map pixels");
  } else if (flags & (kPixelRgb | kPixelLuminance)) {
    const uint32_t masks[4] = {readLe32(data + kRedMaskField), readLe32(data + kGreenMaskField),
                               readLe32(data + kBlueMaskField), readLe32(data + kAlphaMaskField)};
    result = maskedFormat(flags, bitCount, masks, texture.format);
  } else {
    return refused(flags & kPixelAlphaOnly ? "texture in alpha-only pixels"
                                           : "texture whose pixel format is neither RGB, luminance nor a FourCC");
  }
  if (!result.accepted) return result;
  if (texture.format.blocks != DdsBlocks::None && bitCount != 0) {
    return refused(contradiction(texture.format.name + " blocks with a pixel size of " + std::to_string(bitCount) +
                                 " bits"));
  }
  const std::string sides = std::to_string(texture.width) + "x" + std::to_string(texture.height);
  if (texture.width == 0 || texture.height == 0) return refused(contradiction("sides of " + sides));
  if (texture.width > kLargestTgaSide || texture.height > kLargestTgaSide) {
    return refused("texture of " + sides + ", larger than a TGA file can hold (65535)");
  }
  uint32_t fullChain = 1;
  for (uint32_t side = std::max(texture.width, texture.height); side > 1; side /= 2) ++fullChain;
  texture.levels = std::max<uint32_t>(1, readLe32(data + kMipCountField));
  if (texture.levels > fullChain) {
    return refused(contradiction(std::to_string(texture.levels) + " mip levels for " + sides));
  }
  result.texture = texture;
  return result;
}

LevelSize ddsLevelSize(const DdsTexture& texture, uint32_t level) {
  return {std::max<uint32_t>(1, texture.width >> level), std::max<uint32_t>(1, texture.height >> level)};
}

PixelLayout ddsPixelLayout(const DdsPixelFormat& format, bool withAlpha) {
  if (format.blocks == DdsBlocks::None) return plainPixelLayout(format.bitsPerPixel, withAlpha);
  return blockPixelLayout(format.blocks == DdsBlocks::Bc1 ? 8 : 16, withAlpha);
}

uint64_t ddsLevelByteCount(const DdsPixelFormat& format, LevelSize size) {
  const PixelLayout layout = ddsPixelLayout(format, false);
  if (layout.blockBytes == 0) return static_cast<uint64_t>(size.w) * size.h * layout.sourceBytesPerPixel;
  return static_cast<uint64_t>((size.w + 3) / 4) * ((size.h + 3) / 4) * layout.blockBytes;
}
