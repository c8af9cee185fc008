// The decode stage's private folder inside the work directory. Each container
// is decoded there under a fixed name, so the decoder's level files can never
// meet a user's file; only the finished level 0 leaves it, by one rename.
#pragma once

#include <string>

// ".quorvel-scratch" in the work directory.
std::string scratchFolderPath(const std::string& workDirectory);

// The container's name inside the folder, and the decoder's level 0 of it.
std::string scratchContainerPath(const std::string& workDirectory);
std::string scratchLevelZeroPath(const std::string& workDirectory);

// Removes what a decode (or a killed run) left in the folder: only names that
// are recognisably ours (the container alias, level files, the decoder's
// temporary files). Returns false when anything else is in the way.
bool emptyScratchFolder(const std::string& workDirectory);

// Removes the folder of an earlier, killed run, or this run's at the end.
// Returns false, after a line on standard error, when the folder holds other
// files and so is left alone.
bool removeScratchFolder(const std::string& workDirectory);
