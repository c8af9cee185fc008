// The encoder: a 24/32-bit TGA source, read once from a byte source, becomes
// every level of its container. Each tile row of level 0 is encoded as it
// arrives and reduced into a four-row window of level 1, whose tile rows are
// encoded and reduced in turn as their windows fill, and so on down the
// chain; from the first level with a side below 4 on, the levels are held
// whole (they are tiny). Every level goes through the same lane kernels, so
// the pixels pass through the cache once and a 32-bit source needs little
// more memory than its container. No file, no console: the caller supplies
// the bytes and takes the levels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "encode/lane_kernels.h"
#include "shared/container.h"
#include "shared/tga_header.h"

// A source's bytes in order. read fills `out` with up to `size` bytes and
// sets `got` to how many it holds, fewer only at the end of the source;
// false on a read error.
struct ByteSource {
  bool (*read)(void* context, uint8_t* out, size_t size, size_t& got);
  void* context;
};

struct EncodedLevel {
  LevelSize size;
  std::unique_ptr<uint8_t[]> bytes;  // levelByteCount bytes
};

struct EncodedTexture {
  TextureHeader header;
  std::vector<EncodedLevel> levels;  // level 0 first
};

enum class EncodeStatus { Encoded, SourceTooShort, HeaderRejected, ReadFailed, OutOfMemory };

struct EncodeResult {
  EncodeStatus status = EncodeStatus::Encoded;
  size_t headerBytes = 0;                                 // SourceTooShort: what the source held
  TgaHeaderProblem problem = TgaHeaderProblem::None;      // HeaderRejected
  uint32_t width = 0, height = 0;                         // OutOfMemory: the source's sides
};

// Sources of at least this many pixels spread their level 0 over the
// threads they are given; smaller ones gain nothing from it.
constexpr uint64_t kThreadedSourcePixels = 1024 * 1024;

// Told each time a stretch of level 0's bytes is final, so that the caller
// may store it while the rest is being encoded: `levelZero` holds level 0,
// and [offset, offset + size) of it will not change again. Called from the
// encoding threads, possibly several at once, each byte once, and only for
// a large source encoded by more than one thread.
struct LevelZeroProgress {
  void (*ready)(void* context, const uint8_t* levelZero, size_t offset, size_t size);
  void* context;
};

// Reads the header, the image ID and the pixels (bytes the source does not
// hold count as 0) and encodes every level with the kernels. Level 0 of a
// large source is encoded by up to `threads` threads; the bytes are the same
// for every count.
EncodeResult encodeTgaSource(const ByteSource& source, const LaneKernels& kernels, EncodedTexture& texture,
                             unsigned threads = 1, const LevelZeroProgress* progress = nullptr);

// Where a container goes: levelStarted (may be null) is told each level's
// number and size before its bytes are written; write stores bytes at
// `offset` from the container's start (every call continues where the one
// before ended, but for a level left out) and returns false when they could
// not be stored.
struct ContainerSink {
  bool (*write)(void* context, uint64_t offset, const uint8_t* bytes, size_t size);
  void (*levelStarted)(void* context, int number, LevelSize size);
  void* context;
};

// Level 0 goes to the sink with the rest, or is in place already (the
// caller stored every stretch LevelZeroProgress reported): then the sink is
// told the level started but never sees its bytes.
enum class LevelZeroBytes { WithTheRest, InPlace };

// The header, then every level, each level released once written. False as
// soon as the sink refuses bytes.
bool writeContainer(EncodedTexture& texture, LevelZeroBytes levelZero, const ContainerSink& sink);
