#include "files/stream_read.h"

#include "files/file_faults.h"

bool readStream(FILE* in, uint8_t* out, size_t size, size_t& got) {
  const uint64_t allowed = bytesBeforeReadFault();
  const size_t asked = allowed < size ? static_cast<size_t>(allowed) : size;
  got = fread(out, 1, asked, in);
  countBytesRead(got);
  if (ferror(in)) return false;
  // A planted fault: the file had more to give than the reads allowed.
  return got == size || got < asked;
}
