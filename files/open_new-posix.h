// POSIX only: the one exclusive create every new file of ours goes through.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

// A new file `name` in the folder `folderFd`, open for writing (never over
// an existing entry, never through a link, closed in every child); -1 with
// errno set when it cannot be made.
inline int openNewFileAt(int folderFd, const char* name, mode_t mode) {
  return openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
}
