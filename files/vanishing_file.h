// A temporary that vanishes with the process however the process ends, until
// it is kept: unnamed on Linux (O_TMPFILE), and on Windows named but marked
// for deletion when closed. Tessark writes its outputs through one.
#pragma once

#include <cstdio>
#include <string>

#include "files/folder.h"

// Unsupported where it cannot be made (the system or file system has none,
// or the folder refuses it: a named file then tells why); NameTaken when
// `temporaryName` is taken (Windows, which names it so).
CreateResult createVanishingFileIn(const Folder& folder, const std::string& temporaryName, FILE*& stream);

// Flushes and closes the vanishing file and gives it `finalName`, replacing a
// file or link of that name as a name. Where the system needs a name on the
// way (Linux, when `finalName` exists), it is `temporaryName`, removed if
// an interrupting signal comes meanwhile. False on any failure, leaving
// nothing behind.
bool keepVanishingFileIn(const Folder& folder, FILE*& stream, const std::string& temporaryName,
                         const std::string& finalName);

// Closes a vanishing file that will not be kept; nothing of it remains.
void dropVanishingFile(FILE*& stream);
