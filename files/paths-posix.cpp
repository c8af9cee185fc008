#include "files/paths.h"

std::string pathIn(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "/" + name;
}

void splitPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}
