#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_faults.h"
#include "files/output_folder.h"

void splitOutputPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

bool openOutputFolder(const std::string& path, Folder& folder) {
  const int fd = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  folder = Folder{path, fd};
  // A folder that may be written but not listed is still worked in by name.
  if (fd < 0 && errno == EACCES) folder.handle = open(path.empty() ? "." : path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  return folder.handle >= 0;
}

void closeOutputFolder(Folder& folder) {
  if (folder.handle >= 0) close(static_cast<int>(folder.handle));
  folder.handle = -1;
}

static int fdOf(const Folder& folder) { return static_cast<int>(folder.handle); }

// Text and binary are the same here.
CreateResult createNewFileAt(const Folder& folder, const std::string& name, FileMode, FILE*& stream) {
  const int fd = openat(fdOf(folder), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return errno == EEXIST ? CreateResult::NameTaken : CreateResult::Failed;
  stream = fdopenFaultPlanted() ? nullptr : fdopen(fd, "wb");
  if (stream) return CreateResult::Created;
  close(fd);
  unlinkat(fdOf(folder), name.c_str(), 0);
  return CreateResult::Failed;
}

bool renameReplacingAt(const Folder& folder, const std::string& from, const std::string& to) {
  return renameat(fdOf(folder), from.c_str(), fdOf(folder), to.c_str()) == 0;
}

bool removeFileAt(const Folder& folder, const std::string& name) {
  return unlinkat(fdOf(folder), name.c_str(), 0) == 0;
}

bool isDirectoryAt(const Folder& folder, const std::string& name) {
  struct stat entry;
  return fstatat(fdOf(folder), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(entry.st_mode);
}
