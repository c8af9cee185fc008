// Looking up, renaming, deleting and creating single files and folders.
#pragma once

#include <string>

// What reading through an entry reaches.
enum class EntryTarget { Missing, RegularFile, Directory, Other };

// A directory entry as it is: existence is the entry itself, not the ability
// to open it, so an unreadable file or a dangling link exists.
struct EntryInfo {
  bool exists = false;
  bool isLink = false;
  EntryTarget target = EntryTarget::Missing;  // Missing for a dangling link
};
EntryInfo lookUpEntry(const std::string& path);

// Why no file of its own can be made under `path`'s name on this system (a
// device name, another entry's short name), or "" when one can.
std::string whyNameIsUnusable(const std::string& path);

// Renames `from` to `to`; fails (and changes nothing) when `to` already exists.
bool renameWithoutReplacing(const std::string& from, const std::string& to);

// Deletes one file or link (never a directory, never a link's target).
// Returns false when nothing was deleted.
bool deleteFile(const std::string& path);

bool makeDirectory(const std::string& path);
bool removeEmptyDirectory(const std::string& path);

// Makes `aliasPath` a new name under which `filePath` reads the same bytes
// (a hard link, else a symbolic link or a copy; on Windows always a copy).
// Fails when aliasPath exists or filePath cannot be read.
bool aliasFile(const std::string& filePath, const std::string& aliasPath);
