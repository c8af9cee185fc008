// Feeds arbitrary bytes to the decoder's core as a container, on every
// vector path this processor has, its level files kept in memory: the same
// levels must come out of every path.
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "decode/decoder.h"
#include "decode/memory_sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LevelFilesInMemory plain;
  const DecodeResult expected = decodeContainer(data, size, SimdPath::Plain, memoryTgaFileSink(plain));
  for (SimdPath path : {SimdPath::Sse2, SimdPath::Avx2}) {
    if (path > bestSimdPath()) break;
    LevelFilesInMemory levels;
    const DecodeResult result = decodeContainer(data, size, path, memoryTgaFileSink(levels));
    if (result.status != expected.status || levels.files != plain.files) std::abort();
  }
  return 0;
}
