// Paths inside a directory, joined with the platform's separator: every
// driver path is a directory, a separator and a file name.
#pragma once

#include <string>

std::string pathIn(const std::string& directory, const std::string& fileName);
