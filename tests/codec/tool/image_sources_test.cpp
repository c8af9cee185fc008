// Every source kind through the real Tessark: its container must be the one
// the plain 24/32-bit TGA of the same pixels, in the same stored order,
// gives; and every refusal says what was found and what is accepted. PNG and
// JPEG are written with stb_image_write, whose implementation is here.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_image_write.h>
#include <stb_image.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tga_builder.h"

namespace fs = std::filesystem;

namespace {

void putBe32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(Bytes& png, const char* type, const Bytes& data) {
  putBe32(png, static_cast<uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  putBe32(png, stbiw__crc32(typed.data(), static_cast<int>(typed.size())));
}

void appendBytes(void* context, void* data, int size) {
  auto* out = static_cast<Bytes*>(context);
  out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// A PNG of rows packed at the bit depth (no filter byte), deflated by stb_image_write.
Bytes pngFile(uint32_t width, uint32_t height, uint8_t colourType, uint8_t bitDepth, const std::vector<Bytes>& rows,
              const Bytes& palette = {}, const Bytes& transparency = {}) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  putBe32(header, width);
  putBe32(header, height);
  header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});
  putChunk(png, "IHDR", header);
  if (!palette.empty()) putChunk(png, "PLTE", palette);
  if (!transparency.empty()) putChunk(png, "tRNS", transparency);
  Bytes raw;
  for (const Bytes& row : rows) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), row.begin(), row.end());
  }
  int size = 0;
  unsigned char* packed = stbi_zlib_compress(raw.data(), static_cast<int>(raw.size()), &size, 8);
  putChunk(png, "IDAT", Bytes(packed, packed + size));
  STBIW_FREE(packed);
  putChunk(png, "IEND", {});
  return png;
}

// A 16x16 baseline JPEG of hashed colours, by stb_image_write.
Bytes jpegFile() {
  Bytes rgb(768), jpeg;
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i / 3 % 16 * 13 + i / 48 * 7 + i % 3 * 50);
  stbi_write_jpg_to_func(appendBytes, &jpeg, 16, 16, 3, rgb.data(), 90);
  return jpeg;
}

struct Source {
  std::string name;  // the file's name, its kind told by its bytes
  Bytes file;
  Bytes plain;             // the plain TGA of the same pixels
  std::string shortLine;   // the standard-error line of a cut source
};

uint32_t hashOf(uint32_t key, uint32_t salt) { return (key * 2654435761u + salt * 40503u) >> 11; }

Bytes storedColour(uint8_t bits, uint32_t key) {
  Bytes stored;
  for (uint32_t i = 0; i < (bits + 7u) / 8u; ++i) stored.push_back(static_cast<uint8_t>(hashOf(key, i)));
  return stored;
}

// The tests' own reading of one stored TGA colour (grey: bits 8 or 16).
Bgra colourOf(const Bytes& s, uint8_t bits, bool grey, bool attribute) {
  if (grey) return {s[0], s[0], s[0], bits == 16 ? s[1] : uint8_t{255}};
  if (bits >= 24) return {s[0], s[1], s[2], bits == 32 ? s[3] : uint8_t{255}};
  const uint32_t v = s[0] | (s[1] << 8u);
  auto five = [](uint32_t f) { return static_cast<uint8_t>(f << 3 | f >> 2); };
  return {five(v & 31u), five(v >> 5 & 31u), five(v >> 10 & 31u), uint8_t(attribute && !(v & 0x8000u) ? 0 : 255)};
}

Bytes runLengthPacked(const std::vector<Bytes>& pixels) {
  Bytes out;
  for (size_t i = 0; i < pixels.size();) {
    size_t n = 1;
    while (i + n < pixels.size() && n < 128 && pixels[i + n] == pixels[i]) ++n;
    const bool run = n > 1;
    if (!run)
      while (i + n < pixels.size() && n < 128 && !(i + n + 1 < pixels.size() && pixels[i + n] == pixels[i + n + 1])) ++n;
    out.push_back(static_cast<uint8_t>((run ? 0x80 : 0) | (n - 1)));
    for (size_t k = 0; k < (run ? 1 : n); ++k) out.insert(out.end(), pixels[i + k].begin(), pixels[i + k].end());
    i += n;
  }
  return out;
}

Bytes plainTga(uint16_t w, uint16_t h, bool alpha, bool topDown, const std::vector<Bgra>& pixels) {
  Bytes tga = tgaHeader(w, h, alpha ? 32 : 24, topDown);
  for (const Bgra& p : pixels) {
    tga.insert(tga.end(), {p.blue, p.green, p.red});
    if (alpha) tga.push_back(p.alpha);
  }
  return tga;
}

