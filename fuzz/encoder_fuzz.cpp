// Feeds arbitrary bytes to the TGA reader and encoder as a source, on every
// path this processor has, and stops at the first input whose outcome or
// container differs from the plain path's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "memory_source.h"
#include "shared/byte_order.h"
#include "shared/simd_path.h"

// Larger sources only repeat the same tile rows and slow the search down.
constexpr uint32_t kMaxPixels = 1u << 16;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!freopen("/dev/null", "w", stdout)) std::abort();  // the reader's messages
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= kTgaHeaderSize && static_cast<uint32_t>(readLe16(data + 12)) * readLe16(data + 14) > kMaxPixels) return 0;
  std::vector<uint8_t> plain;
  const bool plainEncoded = encodeInMemory(data, size, SimdPath::Plain, plain);
  for (SimdPath path : {SimdPath::Sse2, SimdPath::Avx2}) {
    if (path > bestSimdPath()) continue;
    std::vector<uint8_t> container;
    const bool encoded = encodeInMemory(data, size, path, container);
    if (encoded != plainEncoded || container != plain) {
      fprintf(stderr, "the %s path differs from the plain path\n", simdPathName(path));
      std::abort();
    }
  }
  return 0;
}
