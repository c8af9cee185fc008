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
    reportCannotList(folder.path, why);
    names.clear();
    return false;
  }
  for (const std::string& name : passedOver)
    reportPassedOver(pathIn(folder.path, name));
  return true;
}