// An 8x8 TGA of one kind (runs of three equal pixels, crossing row ends),
// its last `cut` pixels missing.
Source tgaKind(const std::string& name, uint8_t type, uint8_t depth, uint8_t mapBits, uint8_t attributeBits,
               bool topDown, uint32_t cut = 0) {
  const bool mapped = (type & 7) == 1, grey = (type & 7) == 3, attribute = attributeBits != 0;
  Bytes file = tgaHeader(8, 8, depth, topDown, type, mapBits ? 1 : 0, 3);
  file[3] = 2, file[5] = 20, file[7] = mapBits, file[17] |= attributeBits;  // entries 2..21
  file.insert(file.end(), {'i', 'd', '!'});
  std::vector<Bgra> entries;
  for (uint32_t e = 0; mapBits && e < 20; ++e) {
    const Bytes s = storedColour(mapBits, 1000 + e);
    file.insert(file.end(), s.begin(), s.end());
    entries.push_back(colourOf(s, mapBits, false, attribute));
  }
  std::vector<Bytes> stored;
  std::vector<Bgra> pixels;
  for (uint32_t i = 0; i < 64; ++i) {
    stored.push_back(mapped ? Bytes{static_cast<uint8_t>(2 + i / 3 % 20)} : storedColour(depth, i / 3));
    Bytes s = i < 64 - cut ? stored.back() : Bytes(stored.back().size(), 0);
    pixels.push_back(!mapped ? colourOf(s, depth, grey, attribute) : s[0] >= 2 ? entries[s[0] - 2] : Bgra{0, 0, 0, 0});
  }
  const Bytes data = type & 8 ? runLengthPacked(stored) : [&] { Bytes d; for (auto& s : stored) d.insert(d.end(), s.begin(), s.end()); return d; }();
  file.insert(file.end(), data.begin(), data.end() - cut * stored[0].size());
  const bool alpha = (mapped ? mapBits : depth) == 32 || (depth == 16 && (grey || attribute)) || (mapBits == 16 && attribute && mapped);
  const std::string line = "Tessark: " + name + ": " + std::to_string(cut * stored[0].size()) + " of " +
                           std::to_string(64 * stored[0].size()) + " pixel bytes missing, encoded as 0; the source is incomplete\n";
  return {name, file, plainTga(8, 8, alpha, topDown, pixels), cut ? line : ""};
}

// An 8x8 PNG: samples hashed in runs of three pixels, packed at the bit depth.
Source png(const std::string& name, uint8_t colourType, uint8_t depth, bool transparency = false) {
  const uint32_t channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
  const uint32_t top = (1u << depth) - 1;
  auto sample = [&](uint32_t i, uint32_t c) { return hashOf(i / 3, c) & top; };
  auto scaled = [&](uint32_t v) { return static_cast<uint8_t>(depth == 16 ? v >> 8 : v * 255 / top); };
  Bytes palette, trns;
  for (uint32_t e = 0; colourType == 3 && e <= top; ++e)
    palette.insert(palette.end(), {uint8_t(hashOf(e, 7)), uint8_t(hashOf(e, 8)), uint8_t(hashOf(e, 9))});
  if (transparency && colourType == 3) trns = {0, 128, 7};
  for (uint32_t c = 0; transparency && colourType != 3 && c < channels; ++c) trns.insert(trns.end(), {uint8_t(sample(0, c) >> 8), uint8_t(sample(0, c))});
  std::vector<Bytes> rows(8);
  std::vector<Bgra> pixels;
  for (uint32_t i = 0; i < 64; ++i) {
    uint32_t v[4];
    for (uint32_t c = 0; c < channels; ++c) {
      v[c] = sample(i, c);
      Bytes& row = rows[i / 8];
      const uint32_t bit = (i % 8 * channels + c) * depth;
      if (bit % 8 == 0) row.push_back(0);
      if (depth == 16) row.back() = uint8_t(v[c] >> 8), row.push_back(uint8_t(v[c]));
      else row.back() |= static_cast<uint8_t>(v[c] << (8 - depth - bit % 8));
    }
    const bool key = transparency && colourType != 3 && sample(i, 0) == sample(0, 0) && sample(i, channels - 1) == sample(0, channels - 1);
    Bgra p{scaled(v[0]), scaled(v[0]), scaled(v[0]), uint8_t(key ? 0 : 255)};
    if (colourType == 2 || colourType == 6) p = {scaled(v[2]), scaled(v[1]), scaled(v[0]), uint8_t(colourType == 6 ? scaled(v[3]) : p.alpha)};
    if (colourType == 4) p.alpha = scaled(v[1]);
    if (colourType == 3) p = {palette[3 * v[0] + 2], palette[3 * v[0] + 1], palette[3 * v[0]], v[0] < trns.size() ? trns[v[0]] : uint8_t{255}};
    pixels.push_back(p);
  }
  const bool alpha = colourType == 4 || colourType == 6 || transparency;
  return {name, pngFile(8, 8, colourType, depth, rows, palette, trns), plainTga(8, 8, alpha, true, pixels), ""};
}

