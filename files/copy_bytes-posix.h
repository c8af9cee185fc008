// POSIX only: copying a file's bytes between descriptors.
#pragma once

#include <unistd.h>

#include <cerrno>

// Copies everything `in` holds from its position on to `out`; false on a
// read or write error (a full disk among them).
inline bool copyBytes(int in, int out) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}
