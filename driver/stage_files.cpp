#include "run_report.h"
#include "stage_files.h"

#include <cstdio>

#include "diagnostics.h"
#include "platform/directory_walk.h"
#include "files/paths.h"

constexpr size_t kExtensionLength = 4;

std::string withoutExtension(const std::string& fileName) {
  return fileName.substr(0, fileName.size() - kExtensionLength);
}

bool listStageFiles(const Folder& folder, const char* extension, std::vector<std::string>& names) {
  std::vector<std::string> passedOver;
  std::string why;
  if (!listFilesWithExtension(folder, extension, names, passedOver, why)) {
    printDiagnostic("Quorvel: cannot list %s: %s\n", printableName(folder.path).c_str(), why.c_str());
    names.clear();
    return false;
  }
  for (const std::string& name : passedOver)
    printDiagnostic("Quorvel: passing over %s: not a regular file\n", printableName(pathIn(folder.path, name)).c_str());
  return true;
}
