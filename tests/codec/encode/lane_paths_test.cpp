// The lane paths (one plain lane, SSE2, AVX2 as far as this processor has
// them) against the plain path: random and degenerate blocks, the mip
// reduction, every generated test image and the mean alpha, byte for byte.
#include <mutex>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "reference/block_encode.h"
#include "shared/simd_path.h"
#include "simd_paths_here.h"
#include "reference/reference_encoder.h"
#include "encode/lane_kernels.h"
#include "encode/mean_alpha.h"
#include "reference/mip.h"
#include "tga_builder.h"
#include "encode_through_tool.h"
#include "memory_source.h"

namespace {

// Every lane kernel table this processor can run.
std::vector<const LaneKernels*> laneKernelsHere() {
  std::vector<const LaneKernels*> kernels{&scalarLaneKernels()};
  for (SimdPath path : {SimdPath::Sse2, SimdPath::Avx2}) {
    if (path <= bestSimdPath()) kernels.push_back(laneKernelsFor(path));
  }
  return kernels;
}

// xorshift64*: fast and the same on every platform.
struct Random {
  uint64_t state;
  uint32_t next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<uint32_t>((state * 0x2545F4914F6CDD1Dull) >> 32);
  }
  uint32_t below(uint32_t n) { return next() % n; }
  float unit() { return static_cast<float>(next() >> 8) * 0x1p-24f; }    // [0, 1)
  float byteUnit() { return static_cast<float>(below(256)) * kByteToUnit; }  // as the reader makes them
};

float nudge(float v, int ulps) {
  for (; ulps > 0; --ulps) v = std::nextafter(v, 2.0f);
  for (; ulps < 0; ++ulps) v = std::nextafter(v, -1.0f);
  return v;
}

// Alphas whose h = (1 - a) * 14 lands on each index bound 1, 3, ... 13 (where
// such a float exists), with their neighbours; a block holding 0 and 1 too
// normalises each of them to itself.
std::vector<float> alphaBoundValues() {
  std::vector<float> values;
  for (int bound = 1; bound <= 13; bound += 2) {
    const float start = 1.0f - static_cast<float>(bound) / 14.0f;
    float best = start;
    for (int u = -64; u <= 64; ++u) {
      const float a = nudge(start, u);
      if ((1.0f - a) * 14.0f == static_cast<float>(bound)) best = a;
    }
    for (int u = -1; u <= 1; ++u) values.push_back(nudge(best, u));
  }
  return values;
}

// Line parameters equal to the red values: a red-only line from 0 to 1 whose
// mean lies in 0.5..1, so that m + (0 - m) and m + (1 - m) are exact.
std::vector<float> colorBoundValues() {
  std::vector<float> values;
  for (float t : {kIndexThresholdLow, kIndexThresholdHigh, 0.5f}) {
    for (int u = -1; u <= 1; ++u) values.push_back(nudge(t, u));
  }
  return values;
}

// Values v with v * scale exactly k + 0.5 (where such a float exists), with
// their neighbours: the rounding rule's halves for RGB565 and alpha bytes.
std::vector<float> halfwayValues(float scale) {
  std::vector<float> values;
  for (int k = 0; k < static_cast<int>(scale); ++k) {
    const float start = (static_cast<float>(k) + 0.5f) / scale;
    for (int u = -64; u <= 64; ++u) {
      const float v = nudge(start, u);
      if (v * scale == static_cast<float>(k) + 0.5f) {
        for (int n = -1; n <= 1; ++n) values.push_back(nudge(v, n));
        break;
      }
    }
  }
  return values;
}

struct Bounds {
  std::vector<float> alpha = alphaBoundValues(), color = colorBoundValues();
  std::vector<float> half31 = halfwayValues(31.0f), half63 = halfwayValues(63.0f), half255 = halfwayValues(255.0f);
};

float pick(Random& random, const std::vector<float>& values) {
  return values[random.below(static_cast<uint32_t>(values.size()))];
}

struct Level {
  uint32_t w, h;
  std::vector<float> red, green, blue, alpha;
};

