// Renaming and deleting single files.
#pragma once

#include <string>

// Renames `from` to `to`; fails (and changes nothing) when `to` already exists.
bool renameWithoutReplacing(const std::string& from, const std::string& to);

// Deletes one file (never a directory). Returns false when nothing was deleted.
bool deleteFile(const std::string& path);
