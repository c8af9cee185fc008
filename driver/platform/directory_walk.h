// Directory walk: the files of one folder whose names carry one extension.
#pragma once

#include <string>
#include <vector>

#include "files/folder.h"

// Fills `names` with the plain file names in `folder` that end in
// `extension` (such as ".dds"), compared without regard to case, and that
// are regular files or links to one. Other entries with a matching name
// (directories, FIFOs, devices, dangling links) go to `passedOver`. Returns
// false, with the reason in `why`, when the folder cannot be listed to its
// end. The Windows walk keeps the order the system returns; the POSIX walk
// sorts the names bytewise so that runs are repeatable.
bool listFilesWithExtension(const Folder& folder, const std::string& extension, std::vector<std::string>& names,
                            std::vector<std::string>& passedOver, std::string& why);

// The walk over a folder's sorted listing, for systems that list a folder
// through `listFolder` (POSIX, and the tests' recording fake).
bool listFilesWithExtensionFromListing(const Folder& folder, const std::string& extension,
                                       std::vector<std::string>& names, std::vector<std::string>& passedOver,
                                       std::string& why);
