#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "files/file_faults.h"
#include "files/new_file.h"

// Text and binary are the same here.
CreateResult createNewFile(const std::string& path, FileMode, FILE*& stream) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return errno == EEXIST ? CreateResult::NameTaken : CreateResult::Failed;
  stream = fdopenFaultPlanted() ? nullptr : fdopen(fd, "wb");
  if (stream) return CreateResult::Created;
  close(fd);
  unlink(path.c_str());
  return CreateResult::Failed;
}

bool isDirectoryEntry(const std::string& path) {
  struct stat entry;
  return lstat(path.c_str(), &entry) == 0 && S_ISDIR(entry.st_mode);
}

bool renameReplacing(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

bool removeFile(const std::string& path) { return unlink(path.c_str()) == 0; }

unsigned long currentProcessId() { return static_cast<unsigned long>(getpid()); }
