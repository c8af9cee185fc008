#include "files/file_ops.h"

#include "files/stat_entry-posix.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

EntryInfo lookUpEntry(const std::string& path) { return entryAt(AT_FDCWD, path.c_str()); }

bool fileStampOf(const std::string& path, FileStamp& stamp) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  stamp = stampOf(info);
  return true;
}

// Any name but "." and ".." is a name of its own here.
std::string whyNameIsUnusable(const std::string&) { return std::string(); }

std::string folderSpelling(const std::string& path) { return path; }

bool removeFile(const std::string& path) { return unlink(path.c_str()) == 0; }

FILE* openForReading(const std::string& path, std::string& why) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  FILE* stream = fd < 0 ? nullptr : fdopen(fd, "rb");
  if (!stream) {
    why = strerror(errno);
    if (fd >= 0) close(fd);
  }
  return stream;
}
