// What the three directory-mode stages share: the files one stage walks.
#pragma once

#include <string>
#include <vector>

#include "files/folder.h"

// The file name without its four-character extension (".dds", ".tga").
std::string withoutExtension(const std::string& fileName);

// The regular files (or links to one) of `folder` with `extension`, in
// `names`; whatever else carries the extension is named on standard error
// and passed over. False, after a line on standard error, when the folder
// cannot be listed to its end.
bool listStageFiles(const Folder& folder, const char* extension, std::vector<std::string>& names);