// JPEG is lossy: its plain TGA is made of stb_image's own decode of it.
Source jpeg(const std::string& name, const Bytes& file) {
  int w = 0, h = 0, n = 0;
  unsigned char* rgb = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 3);
  std::vector<Bgra> pixels;
  for (int i = 0; rgb && i < w * h * 3; i += 3) pixels.push_back({rgb[i + 2], rgb[i + 1], rgb[i], 255});
  stbi_image_free(rgb);
  return {name, file, plainTga(16, 16, false, true, pixels), ""};
}

// Progressive: the same JPEG losslessly rewritten by jpegtran, where installed.
Bytes progressiveJpeg(const Bytes& baseline) {
  if (runsOnWindows() || !fs::exists("/usr/bin/jpegtran")) return {};
  ScratchDir dir;
  writeFileBytes(dir / "in.jpg", baseline);
  runProgram("/usr/bin/jpegtran", {"-progressive", "-outfile", "out.jpg", "in.jpg"}, dir.path());
  return fs::exists(dir / "out.jpg") ? readFileBytes(dir / "out.jpg") : Bytes{};
}

TEST(ImageSources, EveryKindGivesThePlainTgaContainer) {
  std::vector<Source> sources = {
      tgaKind("map8-24.tga", 1, 8, 24, 0, false),   tgaKind("map8-32.tga", 1, 8, 32, 8, true),
      tgaKind("rlemap-15.tga", 9, 8, 15, 0, true), tgaKind("rlemap-16a.tga", 9, 8, 16, 1, false),
      tgaKind("true15.tga", 2, 15, 0, 0, false),   tgaKind("true16a.tga", 2, 16, 0, 1, true),
      tgaKind("true16.tga", 2, 16, 0, 0, true),    tgaKind("rle24.tga", 10, 24, 0, 0, false),
      tgaKind("rle32.tga", 10, 32, 0, 8, true),    tgaKind("rle16a.tga", 10, 16, 0, 1, false),
      tgaKind("grey8.tga", 3, 8, 0, 0, false),     tgaKind("grey16.tga", 3, 16, 0, 8, true),
      tgaKind("rlegrey8.tga", 11, 8, 0, 0, true),  tgaKind("rlegrey16.tga", 11, 16, 0, 8, false),
      tgaKind("skipmap.tga", 2, 24, 24, 0, true),  tgaKind("cutplain.tga", 2, 24, 0, 0, false, 5),
      tgaKind("cutmap.tga", 1, 8, 32, 8, true, 9), tgaKind("cut16.tga", 2, 16, 0, 1, false, 64),
      png("g1.png", 0, 1),   png("g2.png", 0, 2),     png("g4.png", 0, 4),   png("g8.png", 0, 8),
      png("g16.png", 0, 16), png("g4t.png", 0, 4, true), png("rgb8.png", 2, 8), png("rgb16.png", 2, 16),
      png("rgb8t.png", 2, 8, true), png("p1.png", 3, 1), png("p2.png", 3, 2), png("p4.png", 3, 4),
      png("p8.png", 3, 8),   png("p8t.png", 3, 8, true), png("ga8.png", 4, 8), png("ga16.png", 4, 16),
      png("rgba8.png", 6, 8), png("rgba16.png", 6, 16), jpeg("base.jpg", jpegFile())};
  const Bytes progressive = progressiveJpeg(sources.back().file);
  if (!progressive.empty()) sources.push_back(jpeg("prog.jpg", progressive));
  else std::cout << "jpegtran not installed: no progressive JPEG here\n";
  for (const Source& source : sources) {
    // With QUORVEL_FUZZ_SEEDS set, every source is also saved there for the fuzz targets.
    if (const char* seeds = std::getenv("QUORVEL_FUZZ_SEEDS")) writeFileBytes(fs::path(seeds) / source.name, source.file);
    ScratchDir dir;
    writeFileBytes(dir / source.name, source.file);
    writeFileBytes(dir / "plain.tga", source.plain);
    const ProgramResult plain = runProgram(TESSARK_PATH, {"-e", "plain.tga"}, dir.path());
    const ProgramResult kind = runProgram(TESSARK_PATH, {"-e", source.name}, dir.path());
    const std::string container = source.name.substr(0, source.name.find('.')) + ".dds";
    EXPECT_EQ(plain.exitStatus, 0) << source.name;
    EXPECT_EQ(kind.exitStatus, source.shortLine.empty() ? 0 : 1) << source.name;
    EXPECT_EQ(kind.out, plain.out) << source.name;
    EXPECT_EQ(kind.err, programText(source.shortLine)) << source.name;
    EXPECT_EQ(readFileBytes(dir / container), readFileBytes(dir / "plain.dds")) << source.name;
  }
}

