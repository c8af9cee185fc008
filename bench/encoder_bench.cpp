// Encoder speed: whole 2048x2048 encodes with their full mip chain on each
// path, from a source in memory.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "memory_source.h"
#include "natural_source.h"
#include "shared/simd_path.h"

namespace {

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
    encodeInMemory(tga.data(), tga.size(), path, container);
    benchmark::DoNotOptimize(container.data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(kSide) * kSide * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(container.size());
}

}  // namespace

BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_32bit_plain, 32, SimdPath::Plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_32bit_sse2, 32, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_32bit_avx2, 32, SimdPath::Avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_24bit_plain, 24, SimdPath::Plain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_24bit_sse2, 24, SimdPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encodeWholeChain, 2048x2048_24bit_avx2, 24, SimdPath::Avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
