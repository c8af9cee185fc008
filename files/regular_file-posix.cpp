#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/file_faults.h"
#include "files/regular_file.h"

InputOpenResult openRegularFile(const std::string& path, FILE*& stream, uint64_t& size) {
  // O_NONBLOCK: opening a FIFO with no writer must not wait for one.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return InputOpenResult::CannotOpen;
  struct stat info;
  if (fstat(fd, &info) != 0) {
    close(fd);
    return InputOpenResult::CannotOpen;
  }
  if (!S_ISREG(info.st_mode)) {
    close(fd);
    return InputOpenResult::NotRegularFile;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  stream = fdopenFaultPlanted() ? nullptr : fdopen(fd, "rb");
  if (!stream) {
    close(fd);
    return InputOpenResult::CannotOpen;
  }
  size = static_cast<uint64_t>(info.st_size);
  return InputOpenResult::Opened;
}
