// What the three directory-mode stages share: the files one stage walks.
#pragma once

#include <string>
#include <vector>

// The file name without its four-character extension (".dds", ".tga").
std::string withoutExtension(const std::string& fileName);

// The regular files (or links to one) of `directory` with `extension`;
// whatever else carries the extension is named on standard error and passed over.
std::vector<std::string> listStageFiles(const std::string& directory, const char* extension);
