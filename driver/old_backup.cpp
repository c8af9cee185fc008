#include "old_backup.h"

constexpr char kOldBackupPrefix[] = ".quorvel-backup-";

bool isOldBackupName(const std::string& fileName, std::string& modelName) {
  if (fileName.rfind(kOldBackupPrefix, 0) != 0) return false;
  modelName = fileName.substr(sizeof kOldBackupPrefix - 1);
  return true;
}

std::string oldBackupNameOf(const std::string& fileName) { return kOldBackupPrefix + fileName; }
