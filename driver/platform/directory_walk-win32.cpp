#include "directory_walk.h"

#include <windows.h>

#include "file_name_match.h"

// The pattern "*.dds" also matches the 8.3 short name of "x.ddsx" (X~1.DDS),
// so every match is checked against the extension of its long name.
static void addMatch(const WIN32_FIND_DATAA& match, const std::string& extension, std::vector<std::string>& names) {
  if (match.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
  if (!endsWithIgnoringCase(match.cFileName, extension)) return;
  names.push_back(match.cFileName);
}

bool listFilesWithExtension(const std::string& directory, const std::string& extension,
                            std::vector<std::string>& names) {
  names.clear();
  const std::string pattern = directory + "\\*" + extension;
  WIN32_FIND_DATAA match;
  const HANDLE search = FindFirstFileA(pattern.c_str(), &match);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do addMatch(match, extension, names);
  while (FindNextFileA(search, &match));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}
