// POSIX only: a file's stamp (file_ops.h) from what stat tells of it.
#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "files/file_ops.h"

inline FileStamp stampOf(const struct stat& info) {
  FileStamp stamp;
  stamp.device = static_cast<uint64_t>(info.st_dev);
  stamp.file = static_cast<uint64_t>(info.st_ino);
  stamp.size = static_cast<uint64_t>(info.st_size);
  stamp.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return stamp;
}