TEST(ImageSources, RefusalsSayWhatWasFoundAndWhatIsAccepted) {
  const Bytes png = pngFile(8, 8, 0, 8, std::vector<Bytes>(8, Bytes(8, 9)));
  const Bytes jpg = jpegFile();
  Bytes mapless = tgaHeader(8, 8, 8, true, 1), chunky(png.begin(), png.begin() + 33);
  chunky.insert(chunky.end(), {0x7F, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 0, 0, 0, 0});
  const struct {
    std::string name;
    Bytes file;
    std::string out, err;
  } cases[] = {
      {"t5.tga", tgaHeader(8, 8, 24, true, 5), "Unsupported Image Source Type!\n",
       "TGA image type 5 with colour-map type 0; accepted are TGA image types 1, 2, 3, 9, 10 and 11 (colour-mapped, true "
       "colour, grey; plain or run-length packed), PNG and JPEG"},
      {"nomap.tga", mapless, "Unsupported Image Source Type!\n", "TGA image type 1 with colour-map type 0; accepted are"},
      {"grey24.tga", tgaHeader(8, 8, 24, true, 11), "Unsupported Image Source Bitdepth!\n",
       "a 24-bit run-length packed grey TGA; grey TGA has 8 bits, or 16 with alpha"},
      {"true8.tga", tgaHeader(8, 8, 8, true), "Unsupported Image Source Bitdepth!\n",
       "a 8-bit true-colour TGA; true-colour TGA has 15, 16, 24 or 32 bits"},
      {"wide.tga", tgaHeader(200, 32, 8, true, 3), "Width not Power of 2, aborting!\n",
       "200x32; sides must be powers of two from 2 to 32768"},
      {"dot.tga", tgaHeader(1, 1, 32, true), "Height not Power of 2, aborting!\n",
       "1x1; sides must be powers of two from 2 to 32768: they start at 2, not 1"},
      {"six.png", pngFile(6, 8, 0, 8, std::vector<Bytes>(8, Bytes(6, 9))), "Width not Power of 2, aborting!\n",
       "6x8; sides must be powers of two from 2 to 32768"},
      {"cut.png", Bytes(png.begin(), png.end() - 20), "Source PNG File could not be decoded!\n",
       "a damaged, cut or unsupported PNG ("},
      {"cut.jpg", Bytes(jpg.begin(), jpg.begin() + jpg.size() / 2), "Source JPEG File could not be decoded!\n",
       "a damaged, cut or unsupported JPEG ("},
      {"dht.jpg", hexBytes("ff d8 ff e0 00 03 03 03 05 ff c4 00 15 01 01 01 00 00 00 00 00 00 05 ff c4 14"),
       "Source JPEG File could not be decoded!\n", "a damaged, cut or unsupported JPEG (a Huffman table of more than 256"},
      {"huge.png", chunky, "Source PNG File could not be decoded!\n", "a damaged, cut or unsupported PNG (a chunk longer"},
      {"ten.tga", Bytes(10, 0), "Source TGA File too short: 10 bytes, a header needs 18\n",
       "10 bytes; a TGA needs its 18-byte header, a PNG or JPEG starts with its signature"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    writeFileBytes(dir / c.name, c.file);
    const ProgramResult result = runProgram(TESSARK_PATH, {"-e", c.name}, dir.path());
    EXPECT_EQ(result.exitStatus, 1) << c.name;
    EXPECT_EQ(result.out, programText(c.out)) << c.name;
    const std::string err = "Tessark: " + c.name + ": " + c.err;
    EXPECT_EQ(result.err.substr(0, err.size()), err) << c.name;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << c.name << ": one line";
    EXPECT_EQ(dir.fileNames(), std::vector<std::string>{c.name}) << c.name;
  }
}

}  // namespace
