// The decode stage's private folder inside the work directory. Each container
// is decoded there under a fixed name, so the decoder's level files can never
// meet a user's file; only the finished level 0 leaves it, by one rename.
// Everything in it is done through its handle.
#pragma once

#include <string>

#include "files/folder.h"

// The container's name inside the folder, and the decoder's level 0 of it.
extern const char kScratchContainerName[];
extern const char kScratchLevelZeroName[];

// Each decoder that runs at once has a folder of its own: ".quorvel-scratch"
// for the first, ".quorvel-scratch-N" for the others.
std::string scratchFolderName(size_t slot);

// Makes the folder in the work directory and opens it (never through a link).
bool openScratchFolder(const Folder& work, size_t slot, Folder& scratch);

// Removes what a decode (or a killed run) left in the folder: only names that
// are recognisably ours (the container alias, level files, the decoder's
// temporary files). Returns false when anything else is in the way or the
// folder cannot be listed.
bool emptyScratchFolder(const Folder& scratch);

// Removes the folder `name` of an earlier, killed run, or this run's at the
// end (closed by then). Returns false, after a line on standard error, when
// the folder holds other files, or is no folder of ours, and so is left alone.
bool removeScratchFolder(const Folder& work, const std::string& name);

// Removes every scratch folder an earlier, killed run left, whatever number
// of decoders it ran.
bool removeScratchFolders(const Folder& work);
