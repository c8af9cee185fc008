// Decoder speed: a 2048x2048 container with random blocks, decoded to TGA
// files, against writing the same TGA bytes with fwrite alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <vector>

#include "natural_source.h"
#include "shared/container.h"
#include "decode/decode_kernels.h"
#include "tool/commands.h"

namespace {

constexpr uint32_t kSide = 2048;

std::vector<uint8_t> randomContainer(int32_t format) {
  TextureHeader header;
  header.width = header.height = static_cast<int32_t>(kSide);
  header.format = format;
  std::vector<uint8_t> bytes(kTextureHeaderSize);
  packTextureHeader(header, bytes.data());
  uint64_t size = 0;
  for (LevelSize level{kSide, kSide};; level = nextLevel(level)) {
    size += levelByteCount(level.w, level.h, static_cast<uint64_t>(bitsPerPixel(format)));
    if (isLastLevel(level)) break;
  }
  std::mt19937 random(42);
  for (uint64_t i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(random()));
  return bytes;
}

std::string scratchBase() {
  const auto dir = std::filesystem::temp_directory_path() / "tessark-bench";
  std::filesystem::create_directories(dir);
  return (dir / "level").string();
}

void decodeWholeContainer(benchmark::State& state) {
  const int32_t format = static_cast<int32_t>(state.range(0));
  const std::vector<uint8_t> container = randomContainer(format);
  const std::string base = scratchBase();
  for (auto _ : state) decodeContainerBytes(container.data(), container.size(), base, bestSimdPath());
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

// The floor: the same TGA files, already in memory, written with fwrite.
void fwriteSameTgaBytes(benchmark::State& state) {
  const int32_t bpp = bitsPerPixel(static_cast<int32_t>(state.range(0)));
  std::vector<std::vector<uint8_t>> files;
  for (LevelSize level{kSide, kSide};; level = nextLevel(level)) {
    files.emplace_back(bench::tgaFileSize(level.w, level.h, bpp), uint8_t{0x5A});
    if (isLastLevel(level)) break;
  }
  const std::string base = scratchBase();
  for (auto _ : state) {
    for (size_t i = 0; i < files.size(); ++i) {
      FILE* out = fopen((base + std::to_string(i) + ".tga").c_str(), "wb");
      fwrite(files[i].data(), 1, files[i].size(), out);
      fclose(out);
    }
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

// Level 0 through one path's tile-row kernel into TGA pixel bytes in memory.
void decodeTileRowKernel(benchmark::State& state, SimdPath path) {
  const int32_t format = static_cast<int32_t>(state.range(0));
  if (path > bestSimdPath()) {
    state.SkipWithError("this processor lacks the path");
    return;
  }
  const PixelLayout layout = containerPixelLayout(format);
  const std::vector<uint8_t> container = randomContainer(format);
  const size_t rowBytes = kSide * layout.tgaBytesPerPixel;
  std::vector<uint8_t> pixels(rowBytes * kSide);
  const TileRowDecoder decode = tileRowDecoderFor(path);
  for (auto _ : state) {
    for (uint32_t by = 0; by < kSide / 4; ++by) {
      decode(kSide, layout, container.data() + kTextureHeaderSize + by * tileRowBytes(layout, kSide),
             pixels.data() + 4 * by * rowBytes, rowBytes);
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

BENCHMARK(decodeWholeContainer)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(fwriteSameTgaBytes)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeTileRowKernel, plain, SimdPath::Plain)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeTileRowKernel, avx2, SimdPath::Avx2)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The decoder prints its progress to stdout; the results go to stderr.
  if (!freopen("/dev/null", "w", stdout)) return 1;
  benchmark::ConsoleReporter reporter;
  reporter.SetOutputStream(&std::cerr);
  reporter.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
