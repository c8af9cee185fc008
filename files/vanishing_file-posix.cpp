#include "files/vanishing_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "files/copy_bytes-posix.h"
#include "files/file_faults.h"
#include "files/interrupt_cleanup.h"
#include "files/link_errors-posix.h"
#include "files/open_new-posix.h"

static int fdOf(const Folder& folder) { return static_cast<int>(folder.handle); }

CreateResult createVanishingFileIn(const Folder& folder, const std::string&, FILE*& stream) {
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
  const int out = openNewFileAt(fdOf(folder), name.c_str(), 0666);
  if (out < 0) return false;
  const bool copied = lseek(fd, 0, SEEK_SET) == 0 && copyBytes(fd, out);
  if (close(out) == 0 && copied) return true;
  removeFileIn(folder, name);
  return false;
}

bool keepVanishingFileIn(const Folder& folder, FILE*& stream, const std::string& temporaryName,
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
    if (kept && !renameReplacingIn(folder, temporaryName, folder, finalName)) {
      removeFileIn(folder, temporaryName);
      kept = false;
    }
    forgetInterruptRemoval();
  }
  // A close can still report a write the system deferred (a network file
  // system): the file just named is then incomplete, and goes.
  const bool closed = fclose(stream) == 0;
  stream = nullptr;
  if (kept && !closed) removeFileIn(folder, finalName);
  return kept && closed;
}

void dropVanishingFile(FILE*& stream) {
  if (stream) fclose(stream);
  stream = nullptr;
}
