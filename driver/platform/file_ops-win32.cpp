#include "file_ops.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

EntryInfo lookUpEntry(const std::string& path) {
  EntryInfo entry;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return entry;
  entry.exists = true;
  entry.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.target = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryTarget::Directory : EntryTarget::RegularFile;
  return entry;
}

// MoveFileA without MOVEFILE_REPLACE_EXISTING fails when `to` exists.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool renameReplacing(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool makeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool removeEmptyDirectory(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool aliasFile(const std::string& filePath, const std::string& aliasPath) {
  if (CreateHardLinkA(aliasPath.c_str(), filePath.c_str(), nullptr)) return true;
  return CopyFileA(filePath.c_str(), aliasPath.c_str(), TRUE) != 0;
}

FILE* openRegularFileForReading(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
  FILE* stream = fopen(path.c_str(), "rb");
  if (stream && GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)))) != FILE_TYPE_DISK) {
    fclose(stream);  // a device such as NUL or CON
    return nullptr;
  }
  return stream;
}

FILE* createNewTextFile(const std::string& path) {
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  FILE* stream = _fdopen(fd, "wt");
  if (!stream) {
    _close(fd);
    DeleteFileA(path.c_str());
  }
  return stream;
}
