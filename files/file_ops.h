// Looking up, deleting and opening single files by path.
#pragma once

#include <cstdio>
#include <string>

// What reading through an entry reaches.
enum class EntryTarget { Missing, RegularFile, Directory, Other };

// A directory entry as it is: existence is the entry itself, not the ability
// to open it, so an unreadable file or a dangling link exists.
struct EntryInfo {
  bool exists = false;
  bool isLink = false;
  EntryTarget target = EntryTarget::Missing;  // Missing for a dangling link
  unsigned long linkCount = 1;                // names of the entry itself (hard links)
};
EntryInfo lookUpEntry(const std::string& path);

// Why no file of its own can be made under `path`'s name on this system (a
// device name, another entry's short name), or "" when one can.
std::string whyNameIsUnusable(const std::string& path);

// Deletes one file or link (never a directory, never a link's target).
// Returns false when nothing was deleted.
bool deleteFile(const std::string& path);

// Opens a file for binary reading, closed in every child the driver starts.
// Null, with the reason in `why`, when it cannot be opened.
FILE* openForReading(const std::string& path, std::string& why);
