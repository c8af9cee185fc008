#include "file_ops.h"

#include <windows.h>

// MoveFileA without MOVEFILE_REPLACE_EXISTING fails when `to` exists.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }
