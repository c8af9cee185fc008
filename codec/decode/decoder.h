// Decoder: the bytes of a compressed texture container become one TGA file
// per mip level, streamed to a sink a few tile rows at a time. No file, no
// console: the caller supplies the bytes and stores the files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shared/container.h"
#include "shared/simd_path.h"

// Where the level files go, and the decoder's progress. headerRead is told
// the header once it is read; levelStarted each level's number before its
// file is opened. open starts level `number`'s file, write appends to it,
// close(complete) keeps it (true) or drops it (false); each returns false
// when it failed.
struct TgaFileSink {
  void (*headerRead)(void* context, const TextureHeader& header);
  void (*levelStarted)(void* context, int number);
  bool (*open)(void* context, int number);
  bool (*write)(void* context, const uint8_t* bytes, size_t size);
  bool (*close)(void* context, bool complete);
  void* context;
};

enum class DecodeStatus {
  Decoded,            // trailingOffset: where the bytes after the last level start
  TooShort,           // no whole header
  UnsupportedFormat,  // header.format is neither 3 nor 4
  TooLarge,           // a side beyond what a TGA file can hold
  Truncated,          // level `level` needs `needed` bytes, `remaining` remain
  OutOfMemory,        // for level `level` of size `size`
  NotCreated,         // level `level`'s file could not be opened
  NotWritten,         // level `level`'s file could not be written or kept
};

struct DecodeResult {
  DecodeStatus status = DecodeStatus::Decoded;
  TextureHeader header;
  int level = 0;
  LevelSize size{0, 0};
  uint64_t needed = 0;
  size_t remaining = 0;
  size_t trailingOffset = 0;
};

// The path picks the tile-row kernel; every path gives the same bytes.
DecodeResult decodeContainer(const uint8_t* data, size_t size, SimdPath path, const TgaFileSink& sink);
