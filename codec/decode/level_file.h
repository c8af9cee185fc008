// One decoded level into a TGA file of its own, kept only once complete;
// both decoders (our containers and standard DDS) write their levels so.
#pragma once

#include <new>

#include "decode/decoder.h"

// Opens level `number`'s file, lets stream() write it (false when a write
// failed; it throws std::bad_alloc when its buffer cannot grow), then keeps
// the file or drops it.
template <class Stream>
DecodeStatus writeLevelFile(const TgaFileSink& sink, int number, Stream stream) {
  if (!sink.open(sink.context, number)) return DecodeStatus::NotCreated;
  bool written = false;
  try {
    written = stream();
  } catch (const std::bad_alloc&) {
    sink.close(sink.context, false);
    return DecodeStatus::OutOfMemory;
  }
  if (!written) {
    sink.close(sink.context, false);
    return DecodeStatus::NotWritten;
  }
  return sink.close(sink.context, true) ? DecodeStatus::Decoded : DecodeStatus::NotWritten;
}
