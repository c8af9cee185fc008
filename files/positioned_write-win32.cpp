#include "files/positioned_write.h"

#include <io.h>
#include <windows.h>

#include <algorithm>

bool writeFileAt(FILE* stream, uint64_t offset, const uint8_t* bytes, size_t size) {
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (file == INVALID_HANDLE_VALUE) return false;
  while (size > 0) {
    // The offset travels in the OVERLAPPED of a handle opened for plain
    // (synchronous) writing.
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD wrote = 0;
    if (!WriteFile(file, bytes, chunk, &wrote, &at) || wrote == 0) return false;
    bytes += wrote;
    size -= wrote;
    offset += wrote;
  }
  return true;
}
