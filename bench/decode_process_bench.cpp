// Whole-process decode against its floor, in the same run: `Tessark -d` on
// a container (process start, reading, decoding, writing every level's TGA
// file), and writing the very same TGA bytes to the same files with fwrite.
// The container is the file named by TESSARK_BENCH_CONTAINER, or else a
// 2048x2048 32-bit natural-looking source encoded here. Run with
// --benchmark_repetitions=5 for medians. The decode runs through
// std::system, so its figure also carries a shell start.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "natural_source.h"
#include "memory_source.h"

namespace {

namespace fs = std::filesystem;

struct DecodeFixture {
  fs::path dir;
  std::string command;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> levelFiles;  // what one decode writes
};

std::vector<uint8_t> readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeWhole(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

const DecodeFixture& fixture() {
  static const DecodeFixture made = [] {
    DecodeFixture f;
    f.dir = fs::temp_directory_path() / "tessark-decode-bench";
    fs::remove_all(f.dir);
    fs::create_directories(f.dir);
    const char* given = std::getenv("TESSARK_BENCH_CONTAINER");
    std::vector<uint8_t> container;
    if (given) {
      container = readWhole(given);
    } else {
      const std::vector<uint8_t> tga = bench::naturalTga(2048, 32);
      encodeInMemory(tga.data(), tga.size(), bestSimdPath(), container);
    }
    writeWhole(f.dir / "image.dds", container);
    f.command = "cd \"" + f.dir.string() + "\" && \"" + TESSARK_BINARY + "\" -d image.dds > /dev/null";
    if (std::system(f.command.c_str()) != 0) std::abort();
    for (int level = 0; fs::exists(f.dir / ("image" + std::to_string(level) + ".tga")); ++level) {
      const fs::path path = f.dir / ("image" + std::to_string(level) + ".tga");
      f.levelFiles.emplace_back(path.string(), readWhole(path));
    }
    return f;
  }();
  return made;
}

// Argument 0: each run replaces the files of the run before, as decoding
// the same container again does (both sides truncate and rewrite).
// Argument 1: the files are removed before each run (untimed). The in-process
// fwrite then refills page-cache pages just freed and still in the processor
// cache, which a new process that has read and decoded first cannot match.
void prepareLevelFiles(benchmark::State& state, const DecodeFixture& f) {
  if (state.range(0) == 0) return;
  state.PauseTiming();
  for (const auto& file : f.levelFiles) fs::remove(file.first);
  state.ResumeTiming();
}

void decodeWholeProcess(benchmark::State& state) {
  const DecodeFixture& f = fixture();
  for (auto _ : state) {
    prepareLevelFiles(state, f);
    if (std::system(f.command.c_str()) != 0) state.SkipWithError("Tessark failed");
  }
}

void fwriteSameTgaFiles(benchmark::State& state) {
  const DecodeFixture& f = fixture();
  size_t bytes = 0;
  for (auto _ : state) {
    prepareLevelFiles(state, f);
    for (const auto& [name, contents] : f.levelFiles) {
      FILE* out = std::fopen(name.c_str(), "wb");
      std::fwrite(contents.data(), 1, contents.size(), out);
      std::fclose(out);
      bytes += contents.size();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

BENCHMARK(decodeWholeProcess)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(fwriteSameTgaFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
