// Encoder speed: whole 2048x2048 encodes with their full mip chain, and the
// block encoders and the mip reduction alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "block_encode.h"
#include "encoder.h"
#include "mip.h"
#include "tga_source.h"

namespace {

constexpr uint32_t kSide = 2048;

// Smooth value noise in three octaves plus grain: large soft shapes with
// fine detail, like a photographed surface. Integer arithmetic only.
uint32_t lattice(uint32_t x, uint32_t y) {
  uint32_t h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return (h ^ (h >> 16)) & 255u;
}

uint32_t valueNoise(uint32_t x, uint32_t y, uint32_t cell) {
  const uint32_t cx = x / cell, cy = y / cell, fx = x % cell, fy = y % cell;
  const uint32_t top = lattice(cx, cy) * (cell - fx) + lattice(cx + 1, cy) * fx;
  const uint32_t bottom = lattice(cx, cy + 1) * (cell - fx) + lattice(cx + 1, cy + 1) * fx;
  return (top * (cell - fy) + bottom * fy) / (cell * cell);
}

uint8_t clampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

std::vector<uint8_t> naturalTga(uint32_t side, uint8_t depth) {
  std::vector<uint8_t> tga(18, 0);
  tga[2] = 2;
  tga[12] = tga[14] = static_cast<uint8_t>(side);
  tga[13] = tga[15] = static_cast<uint8_t>(side >> 8);
  tga[16] = depth;
  tga[17] = 0x20;
  for (uint32_t y = 0; y < side; ++y) {
    for (uint32_t x = 0; x < side; ++x) {
      const int shade = static_cast<int>(valueNoise(x, y, 64) / 2 + valueNoise(x, y, 16) / 3 +
                                         valueNoise(x, y, 4) / 6 + lattice(x, y) / 32);
      tga.insert(tga.end(), {clampByte(shade - 30), clampByte(shade), clampByte(shade + 20)});
      if (depth == 32) tga.push_back(clampByte(static_cast<int>(valueNoise(x + 7, y, 32))));
    }
  }
  return tga;
}

void encodeWholeChain(benchmark::State& state, uint8_t depth) {
  const std::vector<uint8_t> tga = naturalTga(kSide, depth);
  std::vector<uint8_t> container;
  for (auto _ : state) {
    encodeTgaBytes(tga.data(), tga.size(), container, false);
    benchmark::DoNotOptimize(container.data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(kSide) * kSide * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(container.size());
}

void BM_Encode2048x2048_32bit(benchmark::State& state) { encodeWholeChain(state, 32); }
void BM_Encode2048x2048_24bit(benchmark::State& state) { encodeWholeChain(state, 24); }

// Level 0 of the 32-bit source as the encoder sees it.
const SourceImage& levelZero() {
  static const SourceImage image = [] {
    const std::vector<uint8_t> tga = naturalTga(512, 32);
    const TgaHeader header = parseTgaHeader(tga.data());
    SourceImage converted;
    convertSourcePixels(header, tga.data() + 18, tga.size() - 18, converted);
    return converted;
  }();
  return image;
}

// Runs one block encoder over the blocks of levelZero() in turn.
void benchmarkBlocks(benchmark::State& state, void (*encode)(const FloatColor*, const float*, uint8_t*)) {
  const SourceImage& image = levelZero();
  const uint32_t blocks = levelBlockCount(image.width, image.height);
  uint8_t out[8];
  uint32_t b = 0;
  for (auto _ : state) {
    FloatColor colors[kBlockPixels];
    float alphas[kBlockPixels];
    gatherBlock(image.width, image.height, true, image.colors.data(), image.alphas.data(), b, colors, alphas);
    encode(colors, alphas, out);
    benchmark::DoNotOptimize(out);
    b = b + 1 == blocks ? 0 : b + 1;
  }
  state.SetItemsProcessed(state.iterations());  // blocks
}

void BM_FitColorLineAndWriteColorBlock(benchmark::State& state) {
  benchmarkBlocks(state, [](const FloatColor* colors, const float*, uint8_t* out) {
    float params[kBlockPixels];
    ColorEndpoints endpoints;
    fitColorLine(colors, kBlockPixels, params, endpoints);
    writeColorBlock(endpoints, params, out);
  });
}

void BM_NormalizeAlphasAndWriteAlphaBlock(benchmark::State& state) {
  benchmarkBlocks(state, [](const FloatColor*, const float* alphas, uint8_t* out) {
    float normalized[kBlockPixels];
    AlphaRange range;
    normalizeAlphas(alphas, kBlockPixels, normalized, range);
    writeAlphaBlock(range, normalized, out);
  });
}

void BM_ReduceMipLevel2048(benchmark::State& state) {
  std::vector<FloatColor> colors(static_cast<size_t>(kSide) * kSide);
  std::vector<float> alphas(colors.size());
  for (size_t i = 0; i < colors.size(); ++i) {
    const float v = static_cast<float>(lattice(static_cast<uint32_t>(i % kSide), static_cast<uint32_t>(i / kSide))) * kByteToUnit;
    colors[i] = {v, v * 0.5f, 1.0f - v};
    alphas[i] = v;
  }
  std::vector<FloatColor> nextColors(colors.size() / 4);
  std::vector<float> nextAlphas(colors.size() / 4);
  for (auto _ : state) {
    reduceMipLevel(kSide, kSide, colors.data(), alphas.data(), nextColors.data(), nextAlphas.data());
    benchmark::DoNotOptimize(nextColors.data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(kSide) * kSide * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_Encode2048x2048_32bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode2048x2048_24bit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitColorLineAndWriteColorBlock);
BENCHMARK(BM_NormalizeAlphasAndWriteAlphaBlock);
BENCHMARK(BM_ReduceMipLevel2048)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
