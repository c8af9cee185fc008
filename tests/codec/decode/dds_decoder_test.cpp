// Standard DDS files written by the tests' own writer, decoded by Tessark
// and compared pixel for pixel with the independent reference decoder.
#include <gtest/gtest.h>

#include <string>

#include "container_builder.h"
#include "dds_builder.h"
#include "reference/dds_reference.h"
#include "tga_builder.h"
#include "test_support.h"
#include "tool/commands.h"

namespace {

constexpr uint32_t kRgb = 0x40, kLuminance = 0x20000, kAlpha = 0x1;

struct Case {
  const char* label;
  DdsLayout layout;
  const char* format;  // the "Format:" line
  unsigned bitsPerPixel;
};

DdsLayout blocks(uint32_t w, uint32_t h, uint32_t mips, const char* fourCc, unsigned blockBytes, uint32_t dxgi = 0,
               DdsLayout::Fill fill = DdsLayout::Random) {
  DdsLayout layout;
  layout.width = w, layout.height = h, layout.mipCount = mips, layout.fourCc = fourCc, layout.dxgi = dxgi;
  layout.blockBytes = blockBytes, layout.fill = fill;
  return layout;
}

// DX10 pixels of `bits` bits: the bit count sizes the levels; the file stores 0.
DdsLayout dx10Pixels(uint32_t w, uint32_t h, uint32_t mips, uint32_t dxgi, uint32_t bits) {
  DdsLayout layout = blocks(w, h, mips, "DX10", 0, dxgi);
  layout.bitCount = bits;
  return layout;
}

DdsLayout masked(uint32_t w, uint32_t h, uint32_t mips, uint32_t flags, uint32_t bits, uint32_t r, uint32_t g,
               uint32_t b, uint32_t a) {
  DdsLayout layout;
  layout.width = w, layout.height = h, layout.mipCount = mips, layout.pixelFlags = flags, layout.bitCount = bits;
  layout.masks[0] = r, layout.masks[1] = g, layout.masks[2] = b, layout.masks[3] = a;
  return layout;
}

std::string decodeFileInProcess(const std::string& path) {
  std::string p = path;
  return captureStdout([](void* context) { decodeContainerFile(*static_cast<std::string*>(context), bestSimdPath()); }, &p);
}

TEST(DdsDecode, EveryFormatMatchesTheReferenceDecoder) {
  const Case cases[] = {
      {"BC1 with transparent blocks", blocks(37, 29, 6, "DXT1", 8), "BC1 (DXT1)", 4},
      {"BC1 opaque", blocks(64, 20, 7, "DXT1", 8, 0, DdsLayout::OpaqueBc1), "BC1 (DXT1)", 4},
      {"BC2 DXT2", blocks(13, 7, 4, "DXT2", 16), "BC2 (DXT2)", 8},
      {"BC2 DXT3", blocks(16, 16, 5, "DXT3", 16), "BC2 (DXT3)", 8},
      {"BC3 DXT4", blocks(6, 10, 2, "DXT4", 16), "BC3 (DXT4)", 8},
      {"BC3 DXT5", blocks(21, 18, 5, "DXT5", 16), "BC3 (DXT5)", 8},
      {"BC1 DX10 typeless", blocks(5, 5, 3, "DX10", 8, 70), "BC1_TYPELESS (DX10)", 4},
      {"BC1 DX10 opaque sRGB", blocks(8, 8, 1, "DX10", 8, 72, DdsLayout::OpaqueBc1), "BC1_UNORM_SRGB (DX10)", 4},
      {"BC2 DX10", blocks(9, 4, 1, "DX10", 16, 74), "BC2_UNORM (DX10)", 8},
      {"BC3 DX10 sRGB", blocks(12, 3, 2, "DX10", 16, 78), "BC3_UNORM_SRGB (DX10)", 8},
      {"BC7 every mode and partition", blocks(100, 100, 7, "DX10", 16, 98, DdsLayout::Bc7EveryMode), "BC7_UNORM (DX10)", 8},
      {"BC7 sRGB, random", blocks(33, 17, 6, "DX10", 16, 99), "BC7_UNORM_SRGB (DX10)", 8},
      {"BGR 24", masked(7, 5, 3, kRgb, 24, 0xFF0000, 0xFF00, 0xFF, 0), "B8G8R8", 24},
      {"BGRA 32", masked(9, 3, 4, kRgb | kAlpha, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), "B8G8R8A8", 32},
      {"RGBA 32", masked(3, 9, 4, kRgb | kAlpha, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000), "R8G8B8A8", 32},
      {"BGRX 32", masked(5, 5, 3, kRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0), "B8G8R8X8", 32},
      {"5:6:5", masked(11, 6, 4, kRgb, 16, 0xF800, 0x7E0, 0x1F, 0), "B5G6R5", 16},
      {"5:5:5:1", masked(6, 11, 4, kRgb | kAlpha, 16, 0x7C00, 0x3E0, 0x1F, 0x8000), "B5G5R5A1", 16},
      {"5:5:5 and a spare bit", masked(4, 4, 3, kRgb, 16, 0x7C00, 0x3E0, 0x1F, 0), "B5G5R5X1", 16},
      {"4:4:4:4", masked(10, 2, 2, kRgb | kAlpha, 16, 0xF00, 0xF0, 0xF, 0xF000), "B4G4R4A4", 16},
      {"10:10:10:2", masked(3, 3, 2, kRgb | kAlpha, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000), "R10G10B10A2", 32},
      {"L8", masked(7, 7, 3, kLuminance, 8, 0xFF, 0, 0, 0), "L8", 8},
      {"L16", masked(5, 9, 4, kLuminance, 16, 0xFFFF, 0, 0, 0), "L16", 16},
      {"L8A8", masked(9, 5, 4, kLuminance | kAlpha, 16, 0xFF, 0, 0, 0xFF00), "L8A8", 16},
      {"L4A4", masked(3, 5, 3, kLuminance | kAlpha, 8, 0xF, 0, 0, 0xF0), "L4A4", 8},
      {"DX10 R8G8B8A8 sRGB", dx10Pixels(5, 3, 3, 29, 32), "R8G8B8A8_UNORM_SRGB (DX10)", 32},
      {"DX10 B8G8R8A8 typeless", dx10Pixels(3, 5, 3, 90, 32), "B8G8R8A8_TYPELESS (DX10)", 32},
      {"DX10 B8G8R8X8", dx10Pixels(4, 4, 1, 88, 32), "B8G8R8X8_UNORM (DX10)", 32},
      {"DX10 B5G6R5", dx10Pixels(6, 6, 3, 85, 16), "B5G6R5_UNORM (DX10)", 16},
      {"DX10 B5G5R5A1", dx10Pixels(6, 2, 2, 86, 16), "B5G5R5A1_UNORM (DX10)", 16},
      {"DX10 B4G4R4A4", dx10Pixels(2, 6, 2, 115, 16), "B4G4R4A4_UNORM (DX10)", 16},
      {"one level, mip count 0", blocks(4, 4, 0, "DXT5", 16), "BC3 (DXT5)", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const DdsLayout& layout = c.layout;
    const Bytes file = makeDds(layout, 7);
    saveFuzzSeed(file);
    ScratchDir dir;
    writeFileBytes(dir / "tex.dds", file);
    const std::string out = decodeFileInProcess((dir / "tex.dds").string());
    const ReferenceTexture reference = referenceDecodeDds(file);
    const uint32_t levels = layout.mipCount ? layout.mipCount : 1;
    ASSERT_EQ(reference.levels.size(), levels);
    std::string expected = "Header:\nWidth/Height: " + std::to_string(layout.width) + "/" + std::to_string(layout.height) +
                           "\nBits per pixel: " + std::to_string(c.bitsPerPixel) + "\nFormat: " + c.format + "\n";
    for (uint32_t k = 0; k < levels; ++k) expected += "Decoding Level " + std::to_string(k) + "\n";
    EXPECT_EQ(out, expected);
    EXPECT_EQ(dir.fileNames().size(), levels + 1);
    for (uint32_t k = 0; k < levels; ++k) {
      SCOPED_TRACE("level " + std::to_string(k));
      const ReferenceLevel& level = reference.levels[k];
      const Bytes tga = readFileBytes(dir / ("tex" + std::to_string(k) + ".tga"));
      const size_t depth = reference.withAlpha ? 4 : 3;
      ASSERT_EQ(tga.size(), 18 + size_t{level.width} * level.height * depth + 26);
      EXPECT_EQ(Bytes(tga.begin(), tga.begin() + 18), tgaHeader(static_cast<uint16_t>(level.width),
                                                                 static_cast<uint16_t>(level.height), static_cast<uint8_t>(8 * depth), true));
      Bytes pixels;
      for (const auto& rgba : level.rgba) {
        pixels.insert(pixels.end(), {rgba[2], rgba[1], rgba[0]});
        if (depth == 4) pixels.push_back(rgba[3]);
      }
      EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), tga.begin() + 18)) << "pixels differ from the reference";
      EXPECT_EQ(std::string(tga.end() - 18, tga.end() - 1), "TRUEVISION-XFILE.");
    }
  }
}

}  // namespace

