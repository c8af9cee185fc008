#include "tool/input_file.h"

#include <new>

#include "files/stream_read.h"

bool readWholeFile(FILE* in, uint64_t size, std::vector<uint8_t>& data) {
  if (static_cast<uint64_t>(static_cast<size_t>(size)) != size) return false;
  try {
    data.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t got = 0;
  const bool read = readStream(in, data.data(), data.size(), got);
  data.resize(got);
  return read;
}

static bool readFromFile(void* context, uint8_t* out, size_t size, size_t& got) {
  return readStream(static_cast<FILE*>(context), out, size, got);
}

ByteSource fileByteSource(FILE* in) { return ByteSource{readFromFile, in}; }