// Fills tile b (top-down order) of a level with one kind of block.
void fillBlock(Random& random, Level& level, uint32_t b, const Bounds& bounds) {
  float r[16], g[16], bl[16], a[16];
  const float base[3] = {random.byteUnit(), random.byteUnit(), random.byteUnit()};
  const uint32_t colorKind = random.below(10);
  const uint32_t chosenChannel = random.below(3);
  for (int p = 0; p < 16; ++p) {
    float c[3] = {base[0], base[1], base[2]};
    switch (colorKind) {
      case 0: for (float& v : c) v = random.byteUnit(); break;                       // level-0-like
      case 1: for (float& v : c) v = random.unit(); break;                           // averages-like
      case 2: break;                                                                 // all equal
      case 3: c[chosenChannel] = random.byteUnit(); break;                           // one channel spreads
      case 4: for (uint32_t k = 0; k < 3; ++k) if (k != chosenChannel) c[k] = random.byteUnit(); break;  // two
      case 5: if (p == 7) c[random.below(3)] = nudge(base[p % 3], 1); break;         // equal ends after the fit
      case 6: if (p % 2) { c[0] = 1.0f - c[0]; c[1] = 1.0f - c[1]; c[2] = 1.0f - c[2]; } break;
      case 7: c[0] = p < 8 ? 1.0f : p < 10 ? 0.0f : pick(random, bounds.color); break;  // parameters at the thresholds
      case 8: if (p == 0) {                                                          // all equal, quantiser halves
                c[0] = pick(random, bounds.half31), c[1] = pick(random, bounds.half63), c[2] = pick(random, bounds.half31);
              } else {
                c[0] = r[0], c[1] = g[0], c[2] = bl[0];
              }
              break;
      default: for (float& v : c) v = nudge(v, static_cast<int>(random.below(5)) - 2); break;  // tiny spread
    }
    r[p] = c[0];
    g[p] = c[1];
    bl[p] = c[2];
  }
  const uint32_t alphaKind = random.below(9);
  const float alphaBase = alphaKind == 7 ? pick(random, bounds.half255) : random.byteUnit();
  for (int p = 0; p < 16; ++p) {
    switch (alphaKind) {
      case 0: a[p] = random.byteUnit(); break;
      case 1: a[p] = alphaBase; break;
      case 2: a[p] = 0.0f; break;
      case 3: a[p] = 1.0f; break;
      case 4: a[p] = p % 2 ? 1.0f : 0.0f; break;
      case 5: a[p] = p == 0 ? 0.0f : p == 1 ? 1.0f : pick(random, bounds.alpha); break;
      case 6: a[p] = p == 3 ? nudge(alphaBase, 1) : alphaBase; break;
      case 7: a[p] = p == 5 ? 0.0f : alphaBase; break;  // alpha0 byte at a half
      default: a[p] = random.unit(); break;
    }
  }
  const uint32_t left = 4 * (b % (level.w / 4)), top = 4 * (b / (level.w / 4));
  for (int p = 0; p < 16; ++p) {
    const size_t at = static_cast<size_t>(top + p / 4) * level.w + left + p % 4;  // stored = displayed rows here
    level.red[at] = r[p];
    level.green[at] = g[p];
    level.blue[at] = bl[p];
    level.alpha[at] = a[p];
  }
}

// What the plain path met, so that the test can show every degenerate kind occurred.
struct Coverage {
  long noSpread = 0, equalEndsAfterFit = 0, equalEndpoints = 0, paramAtThreshold = 0;
  long alphasAllEqual = 0, alphasAllZero = 0, alphasAllOne = 0, alphaAtBound = 0, exactHalf = 0;
};

bool isHalf(float v) { return v - std::floor(v) == 0.5f; }

