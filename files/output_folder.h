// The folder of an output file, opened once: the file's temporary is
// created, renamed over the final name and removed by name relative to it,
// so a folder renamed away meanwhile takes its files along and leaves none
// behind. (Windows, which has no such calls, holds the folder open without
// delete sharing, so it cannot be renamed while its files are written.)
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "files/new_file.h"

// A folder opened once (the driver's own operations on one are in folder.h).
struct Folder {
  std::string path;      // as given, "" for the current directory: for messages and children's arguments
  intptr_t handle = -1;  // the platform's descriptor or handle; -1 when closed
};

// Splits an output path into its folder and its name there, at the last
// separator of this platform ("/"; on Windows also "\" and a drive colon).
void splitOutputPath(const std::string& path, std::string& folder, std::string& name);

bool openOutputFolder(const std::string& path, Folder& folder);
void closeOutputFolder(Folder& folder);

// Never over an existing entry, never through a link.
CreateResult createNewFileAt(const Folder& folder, const std::string& name, FileMode mode, FILE*& stream);
// Replaces a file or link of the new name as a name.
bool renameReplacingAt(const Folder& folder, const std::string& from, const std::string& to);
bool removeFileAt(const Folder& folder, const std::string& name);
// True when the entry itself is a directory (a link is not followed).
bool isDirectoryAt(const Folder& folder, const std::string& name);

// A temporary that vanishes with the process however the process ends, until
// it is kept: unnamed on Linux (O_TMPFILE), and on Windows named
// `temporaryName` but marked for deletion when closed. Unsupported where it
// cannot be made (the system or file system has none, or the folder refuses
// it: a named file then tells why); NameTaken when `temporaryName` is taken
// (Windows).
CreateResult createVanishingFileAt(const Folder& folder, const std::string& temporaryName, FILE*& stream);

// Flushes and closes the vanishing file and gives it `finalName`, replacing a
// file or link of that name as a name. Where the system needs a name on the
// way (Linux, when `finalName` exists), it is `temporaryName`, removed if
// an interrupting signal comes meanwhile. False on any failure, leaving
// nothing behind.
bool keepVanishingFileAt(const Folder& folder, FILE*& stream, const std::string& temporaryName,
                         const std::string& finalName);

// Closes a vanishing file that will not be kept; nothing of it remains.
void dropVanishingFile(FILE*& stream);
