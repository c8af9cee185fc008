#include "directory_walk.h"

#include <windows.h>

#include "file_name_match.h"
#include "files/wide_path.h"
#include "files/paths.h"

// The pattern "*.dds" also matches the 8.3 short name of "x.ddsx" (X~1.DDS),
// so every match is checked against the extension of its long name.
static void addMatch(const WIN32_FIND_DATAW& match, const std::string& extension, std::vector<std::string>& names,
                     std::vector<std::string>& passedOver) {
  const std::string name = narrowName(match.cFileName);
  if (!endsWithIgnoringCase(name, extension)) return;
  ((match.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? passedOver : names).push_back(name);
}

// Calls add for every match of pattern; false when the walk failed.
template <class Add>
static bool walk(const std::string& pattern, Add add) {
  WIN32_FIND_DATAW match;
  const HANDLE search = FindFirstFileW(widePath(pattern).c_str(), &match);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do add(match);
  while (FindNextFileW(search, &match));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}

bool listFilesWithExtension(const Folder& folder, const std::string& extension, std::vector<std::string>& names,
                            std::vector<std::string>& passedOver, std::string& why) {
  names.clear();
  passedOver.clear();
  if (walk(pathIn(folder.path, "*" + extension),
           [&](const WIN32_FIND_DATAW& match) { addMatch(match, extension, names, passedOver); }))
    return true;
  why = "error " + std::to_string(GetLastError());
  return false;
}
