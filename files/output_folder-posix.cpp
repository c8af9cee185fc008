#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "files/copy_bytes-posix.h"
#include "files/file_faults.h"
#include "files/interrupt_cleanup.h"
#include "files/link_errors-posix.h"
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

CreateResult createVanishingFileAt(const Folder& folder, const std::string&, FILE*& stream) {
  if (vanishingFileFaultPlanted()) return CreateResult::Unsupported;
  // Readable too: where links are refused its bytes are copied to a name.
  const int fd = openat(fdOf(folder), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) return CreateResult::Unsupported;
  stream = fdopenFaultPlanted() ? nullptr : fdopen(fd, "wb");
  if (stream) return CreateResult::Created;
  close(fd);
  return CreateResult::Failed;
}

// The unnamed file gets a name through /proc, which needs no privilege
// (AT_EMPTY_PATH would).
static bool linkUnnamed(int fd, const Folder& folder, const std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, self.c_str(), fdOf(folder), name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// An unnamed file cannot be given a name here: the file system makes no
// links, or /proc is not mounted (a chroot).
static bool namingRefused(int error) { return linksAreUnsupported(error) || error == ENOENT; }

// A complete copy of the unnamed file's bytes under `name`, or nothing there.
static bool copyUnnamed(int fd, const Folder& folder, const std::string& name) {
  const int out = openat(fdOf(folder), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (out < 0) return false;
  const bool copied = lseek(fd, 0, SEEK_SET) == 0 && copyBytes(fd, out);
  if (close(out) == 0 && copied) return true;
  unlinkat(fdOf(folder), name.c_str(), 0);
  return false;
}

bool keepVanishingFileAt(const Folder& folder, FILE*& stream, const std::string& temporaryName,
                         const std::string& finalName) {
  const int fd = fileno(stream);
  bool kept = fflush(stream) == 0;
  if (kept && !linkUnnamed(fd, folder, finalName)) {
    // The final name exists, or links are refused here: a named step (a
    // link, else a copy), then one rename over the final name.
    kept = errno == EEXIST || namingRefused(errno);
    if (kept) removeIfInterrupted(folder, temporaryName);
    kept = kept && (linkUnnamed(fd, folder, temporaryName) ||
                    (namingRefused(errno) && copyUnnamed(fd, folder, temporaryName)));
    if (kept && renameat(fdOf(folder), temporaryName.c_str(), fdOf(folder), finalName.c_str()) != 0) {
      unlinkat(fdOf(folder), temporaryName.c_str(), 0);
      kept = false;
    }
    forgetInterruptRemoval();
  }
  // A close can still report a write the system deferred (a network file
  // system): the file just named is then incomplete, and goes.
  const bool closed = fclose(stream) == 0;
  stream = nullptr;
  if (kept && !closed) unlinkat(fdOf(folder), finalName.c_str(), 0);
  return kept && closed;
}

void dropVanishingFile(FILE*& stream) {
  if (stream) fclose(stream);
  stream = nullptr;
}
