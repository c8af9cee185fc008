#include "files/paths.h"

static bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string pathIn(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const size_t size = folder.size();
  const bool bareDrive = size == 2 && folder[1] == ':';
  const bool root = isSeparator(folder.back()) && (size == 1 || folder[size - 2] == ':');
  return folder + (bareDrive || root ? "" : "\\") + name;
}

void splitPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t end = path.find_last_of("/\\");
  if (end == std::string::npos) {
    // "C:rock0.tga": in the current directory of drive C.
    const size_t drive = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    folder = path.substr(0, drive);
    name = path.substr(drive);
    return;
  }
  // A root ("\", "C:\") keeps its separator; other folders lose it.
  const bool root = end == 0 || path[end - 1] == ':';
  folder = path.substr(0, root ? end + 1 : end);
  name = path.substr(end + 1);
}
