#include "files/positioned_write.h"

#include <unistd.h>

#include <cerrno>

bool writeFileAt(FILE* stream, uint64_t offset, const uint8_t* bytes, size_t size) {
  const int fd = fileno(stream);
  while (size > 0) {
    const ssize_t wrote = pwrite(fd, bytes, size, static_cast<off_t>(offset));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes += wrote;
    size -= static_cast<size_t>(wrote);
    offset += static_cast<uint64_t>(wrote);
  }
  return true;
}
