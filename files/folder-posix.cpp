#include "files/folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "files/copy_bytes-posix.h"
#include "files/file_faults.h"
#include "files/link_errors-posix.h"
#include "files/open_new-posix.h"
#include "files/paths.h"
#include "files/stat_entry-posix.h"

constexpr char kLockFileName[] = ".quorvel-lock";

static int fdOf(const Folder& folder) { return static_cast<int>(folder.handle); }

bool openFolder(const std::string& path, Folder& folder, std::string& why) {
  const char* opened = path.empty() ? "." : path.c_str();
  folder = Folder{path, open(opened, O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  // A folder that may be written but not listed is still worked in by name.
  if (folder.handle < 0 && errno == EACCES) folder.handle = open(opened, O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder.handle >= 0) return true;
  why = strerror(errno);
  return false;
}

bool makeFolderIn(const Folder& parent, const std::string& name) { return mkdirat(fdOf(parent), name.c_str(), 0700) == 0; }

bool openFolderIn(const Folder& parent, const std::string& name, Folder& folder) {
  const int fd = openat(fdOf(parent), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  folder.path = pathIn(parent.path, name);
  folder.handle = fd;
  return true;
}

void closeFolder(Folder& folder) {
  if (folder.handle >= 0) close(fdOf(folder));
  folder.handle = -1;
}

EntryInfo entryIn(const Folder& folder, const std::string& name) { return entryAt(fdOf(folder), name.c_str()); }

bool isDirectoryIn(const Folder& folder, const std::string& name) {
  struct stat info;
  return fstatat(fdOf(folder), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
}

bool listFolder(const Folder& folder, std::vector<std::string>& names, std::string& why) {
  names.clear();
  // A descriptor of its own: the listing position is not shared with the handle.
  const int fd = openat(fdOf(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
  if (!dir) {
    why = strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (!entry) break;
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int readError = errno;
  closedir(dir);
  if (readError != 0) {
    why = strerror(readError);
    return false;
  }
  std::sort(names.begin(), names.end());
  return true;
}

bool removeFileIn(const Folder& folder, const std::string& name) {
  return unlinkat(fdOf(folder), name.c_str(), 0) == 0;
}

bool removeFolderIn(const Folder& parent, const std::string& name) {
  return unlinkat(fdOf(parent), name.c_str(), AT_REMOVEDIR) == 0;
}

// renameat2 and linkat, unless a test has planted their refusal.
static int renameWithoutReplacingAt(int fromFd, const char* from, int toFd, const char* to) {
  if (!renameWithoutReplacingFaultPlanted()) return renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE);
  errno = EINVAL;
  return -1;
}

static int linkAt(int fromFd, const char* from, int toFd, const char* to, int flags) {
  if (!linkFaultPlanted()) return linkat(fromFd, from, toFd, to, flags);
  errno = EPERM;
  return -1;
}

bool renameWithoutReplacingIn(const Folder& from, const std::string& fromName, const Folder& to,
                              const std::string& toName) {
  if (renameWithoutReplacingAt(fdOf(from), fromName.c_str(), fdOf(to), toName.c_str()) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // A file system that cannot rename without replacing: a hard link fails
  // when the name exists, which gives the same guarantee.
  if (linkAt(fdOf(from), fromName.c_str(), fdOf(to), toName.c_str(), 0) == 0) {
    removeFileIn(from, fromName);
    return true;
  }
  if (errno == EEXIST || !linksAreUnsupported(errno)) return false;
  // Neither: look, then rename. Other runs on this folder wait for our lock.
  struct stat info;
  if (fstatat(fdOf(to), toName.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) return false;
  return renameReplacingIn(from, fromName, to, toName);
}

bool renameReplacingIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  return renameat(fdOf(from), fromName.c_str(), fdOf(to), toName.c_str()) == 0;
}

// Text and binary are the same here.
CreateResult createFileIn(const Folder& folder, const std::string& name, FileMode, FILE*& stream) {
  const int fd = openNewFileAt(fdOf(folder), name.c_str(), 0666);
  if (fd < 0) return errno == EEXIST ? CreateResult::NameTaken : CreateResult::Failed;
  stream = fdopenFaultPlanted() ? nullptr : fdopen(fd, "wb");
  if (stream) return CreateResult::Created;
  close(fd);
  removeFileIn(folder, name);
  return CreateResult::Failed;
}

// Opens a regular file for reading without blocking on a FIFO or device.
static int openRegularIn(const Folder& folder, const std::string& name, int followFlag, struct stat& info) {
  const int fd = openat(fdOf(folder), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | followFlag);
  if (fd < 0) return -1;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) return fd;
  close(fd);
  return -1;
}

// A complete copy under `toName`, or nothing under that name.
static bool copyFollowing(const Folder& from, const std::string& fromName, const Folder& to,
                          const std::string& toName) {
  struct stat info;
  const int in = openRegularIn(from, fromName, 0, info);
  if (in < 0) return false;
  const int out = openNewFileAt(fdOf(to), toName.c_str(), info.st_mode & 07777);
  if (out < 0) {
    close(in);
    return false;
  }
  const bool copied = copyBytes(in, out) && fchmod(out, info.st_mode & 07777) == 0;
  const bool closed = close(out) == 0;
  close(in);
  if (copied && closed) return true;
  removeFileIn(to, toName);
  return false;
}

bool aliasFileIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  // The link follows a name that is itself a link, so the alias never
  // depends on where it stands.
  if (linkAt(fdOf(from), fromName.c_str(), fdOf(to), toName.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == EEXIST) return false;
  return copyFollowing(from, fromName, to, toName);
}

bool fileStampIn(const Folder& folder, const std::string& name, FileStamp& stamp) {
  struct stat info;
  if (fstatat(fdOf(folder), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  stamp = stampOf(info);
  return true;
}

bool copyPermissionsIn(const Folder& from, const std::string& fromName, const Folder& to, const std::string& toName) {
  struct stat info;
  return fstatat(fdOf(from), fromName.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         fchmodat(fdOf(to), toName.c_str(), info.st_mode & 07777, 0) == 0;
}

// Locks `fd`, waiting (after one call of `waiting`) while another run holds it.
static bool lockDescriptor(int fd, const Folder& folder, void (*waiting)(const Folder&)) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno != EWOULDBLOCK) return false;
  waiting(folder);
  while (flock(fd, LOCK_EX) != 0)
    if (errno != EINTR) return false;
  return true;
}

bool lockFolder(const Folder& folder, void (*waiting)(const Folder&), std::string& why) {
  // A descriptor of its own (the lock belongs to it), closed in every child:
  // a child's helper left running must never keep the next run waiting.
  int fd = openat(fdOf(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0 && lockDescriptor(fd, folder, waiting)) return true;
  if (fd >= 0) close(fd);
  // Where a folder cannot be locked itself (some network file systems), a
  // lock file of ours stands for it.
  fd = openat(fdOf(folder), kLockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
  if (fd >= 0 && lockDescriptor(fd, folder, waiting)) return true;
  why = strerror(errno);
  if (fd >= 0) close(fd);
  return false;
}

std::string childSafeNameIn(const Folder&, const std::string& name) { return name; }

bool holdFolderWithChildren(const Folder& folder) {
  // Inherited on purpose (no close-on-exec), and never closed: the hold
  // lasts while this process or any child of it lives.
  const int fd = openat(fdOf(folder), ".", O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  close(fd);
  return false;
}

bool folderIsHeld(const Folder& folder) {
  const int fd = openat(fdOf(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);  // also lets go of the lock just taken
  return held;
}
