#include "tool/commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "container_builder.h"
#include "decode/memory_sink.h"
#include "test_support.h"

namespace {

struct DecodeRun {
  const Bytes* container;
  std::string base;
};

// Decodes a container held in memory; returns what the decoder printed.
std::string decodeInMemory(const Bytes& container, const std::string& base) {
  saveFuzzSeed(container);
  DecodeRun run{&container, base};
  return captureStdout(
      [](void* context) {
        auto* r = static_cast<DecodeRun*>(context);
        decodeContainerBytes(r->container->data(), r->container->size(), r->base, bestSimdPath());
      },
      &run);
}

// The core alone: the level files of a well-formed container, in memory.
std::vector<Bytes> decodeLevels(const Bytes& container) {
  saveFuzzSeed(container);
  LevelFilesInMemory levels;
  const DecodeResult result = decodeContainer(container.data(), container.size(), bestSimdPath(), memoryTgaFileSink(levels));
  EXPECT_EQ(result.status, DecodeStatus::Decoded);
  EXPECT_EQ(result.trailingOffset, container.size()) << "a well-formed container has nothing after its last level";
  return levels.files;
}

std::string decodeFile(const std::string& path) {
  std::string p = path;
  return captureStdout([](void* context) { decodeContainerFile(*static_cast<std::string*>(context), bestSimdPath()); }, &p);
}

// Pixel (x, y) of a decoded top-left-origin TGA as blue, green, red(, alpha).
Bytes tgaPixel(const Bytes& tga, int x, int y) {
  const int width = tga[12] | tga[13] << 8;
  const int depth = tga[16] / 8;
  const size_t at = kTgaHeaderSize + static_cast<size_t>(y * width + x) * depth;
  return Bytes(tga.begin() + static_cast<long>(at), tga.begin() + static_cast<long>(at) + depth);
}

const Bytes kWhiteBlock = hexBytes("FF FF FF FF 00 00 00 00");

TEST(Decoder, PrintsHeaderAndOneLinePerLevel) {
  ScratchDir dir;
  const std::string out = decodeInMemory(makeContainer(4, 4, 3, kWhiteBlock), (dir / "tex").string());
  EXPECT_EQ(out,
            "Header:\nWidth/Height: 4/4\nBits per pixel: 4\nCompressed Size: 8\n"
            "Mean Alpha: 1.000000\nDecoding Level 0\nDecoding Level 1\nDecoding Level 2\n");
  EXPECT_EQ(dir.fileNames(), (std::vector<std::string>{"tex0.tga", "tex1.tga", "tex2.tga"}));
}

TEST(Decoder, MeanAlphaLineIsTheSameOnEveryPlatform) {
  struct Case {
    uint32_t bits;
    const char* line;
  };
  const Case cases[] = {
      {0x3F800000u, "Mean Alpha: 1.000000\n"},  {0x80000000u, "Mean Alpha: -0.000000\n"},
      {0x7F800000u, "Mean Alpha: inf\n"},       {0xFF800000u, "Mean Alpha: -inf\n"},
      {0x7FC00000u, "Mean Alpha: nan\n"},       {0xFFC00001u, "Mean Alpha: -nan\n"},
      {0x7149F2CAu, "Mean Alpha: 1000000015047466219876688855040.000000\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ScratchDir dir;
    Bytes container = headerBytes(0, 4, 3, 0, 0.0f);
    writeLe32(container.data() + 16, c.bits);
    const std::string out = decodeInMemory(container, (dir / "m").string());
    EXPECT_EQ(out, std::string("Header:\nWidth/Height: 0/4\nBits per pixel: 4\nCompressed Size: 0\n") + c.line);
  }
}

TEST(Decoder, LevelFilesOfWholeChains) {
  struct Case {
    uint32_t w, h;
    int32_t format;
    int levels;
    uint32_t lastW, lastH;
  };
  const Case cases[] = {{256, 256, 4, 9, 1, 1}, {256, 64, 3, 7, 4, 1}, {2, 2, 3, 2, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const Bytes block = c.format == 4 ? hexBytes("FF 00 00 00 00 00 00 00  00 F8 00 F8 00 00 00 00")
                                      : hexBytes("00 F8 00 F8 00 00 00 00");
    const std::vector<Bytes> files = decodeLevels(makeContainer(c.w, c.h, c.format, block));
    ASSERT_EQ(files.size(), static_cast<size_t>(c.levels));
    uint32_t w = c.w, h = c.h;
    for (int level = 0; level < c.levels; ++level) {
      const Bytes& tga = files[static_cast<size_t>(level)];
      ASSERT_EQ(tga.size(), 18 + size_t{w} * h * (c.format == 4 ? 4 : 3) + 26);
      EXPECT_EQ(tga[12] | tga[13] << 8, static_cast<int>(w));
      EXPECT_EQ(tga[14] | tga[15] << 8, static_cast<int>(h));
      EXPECT_EQ(tga[16], c.format == 4 ? 32 : 24);
      EXPECT_EQ(tga[17], 0x20);
      if (level + 1 < c.levels) { w /= 2; h /= 2; }
    }
    EXPECT_EQ(w, c.lastW);
    EXPECT_EQ(h, c.lastH);
  }
}

TEST(Decoder, TgaHeaderAndFooterBytes) {
  const Bytes tga = decodeLevels(makeContainer(64, 32, 3, kWhiteBlock)).at(0);
  ASSERT_EQ(tga.size(), 18u + 64 * 32 * 3 + 26);
  EXPECT_EQ(Bytes(tga.begin(), tga.begin() + 18),
            hexBytes("00 00 02 00 00 00 00 00 00 00 00 00 40 00 20 00 18 20"));
  const Bytes footer(tga.end() - 26, tga.end());
  Bytes expectedFooter(8, 0);
  for (char c : std::string("TRUEVISION-XFILE.")) expectedFooter.push_back(static_cast<uint8_t>(c));
  expectedFooter.push_back(0);
  EXPECT_EQ(footer, expectedFooter);
}

TEST(Decoder, ColorBlocksDecodeToTheirPalette) {
  struct Case {
    const char* block;
    // Expected (blue, green, red) of the four pixels of the top row and of row 1.
    const char* row0;
    const char* row1;
  };
  const Case cases[] = {
      // Both endpoints white: every index gives F7 FB F7.
      {"FF FF FF FF E4 1B 4E B1", "F7 FB F7 F7 FB F7 F7 FB F7 F7 FB F7", "F7 FB F7 F7 FB F7 F7 FB F7 F7 FB F7"},
      // Full blue / full red with indices 0,1,2,3 on every row.
      {"1F 00 00 F8 E4 E4 E4 E4", "F7 00 00 00 00 F7 A4 00 52 52 00 A4", "F7 00 00 00 00 F7 A4 00 52 52 00 A4"},
      // Only the first indices byte set: top row 0,1,2,3, all others index 0.
      {"FF FF 00 00 E4 00 00 00", "F7 FB F7 00 00 00 A4 A7 A4 52 53 52", "F7 FB F7 F7 FB F7 F7 FB F7 F7 FB F7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.block);
    const Bytes tga = decodeLevels(makeContainer(4, 4, 3, hexBytes(c.block))).at(0);
    Bytes row0, row1;
    for (int x = 0; x < 4; ++x) {
      const Bytes p0 = tgaPixel(tga, x, 0), p1 = tgaPixel(tga, x, 1);
      row0.insert(row0.end(), p0.begin(), p0.end());
      row1.insert(row1.end(), p1.begin(), p1.end());
    }
    EXPECT_EQ(row0, hexBytes(c.row0));
    EXPECT_EQ(row1, hexBytes(c.row1));
  }
}

TEST(Decoder, AlphaBlocksDecodeToTheirRamp) {
  struct Case {
    const char* alphaBlock;
    int rows[4][4];
  };
  const Case cases[] = {
      {"FF 00 88 C6 FA 00 00 00", {{255, 0, 219, 182}, {146, 109, 73, 36}, {255, 255, 255, 255}, {255, 255, 255, 255}}},
      {"00 00 FF FF FF FF FF FF", {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}}},
      // All indices 6 in the six-value ramp: 110 in binary repeated = B6 6D DB ...
      {"00 00 B6 6D DB B6 6D DB", {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alphaBlock);
    Bytes block = hexBytes(c.alphaBlock);
    const Bytes color = hexBytes("FF FF FF FF 00 00 00 00");
    block.insert(block.end(), color.begin(), color.end());
    const Bytes tga = decodeLevels(makeContainer(4, 4, 4, block)).at(0);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const Bytes pixel = tgaPixel(tga, x, y);
        EXPECT_EQ(pixel, (Bytes{0xF7, 0xFB, 0xF7, static_cast<uint8_t>(c.rows[y][x])})) << x << "," << y;
      }
    }
  }
}

TEST(Decoder, SmallLevelsAreWrittenAsZeroPixels) {
  const std::vector<Bytes> levels = decodeLevels(makeContainer(2, 2, 4, hexBytes("FF 00 00 00 00 00 00 00 FF FF FF FF 00 00 00 00")));
  ASSERT_EQ(levels.size(), 2u);
  const Bytes& level0 = levels[0];
  const Bytes& level1 = levels[1];
  ASSERT_EQ(level0.size(), 18u + 2 * 2 * 4 + 26);
  ASSERT_EQ(level1.size(), 18u + 1 * 1 * 4 + 26);
  EXPECT_EQ(Bytes(level0.begin() + 18, level0.end() - 26), Bytes(16, 0));
  EXPECT_EQ(Bytes(level1.begin() + 18, level1.end() - 26), Bytes(4, 0));
}

TEST(Decoder, TrailingBytesAreDumpedWithoutLineEnd) {
  ScratchDir dir;
  Bytes container = makeContainer(2, 2, 3, kWhiteBlock);
  for (uint8_t b : {0x01, 0xAB, 0xFF}) container.push_back(b);
  const std::string out = decodeInMemory(container, (dir / "x").string());
  EXPECT_EQ(out.substr(out.size() - 26), "Decoding Level 1\n01 ab ff ");
}

TEST(Decoder, DamagedContainersGetOneMessageAndNoFurtherFiles) {
  const std::string header4x4 =
      "Header:\nWidth/Height: 4/4\nBits per pixel: 4\nCompressed Size: 8\nMean Alpha: 1.000000\n";
  struct Case {
    const char* name;
    Bytes container;
    std::string out;
    std::vector<std::string> files;
  };
  Bytes truncatedChain = makeContainer(4, 4, 3, kWhiteBlock);
  truncatedChain.resize(truncatedChain.size() - 1);  // last level one byte short
  Bytes badFormat = makeContainer(4, 4, 3, kWhiteBlock);
  badFormat[8] = 5;
  const Case cases[] = {
      {"shorter than the header", Bytes(19, 0), "Container too short: 19 bytes, a header needs 20\n", {}},
      {"unknown format", badFormat,
       "Header:\nWidth/Height: 4/4\nBits per pixel: 10\nCompressed Size: 8\nMean Alpha: 1.000000\n"
       "Unsupported container format 5 (expected 3 or 4)\n",
       {}},
      {"too wide for a TGA", headerBytes(70000, 4, 3, 0, 1.0f),
       "Header:\nWidth/Height: 70000/4\nBits per pixel: 4\nCompressed Size: 0\nMean Alpha: 1.000000\n"
       "Image too large for a TGA file: 70000x4\n",
       {}},
      {"huge claim in a 30-byte file", [] { Bytes b = headerBytes(32768, 32768, 4, 0, 0.5f); b.resize(30, 0xAA); return b; }(),
       "Header:\nWidth/Height: 32768/32768\nBits per pixel: 8\nCompressed Size: 0\nMean Alpha: 0.500000\n"
       "Container truncated: level 0 needs 1073741824 bytes, 10 remain\n",
       {}},
      {"last level truncated", truncatedChain,
       header4x4 + "Decoding Level 0\nDecoding Level 1\nContainer truncated: level 2 needs 8 bytes, 7 remain\n",
       {"d0.tga", "d1.tga"}},
      {"zero width dumps the rest", [] { Bytes b = headerBytes(0, 4, 3, 0, 1.0f); b.push_back(0x7F); return b; }(),
       "Header:\nWidth/Height: 0/4\nBits per pixel: 4\nCompressed Size: 0\nMean Alpha: 1.000000\n7f ",
       {}},
      {"zero width dumps the rest, whatever the height", [] { Bytes b = headerBytes(0, 70000, 3, 0, 1.0f); b.push_back(0x7F); return b; }(),
       "Header:\nWidth/Height: 0/70000\nBits per pixel: 4\nCompressed Size: 0\nMean Alpha: 1.000000\n7f ",
       {}},
      {"zero height dumps the rest", [] { Bytes b = headerBytes(4, 0, 4, 0, 1.0f); b.push_back(0x7F); return b; }(),
       "Header:\nWidth/Height: 4/0\nBits per pixel: 8\nCompressed Size: 0\nMean Alpha: 1.000000\n7f ",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    EXPECT_EQ(decodeInMemory(c.container, (dir / "d").string()), c.out);
    EXPECT_EQ(dir.fileNames(), c.files);
  }
}

TEST(Decoder, FilesAreNamedBesideTheContainerEvenInDottedDirectories) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "my.dir");
  writeFileBytes(dir / "my.dir" / "rock.v2.dds", makeContainer(2, 2, 3, kWhiteBlock));
  decodeFile((dir / "my.dir" / "rock.v2.dds").string());
  EXPECT_TRUE(std::filesystem::exists(dir / "my.dir" / "rock0.tga"));
  EXPECT_TRUE(std::filesystem::exists(dir / "my.dir" / "rock1.tga"));
  EXPECT_EQ(dir.fileNames(), std::vector<std::string>{"my.dir"});
}

TEST(Decoder, MissingContainerAndUncreatableOutput) {
  ScratchDir dir;
  const std::string missing = (dir / "none.dds").string();
  EXPECT_EQ(decodeFile(missing), "Failed to open Sourcefile: " + missing + "\n");

  const std::string base = (dir / "no-such-dir" / "x").string();
  const std::string out = decodeInMemory(makeContainer(2, 2, 3, kWhiteBlock), base);
  EXPECT_NE(out.find("Decoding Level 0\nFailed to create output file: " + base + "0.tga\n"), std::string::npos);
  EXPECT_EQ(out.find("Decoding Level 1"), std::string::npos);
}

}  // namespace
