// Feeds arbitrary bytes to the reader of the TGA kinds beyond the plain one
// (colour-mapped, 15/16-bit, grey, run-length packed) and encodes what it
// makes; the plain TGA it makes must read the same in pieces of any size
// as in one go.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "memory_source.h"
#include "sources/tga_kinds.h"

// Larger sources only repeat the same work and slow the search down.
constexpr uint32_t kMaxPixels = 1u << 16;

namespace {

// The whole plain TGA the reader makes of `data`, read `piece` bytes at a time.
bool plainOf(const uint8_t* data, size_t size, size_t piece, std::vector<uint8_t>& plain) {
  const TgaHeader header = parseTgaHeader(data);
  MemoryBytes rest{data + kTgaHeaderSize, size - kTgaHeaderSize};
  TgaKindReader reader;
  if (!startTgaKindReader(reader, memoryByteSource(rest), header)) return false;
  PlainTgaStream stream;
  startPlainTgaStream(stream, tgaKindPixels(reader), header.width, header.height, reader.withAlpha,
                      (header.descriptor & kTgaTopLeftOrigin) != 0);
  const ByteSource source = plainTgaByteSource(stream);
  plain.clear();
  for (;;) {
    uint8_t buffer[4096];
    size_t got = 0;
    if (!source.read(source.context, buffer, piece, got)) return false;
    plain.insert(plain.end(), buffer, buffer + got);
    if (got < piece) return true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kTgaHeaderSize + 1) return 0;
  const TgaHeader header = parseTgaHeader(data);
  if (isPlainTga(header) || tgaKindProblem(header) != TgaHeaderProblem::None) return 0;
  if (static_cast<uint32_t>(header.width) * header.height > kMaxPixels) return 0;
  std::vector<uint8_t> whole, pieces, container;
  const bool read = plainOf(data, size - 1, 4096, whole);
  if (plainOf(data, size - 1, 1 + data[size - 1] % 13, pieces) != read || pieces != whole) std::abort();
  if (read && !encodeInMemory(whole.data(), whole.size(), SimdPath::Plain, container)) std::abort();
  return 0;
}