// The plain path block by block (as encodeLevelBlocks), noting degenerate cases.
Bytes plainLevel(const Level& level, bool topLeft, Coverage& seen) {
  std::vector<FloatColor> colors(level.red.size());
  for (size_t i = 0; i < colors.size(); ++i) colors[i] = {level.red[i], level.green[i], level.blue[i]};
  const uint32_t blocks = static_cast<uint32_t>(levelByteCount(level.w, level.h, 8) / 16);
  Bytes out(blocks * 16);
  for (uint32_t b = 0; b < blocks; ++b) {
    FloatColor c[16];
    float a[16];
    gatherBlock(level.w, level.h, topLeft, colors.data(), level.alpha.data(), b, c, a);
    ColorEndpoints ends;
    float params[16], normalized[16];
    AlphaRange range;
    fitColorLine(c, 16, params, ends);
    normalizeAlphas(a, 16, normalized, range);
    writeAlphaBlock(range, normalized, &out[16 * b]);
    writeColorBlock(ends, params, &out[16 * b + 8]);
    bool allSame = true, alphasSame = true;
    for (int p = 1; p < 16; ++p) {
      allSame = allSame && vecEqual(c[p], c[0]);
      alphasSame = alphasSame && a[p] == a[0];
    }
    seen.noSpread += allSame;
    seen.equalEndsAfterFit += !allSame && vecEqual(ends.end0, ends.end1);
    seen.equalEndpoints += !allSame && !vecEqual(ends.end0, ends.end1) && quantizeRgb565(ends.end0) == quantizeRgb565(ends.end1);
    seen.alphasAllEqual += alphasSame;
    seen.alphasAllZero += alphasSame && a[0] == 0.0f;
    seen.alphasAllOne += alphasSame && a[0] == 1.0f;
    seen.exactHalf += isHalf(ends.end0.red * 31.0f) + isHalf(ends.end0.green * 63.0f) + isHalf(range.maxAlpha * 255.0f);
    for (int p = 0; p < 16; ++p) {
      seen.paramAtThreshold += params[p] == kIndexThresholdLow || params[p] == kIndexThresholdHigh || params[p] == 0.5f;
      const float h = (1.0f - normalized[p]) * 14.0f;
      seen.alphaAtBound += h == std::floor(h) && static_cast<int>(h) % 2 == 1;
    }
  }
  return out;
}

Bytes laneLevel(const LaneKernels& kernels, Level& level, bool topLeft, bool withAlpha) {
  const PlanarLevel planes{level.red.data(), level.green.data(), level.blue.data(), withAlpha ? level.alpha.data() : nullptr};
  Bytes out(levelByteCount(level.w, level.h, withAlpha ? 8 : 4));
  kernels.encodePlanarLevel(planes, containerPixelLayout(withAlpha ? kFormatRgba : kFormatRgb), level.w, level.h, topLeft,
                            out.data());
  return out;
}

// Only the ColorBlocks of a format-4 level.
Bytes colorBlocksOf(const Bytes& level) {
  Bytes colors;
  for (size_t at = 8; at < level.size(); at += 16) colors.insert(colors.end(), level.begin() + at, level.begin() + at + 8);
  return colors;
}

#ifdef NDEBUG
constexpr uint32_t kBatches = 256;  // 256 x 4096 = 1,048,576 blocks
#else
constexpr uint32_t kBatches = 16;  // debug and sanitizer builds: 65,536 blocks
#endif

