#include "directory_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "file_name_match.h"

// Reading through a link is fine: only what it reaches counts.
static bool isRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool listFilesWithExtension(const std::string& directory, const std::string& extension,
                            std::vector<std::string>& names, std::vector<std::string>& passedOver) {
  names.clear();
  passedOver.clear();
  DIR* dir = opendir(directory.c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!endsWithIgnoringCase(name, extension)) continue;
    (isRegularFile(directory + "/" + name) ? names : passedOver).push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  std::sort(passedOver.begin(), passedOver.end());
  return true;
}

bool listEntryNames(const std::string& directory, std::vector<std::string>& names) {
  names.clear();
  DIR* dir = opendir(directory.c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return true;
}
