// Looking up, deleting and opening single files by path, where no folder
// is open (folder.h works inside one).
#pragma once

#include <cstdint>
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
};
EntryInfo lookUpEntry(const std::string& path);

// Which file an entry is (its device and file number) and what it held when
// looked at (size, modification time): a file left alone keeps an equal
// stamp; one saved anew, replaced or removed does not.
struct FileStamp {
  uint64_t device = 0;
  uint64_t file = 0;
  uint64_t size = 0;
  int64_t modified = 0;  // in the system's own unit
  bool sameFileAs(const FileStamp& other) const { return device == other.device && file == other.file; }
  bool operator==(const FileStamp& other) const {
    return sameFileAs(other) && size == other.size && modified == other.modified;
  }
  bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The stamp of what `path` reaches (links followed). False when nothing is there.
bool fileStampOf(const std::string& path, FileStamp& stamp);

// Why no file of its own can be made under `path`'s name on this system (a
// device name, another entry's short name), or "" when one can.
std::string whyNameIsUnusable(const std::string& path);

// The spelling of a folder path under which every name joined to it reaches
// the folder the system resolves the path to: the path itself on POSIX; on
// Windows without the trailing dots and blanks that Windows trims from a
// path's end (but "." and ".."), as `cd` in cmd would take it.
std::string folderSpelling(const std::string& path);

// Deletes one file or link (never a directory, never a link's target).
// Returns false when nothing was deleted.
bool removeFile(const std::string& path);

// Opens a file for binary reading, closed in every child the driver starts.
// Null, with the reason in `why`, when it cannot be opened.
FILE* openForReading(const std::string& path, std::string& why);
