#include "file_ops.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

static EntryTarget targetOf(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return EntryTarget::RegularFile;
  if (S_ISDIR(info.st_mode)) return EntryTarget::Directory;
  return EntryTarget::Other;
}

EntryInfo lookUpEntry(const std::string& path) {
  EntryInfo entry;
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return entry;
  entry.exists = true;
  entry.isLink = S_ISLNK(info.st_mode);
  if (entry.isLink && stat(path.c_str(), &info) != 0) return entry;
  entry.target = targetOf(info);
  return entry;
}

// Any name but "." and ".." is a name of its own here.
std::string whyNameIsUnusable(const std::string&) { return std::string(); }

// For file systems that cannot rename without replacing: a hard link fails
// when the target exists, which gives the same guarantee.
static bool linkThenUnlink(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

bool renameWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return linkThenUnlink(from, to);
}

bool deleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool makeDirectory(const std::string& path) { return mkdir(path.c_str(), 0700) == 0; }

bool removeEmptyDirectory(const std::string& path) { return rmdir(path.c_str()) == 0; }

bool aliasFile(const std::string& filePath, const std::string& aliasPath) {
  // The link follows a container that is itself a link, so the alias never
  // depends on where it stands.
  if (linkat(AT_FDCWD, filePath.c_str(), AT_FDCWD, aliasPath.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == EEXIST) return false;
  char* target = realpath(filePath.c_str(), nullptr);
  if (!target) return false;
  const bool linked = symlink(target, aliasPath.c_str()) == 0;
  free(target);
  return linked;
}
