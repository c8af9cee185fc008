#include "old_backup.h"

#include "diagnostics.h"

constexpr char kOldBackupPrefix[] = ".quorvel-backup-";

bool isOldBackupName(const std::string& fileName, std::string& modelName) {
  if (fileName.rfind(kOldBackupPrefix, 0) != 0) return false;
  modelName = fileName.substr(sizeof kOldBackupPrefix - 1);
  return true;
}

std::string oldBackupNameOf(const std::string& fileName) { return kOldBackupPrefix + fileName; }

std::string oldBackupNote(const std::string& backupPath, const std::string& modelPath) {
  return "Quorvel: " + printableName(backupPath) + " was left by an earlier Quorvel stopped while compiling " +
         printableName(modelPath) + "; it may hold that model as it was before: keep or delete it yourself\n";
}
