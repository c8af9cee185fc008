// POSIX only: what stat tells of an entry, as file_ops.h gives it (its
// stamp, its kind), for the path form and the folder form alike.
#pragma once

#include <fcntl.h>
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

// The entry `name` in the folder `folderFd` (AT_FDCWD: a path): a link is
// not followed for `isLink`, followed for `target`.
inline EntryInfo entryAt(int folderFd, const char* name) {
  EntryInfo entry;
  struct stat info;
  if (fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return entry;
  entry.exists = true;
  entry.isLink = S_ISLNK(info.st_mode);
  if (entry.isLink && fstatat(folderFd, name, &info, 0) != 0) return entry;
  entry.target = S_ISREG(info.st_mode)   ? EntryTarget::RegularFile
                 : S_ISDIR(info.st_mode) ? EntryTarget::Directory
                                         : EntryTarget::Other;
  return entry;
}
