// Directory walk: the files of one directory whose names carry one extension.
#pragma once

#include <string>
#include <vector>

// Fills `names` with the plain file names (no directory) in `directory` that
// end in `extension` (such as ".dds"), compared without regard to case, and
// that are regular files or links to one. Other entries with a matching name
// (directories, FIFOs, devices, dangling links) go to `passedOver`. Returns
// false when the directory cannot be read. The Windows walk keeps the order
// the system returns; the POSIX walk sorts the names bytewise so that runs
// are repeatable.
bool listFilesWithExtension(const std::string& directory, const std::string& extension,
                            std::vector<std::string>& names, std::vector<std::string>& passedOver);

// Every entry name of `directory` but "." and "..", in no particular order.
bool listEntryNames(const std::string& directory, std::vector<std::string>& names);
