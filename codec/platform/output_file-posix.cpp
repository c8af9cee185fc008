#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "output_file.h"

// Names taken by another run or a leftover are skipped; this many attempts
// is far beyond any real collision.
constexpr unsigned kCreateAttempts = 1000;

bool createOutputFile(const std::string& finalName, OutputFile& file) {
  // A directory of that name could never be replaced: say so before any work.
  struct stat existing;
  if (lstat(finalName.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return false;
  static unsigned counter = 0;
  for (unsigned attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const std::string name = temporaryOutputName(finalName, static_cast<unsigned long>(getpid()), counter++);
    // O_EXCL: never an existing file, never through a link.
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    FILE* stream = fdopen(fd, "wb");
    if (!stream) {
      close(fd);
      unlink(name.c_str());
      return false;
    }
    file = OutputFile{stream, name, finalName};
    return true;
  }
  return false;
}

// Not synced to disk: that guards against power loss, not against a killed
// process, and costs 15-20 % on large textures and nearly doubles the time of
// small ones.
bool commitOutputFile(OutputFile& file) {
  const bool flushed = fflush(file.stream) == 0;
  const bool closed = fclose(file.stream) == 0;
  file.stream = nullptr;
  if (flushed && closed && rename(file.temporaryName.c_str(), file.finalName.c_str()) == 0) return true;
  unlink(file.temporaryName.c_str());
  return false;
}

void discardOutputFile(OutputFile& file) {
  if (file.stream) fclose(file.stream);
  file.stream = nullptr;
  unlink(file.temporaryName.c_str());
}
