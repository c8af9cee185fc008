#include "work_paths.h"

#include "platform/host_names.h"

std::string pathIn(const std::string& directory, const std::string& fileName) {
  return directory + pathSeparator() + fileName;
}
