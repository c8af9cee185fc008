// POSIX only: what a refused link says about the file system.
#pragma once

#include <cerrno>

// True when `error`, from link or linkat, means the file system (or the
// system) makes no hard links here, rather than that this one failed.
inline bool linksAreUnsupported(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS || error == EXDEV ||
         error == EMLINK || error == EACCES;
}
