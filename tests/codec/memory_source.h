// The encoder's byte source over bytes in memory, as tests, benchmarks and
// fuzz targets build it; Tessark builds the same source over a file.
#pragma once

#include <cstring>
#include <vector>

#include "encode/encoder.h"

struct MemoryBytes {
  const uint8_t* bytes;
  size_t size;
  size_t offset = 0;
};

inline bool readMemoryBytes(void* context, uint8_t* out, size_t size, size_t& got) {
  auto* memory = static_cast<MemoryBytes*>(context);
  const size_t left = memory->size - memory->offset;
  got = size < left ? size : left;
  if (got > 0) std::memcpy(out, memory->bytes + memory->offset, got);
  memory->offset += got;
  return true;
}

inline ByteSource memoryByteSource(MemoryBytes& memory) { return ByteSource{readMemoryBytes, &memory}; }

inline bool appendToBytes(void* context, uint64_t offset, const uint8_t* bytes, size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  if (offset != out->size()) return false;
  out->insert(out->end(), bytes, bytes + size);
  return true;
}

// The whole container of an encoded texture.
inline std::vector<uint8_t> containerBytes(EncodedTexture& texture) {
  std::vector<uint8_t> container;
  writeContainer(texture, LevelZeroBytes::WithTheRest, ContainerSink{appendToBytes, nullptr, &container});
  return container;
}

// A whole TGA file in memory encoded on one path into a whole container;
// false when the source is rejected.
inline bool encodeInMemory(const uint8_t* tga, size_t size, SimdPath path, std::vector<uint8_t>& container) {
  MemoryBytes memory{tga, size};
  EncodedTexture texture;
  if (encodeTgaSource(memoryByteSource(memory), *laneKernelsFor(path), texture).status != EncodeStatus::Encoded) {
    return false;
  }
  container = containerBytes(texture);
  return true;
}