namespace {

Bytes withField(Bytes bytes, size_t at, uint32_t value) {
  putLe32(bytes, at, value);
  return bytes;
}

Bytes withFourCc(const char* code) {
  DdsLayout layout = blocks(8, 8, 1, code, 8);
  return makeDds(layout);
}

TEST(DdsDecode, RefusalsNameTheFileAndWhatItHoldsAndWriteNothing) {
  const Bytes bc1 = makeDds(blocks(8, 8, 1, "DXT1", 8));
  const Bytes dx10 = makeDds(blocks(8, 8, 1, "DX10", 8, 71));
  const Bytes bgra = makeDds(masked(4, 4, 1, kRgb | kAlpha, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
  const std::string contradicts = "header that contradicts itself (";
  struct Refusal {
    const char* label;
    Bytes file;
    std::string found;
  };
  const Refusal cases[] = {
      {"cube map", withField(bc1, 112, 0xFE00), "cube map"},
      {"DX10 cube map", withField(dx10, 136, 4), "cube map"},
      {"volume", withField(bc1, 112, 0x200000), "volume texture"},
      {"volume by its depth", withField(withField(bc1, 8, 0x801007), 24, 4), "volume texture"},
      {"DX10 volume", withField(dx10, 132, 4), "volume texture"},
      {"DX10 array", withField(dx10, 140, 6), "array of 6 textures"},
      {"DX10 array of none", withField(dx10, 140, 0), contradicts + "an array of 0 textures)"},
      {"BC4", withFourCc("ATI1"), "texture in BC4 blocks (FourCC 'ATI1')"},
      {"BC5", withFourCc("ATI2"), "texture in BC5 blocks (FourCC 'ATI2')"},
      {"DX10 BC5", withField(dx10, 128, 83), "texture in BC5 blocks (DXGI format 83)"},
      {"DX10 BC6H", withField(dx10, 128, 95), "texture in BC6H blocks (DXGI format 95)"},
      {"DX10 half floats", withField(dx10, 128, 10), "texture in float pixels (DXGI format 10)"},
      {"D3D floats", withField(bc1, 84, 116), "texture in float pixels (FourCC 116)"},
      {"DX10 other", withField(dx10, 128, 24), "texture in DXGI format 24"},
      {"other FourCC", withFourCc("UYVY"), "texture in pixels of FourCC 'UYVY'"},
      {"zero mask", withField(bgra, 96, 0), contradicts + "the green mask is 0)"},
      {"overlapping masks", withField(bgra, 96, 0xFFFF00), contradicts + "two bit masks overlap)"},
      {"mask with a gap", withField(bgra, 92, 0xF0F000),
       contradicts + "the red mask is not one run of up to 16 bits within the 32-bit pixel)"},
      {"mask beyond the pixel", withField(withField(bgra, 88, 16), 104, 0xF0000),
       contradicts + "the red mask is not one run of up to 16 bits within the 16-bit pixel)"},
      {"8-bit RGB", withField(bgra, 88, 8), "texture in 8-bit RGB pixels"},
      {"alpha only", withField(bgra, 80, 0x2), "texture in alpha-only pixels"},
      {"blocks with a pixel size", withField(bc1, 88, 32), contradicts + "BC1 (DXT1) blocks with a pixel size of 32 bits)"},
      {"width 0", withField(bc1, 16, 0), contradicts + "sides of 0x8)"},
      {"height 0", withField(bc1, 12, 0), contradicts + "sides of 8x0)"},
      {"wider than a TGA", withField(bc1, 16, 70000), "texture of 70000x8, larger than a TGA file can hold (65535)"},
      {"more levels than the chain", withField(bc1, 28, 5), contradicts + "5 mip levels for 8x8)"},
      {"header size", withField(bc1, 4, 123), contradicts + "header sizes 123 and 32, not 124 and 32)"},
      {"cut in the header", Bytes(bc1.begin(), bc1.begin() + 100), "file of 100 bytes, cut short in its 128-byte header"},
      {"cut in the DX10 header", Bytes(dx10.begin(), dx10.begin() + 140), "file of 140 bytes, cut short in its DX10 header"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.label);
    saveFuzzSeed(c.file);
    ScratchDir dir;
    writeFileBytes(dir / "bad.dds", c.file);
    const ProgramResult result = runProgram(TESSARK_PATH, {"-d", "bad.dds"}, dir.path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, programText("Tessark: bad.dds: a DDS " + c.found +
                                      "; only 2D textures in BC1, BC2, BC3, BC7 or uncompressed RGB, RGBA or "
                                      "luminance are decoded\n"));
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"bad.dds"});
  }
}

TEST(DdsDecode, CutShortFileKeepsItsCompleteLevels) {
  const Bytes whole = makeDds(blocks(16, 16, 5, "DXT1", 8, 0, DdsLayout::OpaqueBc1));
  ScratchDir dir;
  writeFileBytes(dir / "t.dds", Bytes(whole.begin(), whole.begin() + 128 + 128 + 32 + 3));
  const ProgramResult result = runProgram(TESSARK_PATH, {"-d", "t.dds"}, dir.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out, programText("Header:\nWidth/Height: 16/16\nBits per pixel: 4\nFormat: BC1 (DXT1)\n"
                                    "Decoding Level 0\nDecoding Level 1\n"
                                    "Container truncated: level 2 needs 8 bytes, 3 remain\n"));
  EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"t.dds", "t0.tga", "t1.tga"}));
}

// Quorvel needs nothing new: a work directory mixing our containers and
// standard DDS textures gets a texture for each.
TEST(DdsDecode, QuorvelInstallsATextureForEveryKind) {
  ScratchDir dir;
  const std::filesystem::path work = dir / "work";
  std::filesystem::create_directory(work);
  writeFileBytes(work / "rock.dds", makeContainer(8, 8, 3, hexBytes("00 F8 00 F8 00 00 00 00")));
  writeFileBytes(work / "moss.dds", makeDds(blocks(9, 7, 4, "DXT5", 16)));
  writeFileBytes(work / "bark.dds", makeDds(masked(4, 4, 3, kRgb, 24, 0xFF0000, 0xFF00, 0xFF, 0)));
  const ProgramResult result = runProgram(QUORVEL_PATH, {work.string()}, dir.path());
  EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
  for (const char* texture : {"rock.tga", "moss.tga", "bark.tga"}) EXPECT_TRUE(std::filesystem::exists(work / texture)) << texture;
  EXPECT_EQ(readFileBytes(work / "moss.tga").size(), 18 + 9 * 7 * 4 + 26);
}

}  // namespace
