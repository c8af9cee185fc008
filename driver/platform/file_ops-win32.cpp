#include "file_ops.h"

#include <windows.h>

#include <cerrno>
#include <cstring>

EntryInfo lookUpEntry(const std::string& path) {
  EntryInfo entry;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return entry;
  entry.exists = true;
  entry.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.target = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryTarget::Directory : EntryTarget::RegularFile;
  return entry;
}

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

// "N": not inherited by children.
FILE* openForReading(const std::string& path, std::string& why) {
  FILE* stream = fopen(path.c_str(), "rbN");
  if (!stream) why = strerror(errno);
  return stream;
}
