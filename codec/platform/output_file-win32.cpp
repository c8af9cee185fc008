#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "output_file.h"

// Names taken by another run or a leftover are skipped; this many attempts
// is far beyond any real collision.
constexpr unsigned kCreateAttempts = 1000;

bool createOutputFile(const std::string& finalName, OutputFile& file) {
  // A directory of that name could never be replaced: say so before any work.
  const DWORD attributes = GetFileAttributesA(finalName.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  static unsigned counter = 0;
  for (unsigned attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const std::string name = temporaryOutputName(finalName, GetCurrentProcessId(), counter++);
    const int fd = _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                         _S_IREAD | _S_IWRITE);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    FILE* stream = _fdopen(fd, "wb");
    if (!stream) {
      _close(fd);
      DeleteFileA(name.c_str());
      return false;
    }
    file = OutputFile{stream, name, finalName};
    return true;
  }
  return false;
}

// Not synced to disk, as on POSIX: a killed process is covered, power loss not.
bool commitOutputFile(OutputFile& file) {
  const bool flushed = fflush(file.stream) == 0;
  const bool closed = fclose(file.stream) == 0;
  file.stream = nullptr;
  if (flushed && closed &&
      MoveFileExA(file.temporaryName.c_str(), file.finalName.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  DeleteFileA(file.temporaryName.c_str());
  return false;
}

void discardOutputFile(OutputFile& file) {
  if (file.stream) fclose(file.stream);
  file.stream = nullptr;
  DeleteFileA(file.temporaryName.c_str());
}
