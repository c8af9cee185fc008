#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "files/file_faults.h"
#include "files/new_file.h"
#include "files/wide_path.h"

CreateResult createNewFile(const std::string& path, FileMode mode, FILE*& stream) {
  const bool text = mode == FileMode::Text;
  const std::wstring wide = widePath(path);
  const int fd = _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | (text ? _O_TEXT : _O_BINARY) | _O_NOINHERIT,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno == EEXIST ? CreateResult::NameTaken : CreateResult::Failed;
  stream = fdopenFaultPlanted() ? nullptr : _fdopen(fd, text ? "wt" : "wb");
  if (stream) return CreateResult::Created;
  _close(fd);
  DeleteFileW(wide.c_str());
  return CreateResult::Failed;
}

bool isDirectoryEntry(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool renameReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool removeFile(const std::string& path) { return DeleteFileW(widePath(path).c_str()) != 0; }

unsigned long currentProcessId() { return GetCurrentProcessId(); }