TEST(LanePaths, RandomAndDegenerateBlocksMatchThePlainPath) {
  const Bounds bounds;
  Level level{256, 256, {}, {}, {}, {}};
  for (auto* plane : {&level.red, &level.green, &level.blue, &level.alpha}) plane->resize(256 * 256);
  Random random{0x9E3779B97F4A7C15ull};
  Coverage seen;
  long mismatches = 0;
  for (uint32_t batch = 0; batch < kBatches && mismatches == 0; ++batch) {
    for (uint32_t b = 0; b < 4096; ++b) fillBlock(random, level, b, bounds);
    const bool topLeft = batch % 2 == 0;
    const Bytes expected = plainLevel(level, topLeft, seen);
    for (const LaneKernels* kernels : laneKernelsHere()) {
      const bool withAlpha = batch % 4 != 3;  // every fourth batch as a 24-bit level
      const Bytes got = laneLevel(*kernels, level, topLeft, withAlpha);
      const Bytes want = withAlpha ? expected : colorBlocksOf(expected);
      for (size_t i = 0; i < want.size() && mismatches < 5; ++i) {
        if (got[i] != want[i]) {
          ADD_FAILURE() << kernels->name << " batch " << batch << " block " << i / (withAlpha ? 16 : 8) << " byte " << i % 16;
          ++mismatches;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  const struct {
    const char* kind;
    long count;
  } kinds[] = {{"no spread", seen.noSpread},         {"equal end colours after the fit", seen.equalEndsAfterFit},
               {"equal RGB565 endpoints", seen.equalEndpoints}, {"line parameter at a threshold", seen.paramAtThreshold},
               {"alphas all equal", seen.alphasAllEqual}, {"alphas all 0", seen.alphasAllZero},
               {"alphas all 1", seen.alphasAllOne},     {"alpha index at a bound", seen.alphaAtBound},
               {"rounding of an exact half", seen.exactHalf}};
  for (const auto& kind : kinds) EXPECT_GT(kind.count, 100) << kind.kind;
}

TEST(LanePaths, MipReductionMatchesThePlainPath) {
  Random random{42};
  for (uint32_t w : {4u, 8u, 16u, 64u, 256u}) {
    for (uint32_t h : {4u, 32u}) {
      const size_t n = static_cast<size_t>(w) * h;
      std::vector<FloatColor> colors(n);
      std::vector<float> red(n), green(n), blue(n), alpha(n);
      for (size_t i = 0; i < n; ++i) {
        red[i] = random.unit();
        green[i] = random.byteUnit();
        blue[i] = i % 3 ? random.unit() * 0x1p-30f : 1.0f;  // sums that double rounding would spoil
        alpha[i] = i % 5 ? random.unit() * 0x1p-40f : random.unit();
        colors[i] = {red[i], green[i], blue[i]};
      }
      std::vector<FloatColor> plainColors(n / 4);
      std::vector<float> plainAlphas(n / 4);
      reduceMipLevel(w, h, colors.data(), alpha.data(), plainColors.data(), plainAlphas.data());
      for (const LaneKernels* kernels : laneKernelsHere()) {
        std::vector<float> outRed(n / 4), outGreen(n / 4), outBlue(n / 4), outAlpha(n / 4);
        kernels->reducePlanarLevel(PlanarLevel{red.data(), green.data(), blue.data(), alpha.data()},
                                   containerPixelLayout(kFormatRgba), w, h,
                                   PlanarLevel{outRed.data(), outGreen.data(), outBlue.data(), outAlpha.data()});
        for (size_t i = 0; i < n / 4; ++i) {
          ASSERT_TRUE(std::memcmp(&outRed[i], &plainColors[i].red, 4) == 0 && std::memcmp(&outGreen[i], &plainColors[i].green, 4) == 0 &&
                      std::memcmp(&outBlue[i], &plainColors[i].blue, 4) == 0 && std::memcmp(&outAlpha[i], &plainAlphas[i], 4) == 0)
              << kernels->name << " " << w << "x" << h << " pixel " << i;
        }
      }
    }
  }
}

// Every path against the plain level loop, whole containers: sizes from 4x4
// up, strips, both row orders, both depths, short files, alpha extremes.
TEST(LanePaths, EveryGeneratedImageGivesTheSameContainer) {
  const PixelAt gradient = [](uint32_t x, uint32_t y) {
    return Bgra{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16), static_cast<uint8_t>(x * y), static_cast<uint8_t>(255 - x * 8)};
  };
  const PixelAt noise = [](uint32_t x, uint32_t y) {
    const uint32_t v = (x * 2654435761u) ^ (y * 40503u + 0x9E37u) * 2246822519u;
    return Bgra{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  };
  const PixelAt flat = [](uint32_t, uint32_t) { return Bgra{10, 200, 90, 0}; };
  const PixelAt opaqueStripes = [](uint32_t x, uint32_t y) {
    const uint8_t v = static_cast<uint8_t>((x / 4 + y / 8) % 2 ? 200 : 40);
    return Bgra{v, static_cast<uint8_t>(255 - v), 128, 255};
  };
  struct Image {
    const char* name;
    PixelAt pixel;
  };
  const Image images[] = {{"natural", naturalPixel}, {"gradient", gradient}, {"noise", noise}, {"flat", flat}, {"stripes", opaqueStripes}};
  const struct {
    uint16_t w, h;
  } sizes[] = {{4, 4}, {8, 8}, {16, 4}, {4, 64}, {64, 64}, {128, 32}, {256, 8}, {2, 2}, {256, 2}, {8, 2}, {2, 4}, {4, 2}, {2, 16}, {32, 2}, {1024, 1024}};
  std::vector<Bytes> sources;
  std::vector<std::string> names;
  for (const Image& image : images) {
    for (const auto& size : sizes) {
      if (size.w == 1024 && std::string(image.name) != "noise" && std::string(image.name) != "natural") continue;
      for (uint8_t depth : {24, 32}) {
        for (bool topDown : {false, true}) {
          sources.push_back(makeTga(size.w, size.h, depth, topDown, image.pixel));
          names.push_back(std::string(image.name) + " " + std::to_string(size.w) + "x" + std::to_string(size.h) + " " +
                          std::to_string(depth) + (topDown ? " top-down" : " bottom-up"));
        }
      }
    }
  }
  Bytes shortSource = makeTga(32, 32, 32, false, naturalPixel);
  shortSource.resize(shortSource.size() - 1000);  // missing bytes count as 0
  sources.push_back(shortSource);
  names.push_back("short 32x32");
  for (size_t i = 0; i < sources.size(); ++i) {
    const Bytes plain = referenceContainer(sources[i]);
    for (SimdPath path : simdPathsHere()) {
      Bytes container;
      ASSERT_TRUE(encodeThroughTool(sources[i].data(), sources[i].size(), container, false, path)) << names[i];
      EXPECT_TRUE(container == plain) << names[i] << " on " << simdPathName(path);
    }
  }
}

// The fast mean alpha against the reader's pixel-by-pixel sum.
TEST(LanePaths, MeanAlphaMatchesThePixelByPixelSum) {
  Random random{7};
  const struct {
    const char* name;
    size_t pixels;
    int pattern;  // -1 random, -2 random runs of one value, else that byte
  } cases[] = {{"random", 1 << 20, -1}, {"runs", 1 << 20, -2}, {"all 255 past 2^22", (1 << 22) + 4096, 255},
               {"all 255 past a sum of 2^24", (1 << 24) + (1 << 20), 255},
               {"all 128", 300000, 128}, {"all 1", 100000, 1}, {"all 0", 4096, 0}, {"one pixel", 1, 200}};
  for (const auto& c : cases) {
    Bytes pixels(c.pixels * 4);
    uint8_t run = 0;
    for (size_t i = 0; i < c.pixels; ++i) {
      if (i % 997 == 0) run = static_cast<uint8_t>(random.next());
      pixels[4 * i + 3] = static_cast<uint8_t>(c.pattern == -1 ? random.next() : c.pattern == -2 ? run : c.pattern);
    }
    float sum = 0.0f;
    for (size_t i = 0; i < c.pixels; ++i) sum = addAlphaToSum(sum, pixels[4 * i + 3]);
    const float expected = sum / static_cast<float>(c.pixels);
    AlphaSum total;
    addAlphas(total, pixels.data(), c.pixels);
    const float got = meanAlphaOf(total, c.pixels, 4);
    EXPECT_EQ(std::memcmp(&got, &expected, 4), 0) << c.name << ": " << got << " vs " << expected;
  }
  // 24-bit: the float sum of ones stops at 2^24.
  for (size_t n : {size_t{1}, size_t{1} << 20, size_t{1} << 24, size_t{1} << 25}) {
    float ones = 0.0f;
    for (size_t i = 0; i < n; ++i) ones += 1.0f;
    EXPECT_EQ(meanAlphaOf(AlphaSum{}, n, 3), ones / static_cast<float>(n)) << n;
  }
}

TEST(LanePaths, SettingCapsThePath) {
  const struct {
    const char* setting;
    SimdPath best, chosen;
  } cases[] = {
      {nullptr, SimdPath::Avx2, SimdPath::Avx2},  {"plain", SimdPath::Avx2, SimdPath::Plain},
      {"sse2", SimdPath::Avx2, SimdPath::Sse2},   {"avx2", SimdPath::Sse2, SimdPath::Sse2},
      {"avx2", SimdPath::Plain, SimdPath::Plain}, {"AVX2", SimdPath::Avx2, SimdPath::Avx2},
      {"", SimdPath::Sse2, SimdPath::Sse2},       {"plain", SimdPath::Plain, SimdPath::Plain},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(simdPathFromSetting(c.setting, c.best), c.chosen) << (c.setting ? c.setting : "(unset)");
  }
  EXPECT_EQ(laneKernelsFor(SimdPath::Plain), &scalarLaneKernels());
#if defined(__x86_64__) || defined(__i386__)
  // The codec's own processor check against the compiler's table (a build
  // without vector paths always says plain).
  if (bestSimdPath() != SimdPath::Plain) {
    EXPECT_EQ(bestSimdPath() == SimdPath::Avx2, __builtin_cpu_supports("avx2") != 0);
  }
#endif
  // Which paths the tests above compared on this machine, for the log.
  std::string here;
  for (SimdPath path : simdPathsHere()) here += std::string(" ") + simdPathName(path);
  std::cout << "encode paths on this processor:" << here << std::endl;
}

}  // namespace

// What the encoder reported final of level 0, copied at the moment it was
// reported, and how often each byte was reported.
struct ReportedLevelZero {
  std::mutex lock;
  Bytes copy;
  std::vector<int> reports;
};

void copyReported(void* context, const uint8_t* levelZero, size_t offset, size_t size) {
  auto* reported = static_cast<ReportedLevelZero*>(context);
  std::lock_guard<std::mutex> guard(reported->lock);
  if (reported->copy.size() < offset + size) {
    reported->copy.resize(offset + size);
    reported->reports.resize(offset + size);
  }
  std::copy(levelZero + offset, levelZero + offset + size, reported->copy.begin() + static_cast<ptrdiff_t>(offset));
  for (size_t i = offset; i < offset + size; ++i) ++reported->reports[i];
}

// A large source spread over threads gives the container of one thread, on
// every path: 24 and 32 bits, both row orders, a source of one short chunk, more
// threads than cores. With threads, every byte of level 0 is reported final
// once, already holding its last value.
TEST(LanePaths, ThreadsGiveTheContainerOfOneThread) {
  const struct {
    uint16_t w, h;
    uint8_t depth;
    bool topDown;
  } sources[] = {{1024, 1024, 32, false}, {1024, 1024, 24, true}, {2048, 512, 32, true}, {8192, 128, 32, false}};
  for (const auto& s : sources) {
    const Bytes tga = makeTga(s.w, s.h, s.depth, s.topDown, naturalPixel);
    for (SimdPath path : simdPathsHere()) {
      const std::string where = std::to_string(s.w) + "x" + std::to_string(s.h) + " " + std::to_string(s.depth) +
                                " on " + simdPathName(path);
      Bytes alone;
      for (unsigned threads : {1u, 2u, 7u}) {
        SCOPED_TRACE(where + ", threads " + std::to_string(threads));
        MemoryBytes memory{tga.data(), tga.size()};
        EncodedTexture texture;
        ReportedLevelZero reported;
        const LevelZeroProgress progress{copyReported, &reported};
        ASSERT_EQ(encodeTgaSource(memoryByteSource(memory), *laneKernelsFor(path), texture, threads, &progress).status,
                  EncodeStatus::Encoded);
        const size_t levelZeroBytes = levelByteCount(s.w, s.h, static_cast<uint64_t>(bitsPerPixel(texture.header.format)));
        const Bytes levelZero(texture.levels[0].bytes.get(), texture.levels[0].bytes.get() + levelZeroBytes);
        if (threads == 1) {
          EXPECT_TRUE(reported.copy.empty());
        } else {
          EXPECT_TRUE(reported.copy == levelZero);
          EXPECT_TRUE(std::all_of(reported.reports.begin(), reported.reports.end(), [](int n) { return n == 1; }));
        }
        const Bytes container = containerBytes(texture);
        if (threads == 1) alone = container;
        else EXPECT_TRUE(container == alone);
      }
    }
  }
}
