// The copy of a model that an earlier version of Quorvel kept beside it while
// compiling it (".quorvel-backup-NAME"). A run of that version that was
// stopped left it, and it may hold the model as it was before: it is the
// user's to keep or delete, pointed out but never renamed, removed or
// compiled.
#pragma once

#include <string>

// True when `fileName` is such a copy; `modelName` is then its model's name.
bool isOldBackupName(const std::string& fileName, std::string& modelName);

// The name of such a copy of the model `fileName`.
std::string oldBackupNameOf(const std::string& fileName);
