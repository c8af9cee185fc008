#include "file_ops.h"

#include <windows.h>

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

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool makeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool removeEmptyDirectory(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool aliasFile(const std::string& filePath, const std::string& aliasPath) {
  if (CreateHardLinkA(aliasPath.c_str(), filePath.c_str(), nullptr)) return true;
  return CopyFileA(filePath.c_str(), aliasPath.c_str(), TRUE) != 0;
}
