// The tool's reading of TGA sources: header checks, image ID, short files,
// and the reference reader's conversion that the encoder is compared with.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "encode/mean_alpha.h"
#include "encode_through_tool.h"
#include "reference/reference_encoder.h"
#include "tga_builder.h"
#include "tool/commands.h"

namespace {

std::string rejectionOf(const Bytes& tga) {
  struct Run {
    const Bytes* tga;
    bool encoded;
  } run{&tga, true};
  const std::string out = captureStdout(
      [](void* context) {
        auto* r = static_cast<Run*>(context);
        Bytes container;
        r->encoded = encodeThroughTool(r->tga->data(), r->tga->size(), container, false);
      },
      &run);
  EXPECT_FALSE(run.encoded);
  return out;
}

TEST(TgaSource, PowerOfTwoSides) {
  for (uint16_t side : {2, 4, 8, 256, 32768}) EXPECT_TRUE(isPowerOfTwoSide(side)) << side;
  for (uint16_t side : {0, 1, 3, 6, 12, 640, 65535, 49152}) EXPECT_FALSE(isPowerOfTwoSide(side)) << side;
}

TEST(TgaSource, RejectsBadHeadersWithTheFirstFailingCheck) {
  struct Case {
    Bytes header;
    const char* message;
  };
  const Case cases[] = {
      {tgaHeader(2, 2, 32, true, 5), "Unsupported Image Source Type!\n"},
      {tgaHeader(2, 2, 24, true, 2, 2), "Unsupported Image Source Type!\n"},
      {tgaHeader(3, 5, 16, true, 6), "Unsupported Image Source Type!\n"},
      {tgaHeader(2, 2, 12, true), "Unsupported Image Source Bitdepth!\n"},
      {tgaHeader(2, 2, 8, true), "Unsupported Image Source Bitdepth!\n"},
      {tgaHeader(5, 3, 24, true), "Height not Power of 2, aborting!\n"},
      {tgaHeader(2, 1, 24, true), "Height not Power of 2, aborting!\n"},
      {tgaHeader(2, 0, 24, true), "Height not Power of 2, aborting!\n"},
      {tgaHeader(1, 2, 24, true), "Width not Power of 2, aborting!\n"},
      {tgaHeader(0, 2, 32, true), "Width not Power of 2, aborting!\n"},
      {tgaHeader(6, 8, 32, true), "Width not Power of 2, aborting!\n"},
      {Bytes(17, 0), "Source TGA File too short: 17 bytes, a header needs 18\n"},
      {Bytes(), "Source TGA File too short: 0 bytes, a header needs 18\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(rejectionOf(c.header), c.message);
  EXPECT_EQ(tgaHeaderProblem(parseTgaHeader(tgaHeader(32768, 2, 24, true).data())), TgaHeaderProblem::None);
}

SourceImage convert(const Bytes& tga) {
  const TgaHeader header = parseTgaHeader(tga.data());
  const size_t start = std::min(tga.size(), 18 + size_t{header.idLength});
  SourceImage image;
  EXPECT_TRUE(convertSourcePixels(header, tga.data() + start, tga.size() - start, image));
  return image;
}

TEST(TgaSource, ConvertsBytesWithTheNearestFloatTo1Over255) {
  uint32_t bits;
  std::memcpy(&bits, &kByteToUnit, sizeof bits);
  EXPECT_EQ(bits, 0x3B808081u);
  Bytes tga = tgaHeader(2, 2, 24, true);
  for (uint8_t byte : {0x00, 0x00, 0xFF, 127, 254, 1, 255, 255, 255, 0, 128, 0}) tga.push_back(byte);
  const SourceImage image = convert(tga);
  EXPECT_TRUE(vecEqual(image.colors[0], {1.0f, 0.0f, 0.0f})) << "blue, green, red byte order";
  EXPECT_TRUE(vecEqual(image.colors[1], {1 * kByteToUnit, 0.9960784912109375f, 0.49803924560546875f}));
  EXPECT_TRUE(vecEqual(image.colors[2], {1.0f, 1.0f, 1.0f}));
  EXPECT_EQ(image.alphas, std::vector<float>(4, 0.0f));
}

// The header the tool's reading gives a source.
TextureHeader headerThroughTool(const Bytes& tga) {
  ScratchDir dir;
  writeFileBytes(dir / "source.tga", tga);
  EncodedTexture texture;
  EXPECT_TRUE(readTgaFile((dir / "source.tga").string(), SimdPath::Plain, texture));
  return texture.header;
}

TEST(TgaSource, HeaderFieldsAndMeanAlpha) {
  struct Case {
    const char* name;
    Bytes tga;
    int32_t format, compressedSize;
    float meanAlpha;
  };
  const auto alphaOf = [](uint8_t a) { return [a](uint32_t, uint32_t) { return Bgra{1, 2, 3, a}; }; };
  // Alphas 1 and 5 summed with their exact products: the rounded products would give 0.0235294122f.
  Bytes exactSum = tgaHeader(2, 2, 32, true);
  for (uint8_t a : {1, 5, 0, 0}) exactSum.insert(exactSum.end(), {0, 0, 0, a});
  Bytes shortData = tgaHeader(2, 2, 32, true);
  for (uint8_t byte : {10, 20, 30, 1, 40, 50}) shortData.push_back(byte);
  const Case cases[] = {
      {"24-bit", makeTga(8, 4, 24, false, alphaOf(0)), 3, 16, 1.0f},
      {"32-bit opaque", makeTga(8, 4, 32, false, alphaOf(255)), 4, 32, 1.0f},
      {"32-bit transparent", makeTga(4, 8, 32, true, alphaOf(0)), 4, 32, 0.0f},
      {"exact products", exactSum, 4, 4, 0.02352941408753395f / 4.0f},
      // Pixel data ends early: missing pixels are black with alpha 0 and still count.
      {"short data", shortData, 4, 4, 1 * kByteToUnit / 4.0f},
  };
  for (const Case& c : cases) {
    const TextureHeader header = headerThroughTool(c.tga);
    EXPECT_EQ(header.meanAlpha, sourceTextureHeader(convert(c.tga)).meanAlpha) << c.name;
    EXPECT_EQ(header.format, c.format) << c.name;
    EXPECT_EQ(header.compressedSize, c.compressedSize) << c.name;
    EXPECT_EQ(header.meanAlpha, c.meanAlpha) << c.name;
  }
  const SourceImage shortImage = convert(cases[4].tga);
  EXPECT_TRUE(vecEqual(shortImage.colors[1], {0.0f, 50 * kByteToUnit, 40 * kByteToUnit}));
  EXPECT_TRUE(vecEqual(shortImage.colors[2], {0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(shortImage.alphas, (std::vector<float>{1 * kByteToUnit, 0, 0, 0}));
}

TEST(TgaSource, MeanAlphaOfAHugeSourceStopsGrowingAt2To24) {
  const SourceImage image = convert(tgaHeader(8192, 4096, 24, true));  // no pixel data at all
  EXPECT_EQ(image.meanAlpha, 0.5f);
}

TEST(TgaSource, SkipsTheImageId) {
  const Bytes plain = makeTga(8, 8, 32, true, naturalPixel);
  Bytes withId = plain;
  withId[0] = 255;
  withId.insert(withId.begin() + 18, 255, 0xAB);
  Bytes a, b;
  ASSERT_TRUE(encodeThroughTool(plain.data(), plain.size(), a, false));
  ASSERT_TRUE(encodeThroughTool(withId.data(), withId.size(), b, false));
  EXPECT_EQ(a, b);
}

}  // namespace
