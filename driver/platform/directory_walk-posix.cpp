#include "directory_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "file_name_match.h"

static bool isDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool listFilesWithExtension(const std::string& directory, const std::string& extension,
                            std::vector<std::string>& names) {
  names.clear();
  DIR* dir = opendir(directory.c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!endsWithIgnoringCase(name, extension)) continue;
    if (isDirectory(directory + "/" + name)) continue;
    names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return true;
}
