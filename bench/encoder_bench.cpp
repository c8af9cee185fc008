// Encoder speed: whole 2048x2048 encodes with their full mip chain on each
// path, and the plain block encoders and mip reduction alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "encode/block_encode.h"
#include "simd_path.h"
#include "encode/encoder.h"
#include "encode/mip.h"
#include "natural_source.h"
#include "encode/tga_source.h"

namespace {

using bench::lattice;
using bench::naturalTga;

constexpr uint32_t kSide = 2048;

// The whole chain in memory (TGA bytes to container bytes) on one path.
void encodeWholeChain(benchmark::State& state, uint8_t depth, SimdPath path) {
  if (path > bestSimdPath()) {
    state.SkipWithError("this processor lacks the path");
    return;
  }
  const std::vector<uint8_t> tga = naturalTga(kSide, depth);
  std::vector<uint8_t> container;
  for (auto _ : state) {
    encodeTgaBytes(tga.data(), tga.size(), container, false, path);
    benchmark::DoNotOptimize(container.data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(kSide) * kSide * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(container.size());
}

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

BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_32bit_plain, 32, SimdPath::Plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_32bit_sse2, 32, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_32bit_avx2, 32, SimdPath::Avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_24bit_plain, 24, SimdPath::Plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_24bit_sse2, 24, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_24bit_avx2, 24, SimdPath::Avx2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitColorLineAndWriteColorBlock);
BENCHMARK(BM_NormalizeAlphasAndWriteAlphaBlock);
BENCHMARK(BM_ReduceMipLevel2048)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
