#include "stage_files.h"

#include <cstdio>

#include "diagnostics.h"
#include "platform/directory_walk.h"
#include "work_paths.h"

constexpr size_t kExtensionLength = 4;

std::string withoutExtension(const std::string& fileName) {
  return fileName.substr(0, fileName.size() - kExtensionLength);
}

std::vector<std::string> listStageFiles(const std::string& directory, const char* extension) {
  std::vector<std::string> names, passedOver;
  listFilesWithExtension(directory, extension, names, passedOver);
  for (const std::string& name : passedOver)
    fprintf(stderr, "Quorvel: passing over %s: not a regular file\n", printableName(pathIn(directory, name)).c_str());
  return names;
}
